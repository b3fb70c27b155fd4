#include "convert/ModelPlacement.h"

#include "convert/VertexPacking.h"
#include "platform/StatusLine.h"
#include "scene/StatusLog.h"

#include <charconv>
#include <cmath>

namespace {

// The midpoint of an axis's bounds, in the precision the offset is applied in.
double Centre(float lowest, float highest)
{
    if (!(lowest <= highest) || !std::isfinite(lowest) || !std::isfinite(highest))
        return 0.0;
    return (static_cast<double>(lowest) + static_cast<double>(highest)) / 2.0;
}

double Extent(float lowest, float highest)
{
    const double extent = static_cast<double>(highest) - static_cast<double>(lowest);
    return lowest <= highest && std::isfinite(extent) ? extent : 0.0;
}

} // namespace

ScaleFactors CentreOf(const Bounds& b)
{
    ScaleFactors centre;
    centre.ox = Centre(b.minX, b.maxX);
    centre.oy = Centre(b.minY, b.maxY);
    centre.oz = Centre(b.minZ, b.maxZ);
    return centre;
}

std::string GridNote(const Bounds& b, const ScaleFactors& factors, VertexFormat format)
{
    // The packed steps of the lowest and the highest corner of the bounds, as the writer packs them;
    // an axis without coordinates spans nothing.
    const auto steps = [&](float x, float y, float z) {
        const auto finite = [](float v) { return std::isfinite(v) ? v : 0.0f; };
        const ScaledVertex scaled = ScaleVertex(FrameVertex{finite(x), finite(y), finite(z), 0.0f, 0.0f}, factors);
        if (format == VertexFormat::Standard)
            return UnpackVertex(PackVertex(scaled));
        std::uint8_t bytes[8];
        PackDeusExVertex(scaled, bytes);
        return StepsAt(format, bytes);
    };
    const bool any[3] = {b.minX <= b.maxX, b.minY <= b.maxY, b.minZ <= b.maxZ};
    const PackedSteps low = steps(any[0] ? b.minX : 0.0f, any[1] ? b.minY : 0.0f, any[2] ? b.minZ : 0.0f);
    const PackedSteps high = steps(any[0] ? b.maxX : 0.0f, any[1] ? b.maxY : 0.0f, any[2] ? b.maxZ : 0.0f);
    const PackedField* const fields[3] = {&FieldOf(format, 0), &FieldOf(format, 1), &FieldOf(format, 2)};
    const std::int32_t lows[3] = {low.x, low.y, low.z}, highs[3] = {high.x, high.y, high.z};
    int widest = 0;
    double widestUnits = -1.0;
    for (int a = 0; a < 3; ++a) {
        const std::int32_t all = fields[a]->Largest() + 1;
        if (std::abs(lows[a]) >= all / 8 || std::abs(highs[a]) >= all / 8)
            return {};
        const double units = static_cast<double>(highs[a] - lows[a]) / fields[a]->unitsPerCoordinate;
        if (units > widestUnits) {
            widestUnits = units;
            widest = a;
        }
    }
    return FormatLine("Note: the model spans only %d of %d steps on its widest axis, %c; tick Fill the cube "
                      "(the word fill) to use the whole grid",
                      highs[widest] - lows[widest], 2 * (fields[widest]->Largest() + 1), "XYZ"[widest]);
}

bool ParseGameSize(const std::string& text, double& size)
{
    // Digits and a point whatever the locale; no sign, no "inf" or "nan", no hexadecimal.
    if (text.empty() || !((text[0] >= '0' && text[0] <= '9') || text[0] == '.'))
        return false;
    double value = 0.0;
    const char* const end = text.data() + text.size();
    const std::from_chars_result read = std::from_chars(text.data(), end, value);
    if (read.ec != std::errc() || read.ptr != end || !(value > 0.0) || !std::isfinite(value))
        return false;
    size = value;
    return true;
}

double LargestExtent(const Bounds& b)
{
    double largest = Extent(b.minX, b.maxX);
    if (Extent(b.minY, b.maxY) > largest)
        largest = Extent(b.minY, b.maxY);
    if (Extent(b.minZ, b.maxZ) > largest)
        largest = Extent(b.minZ, b.maxZ);
    return largest;
}

Bounds MeasureModel(CStatusLog& log, const CMeshModel& model, std::int32_t frameCount, const ConversionOptions& options,
                    ScaleFactors& factors, unsigned threads)
{
    const bool scaled = options.vertexMode != VertexMode::ClipBounds;
    if (scaled)
        log.Append(FormatLine("Checking model scale..."));
    const Bounds bounds = MeasureBounds(model, frameCount, threads);
    if (!scaled)
        return bounds;
    const ScaleFactors centre = options.fill ? CentreOf(bounds) : ScaleFactors{};
    if (options.fill)
        log.Append(FormatLine("Model centred: moved by X:%.3f Y:%.3f Z:%.3f", -centre.ox + 0.0, -centre.oy + 0.0,
                              -centre.oz + 0.0));
    std::string line;
    factors = ComputeScaleFactors(ExtentsOf(bounds, centre), options.vertexMode, options.fill, line);
    factors.ox = centre.ox;
    factors.oy = centre.oy;
    factors.oz = centre.oz;
    log.Append(line);
    if (!options.fill)
        if (const std::string note = GridNote(bounds, factors, options.vertexFormat); !note.empty())
            log.Append(note);
    return bounds;
}

double GameUnits(CStatusLog& log, const Bounds& bounds, const std::string& sizeText, double& size)
{
    const double extent = LargestExtent(bounds);
    ParseGameSize(sizeText, size);
    const double units = size / extent;
    if (!(extent > 0.0) || !std::isfinite(units) || !(units > 0.0)) {
        log.Append(FormatLine("Note: the model has no extent to give size=%s; the script keeps the .3DS units",
                              sizeText.c_str()));
        size = 0.0;
        return 1.0;
    }
    log.Append(FormatLine("Size in the game: %g Unreal units for the largest extent of %g, a factor of %.6g", size,
                          extent, units));
    return units;
}
