#include "convert/VertexPacking.h"

#include "platform/Lanes.h"

#include <algorithm>

namespace {

std::uint32_t PackField(double scaled, const PackedField& field)
{
    auto value = static_cast<std::int32_t>(scaled); // within -1024..1024: always fits
    // The cube's far face is one step past the field's largest value and is held to it; the near
    // face is exactly its lowest. The mask keeps the field's bits of the two's complement.
    if (value > field.Largest())
        value = field.Largest();
    return (static_cast<std::uint32_t>(value) & field.Mask()) << field.shift;
}

// The lanes below run, for four vertices side by side, the operations of ScaleVertex and
// PackVertex in their order and precision.

// x less the offset, times the factor, in double precision, rounded to single precision, clamped
// to the cube, in eighths, truncated toward zero and held to the field.
inline __attribute__((always_inline)) void SingleField(const float* from, double offset, double factor,
                                                       const PackedField& field, Int4& out)
{
    Float4 narrow;
    LoadLanes(from, narrow);
    Float4 x = __builtin_convertvector((__builtin_convertvector(narrow, Double4) - offset) * factor, Float4);
    // ClampToCube's two tests: a lane that is not a number fails the second and becomes -128.
    x = x > 128.0f ? Float4{} + 128.0f : x;
    x = x >= -128.0f ? x : Float4{} - 128.0f;
    const Int4 units = __builtin_convertvector(x * static_cast<float>(field.unitsPerCoordinate), Int4);
    out = ((units > field.Largest() ? Int4{} + field.Largest() : units) & static_cast<std::int32_t>(field.Mask()))
          << field.shift;
}

// z less the offset, times the factor, in double precision, clamped to the cube, in quarters,
// truncated toward zero and held to the field.
inline __attribute__((always_inline)) void DoubleField(const float* from, double offset, double factor,
                                                       const PackedField& field, Int4& out)
{
    Float4 narrow;
    LoadLanes(from, narrow);
    Double4 z = (__builtin_convertvector(narrow, Double4) - offset) * factor;
    z = z > 128.0 ? Double4{} + 128.0 : z;
    z = z >= -128.0 ? z : Double4{} - 128.0;
    const Int4 units = __builtin_convertvector(z * static_cast<double>(field.unitsPerCoordinate), Int4);
    out = ((units > field.Largest() ? Int4{} + field.Largest() : units) & static_cast<std::int32_t>(field.Mask()))
          << field.shift;
}

TARNEX_LANE_KERNEL void PackLanes(const FramePositions& positions, std::size_t first, std::size_t count,
                                  const ScaleFactors& f, std::uint8_t* out)
{
    for (std::size_t i = first; i + 4 <= first + count; i += 4, out += 16) {
        Int4 x, y, z;
        SingleField(positions.x.data() + i, f.ox, f.sx, kPackedX, x);
        SingleField(positions.y.data() + i, f.oy, f.sy, kPackedY, y);
        DoubleField(positions.z.data() + i, f.oz, f.sz, kPackedZ, z);
        StoreLanes(out, x | y | z); // the lanes in memory are the words, little-endian
    }
}

} // namespace

std::uint32_t PackVertex(const ScaledVertex& vertex)
{
    const auto units = [](const PackedField& field) { return static_cast<float>(field.unitsPerCoordinate); };
    return PackField(static_cast<double>(vertex.x * units(kPackedX)), kPackedX) |
           PackField(static_cast<double>(vertex.y * units(kPackedY)), kPackedY) |
           PackField(vertex.z * static_cast<double>(kPackedZ.unitsPerCoordinate), kPackedZ);
}

void PackPositions(const FramePositions& positions, std::size_t first, std::size_t count,
                   const ScaleFactors& factors, std::uint8_t* out)
{
    // Whole groups of four go through the lanes; the last one to three vertices one at a time.
    const std::size_t lanes = count / 4 * 4;
    RunLanes<PackLanes>(positions, first, lanes, factors, out);
    for (std::size_t i = first + lanes; i < first + count; ++i) {
        const FrameVertex v{positions.x[i], positions.y[i], positions.z[i], 0.0f, 0.0f};
        const std::uint32_t word = PackVertex(ScaleVertex(v, factors));
        std::uint8_t* at = out + 4 * (i - first);
        at[0] = static_cast<std::uint8_t>(word);
        at[1] = static_cast<std::uint8_t>(word >> 8);
        at[2] = static_cast<std::uint8_t>(word >> 16);
        at[3] = static_cast<std::uint8_t>(word >> 24);
    }
}

void PackDeusExVertex(const ScaledVertex& vertex, std::uint8_t* out)
{
    // Times 256 is exact in either precision; the cube's far face is held to the largest step.
    const auto word = [](double scaled) {
        auto value = static_cast<std::int32_t>(scaled); // within -32768..32768
        return static_cast<std::uint16_t>(std::min(value, kDeusExField.Largest()));
    };
    const double units = kDeusExField.unitsPerCoordinate;
    const std::uint16_t words[4] = {word(vertex.x * units), word(vertex.y * units), word(vertex.z * units), 0};
    for (int k = 0; k < 4; ++k) {
        out[2 * k] = static_cast<std::uint8_t>(words[k]);
        out[2 * k + 1] = static_cast<std::uint8_t>(words[k] >> 8);
    }
}

void PackPositions(VertexFormat format, const FramePositions& positions, std::size_t first, std::size_t count,
                   const ScaleFactors& factors, std::uint8_t* out)
{
    if (format == VertexFormat::Standard)
        return PackPositions(positions, first, count, factors, out);
    for (std::size_t i = first; i < first + count; ++i, out += VertexBytes(format)) {
        const FrameVertex v{positions.x[i], positions.y[i], positions.z[i], 0.0f, 0.0f};
        PackDeusExVertex(ScaleVertex(v, factors), out);
    }
}

std::uint8_t TextureByte(float coordinate)
{
    const float scaled = coordinate * 256.0f;
    // The floats whose truncation fits 32 bits: from -2^31 (the next float below it is -2^31 - 256)
    // up to, not including, 2^31. Not a number fails both comparisons.
    if (!(scaled > -2147483904.0f && scaled < 2147483648.0f))
        return 0;
    return static_cast<std::uint8_t>(static_cast<std::uint32_t>(static_cast<std::int32_t>(scaled)) & 0xFFu);
}
