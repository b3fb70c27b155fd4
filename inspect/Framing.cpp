#include "inspect/Framing.h"

#include "convert/VertexPacking.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// Frames are read a few megabytes at a time when all of them are looked at.
constexpr std::size_t kPieceBytes = std::size_t{8} << 20;

// The steps a unit holds on an axis of the box's format.
float StepsPerUnit(const StepBox& box, int axis)
{
    return static_cast<float>(FieldOf(box.format, axis).unitsPerCoordinate);
}

// The steps of the whole cube on an axis.
std::string AxisSteps(const StepBox& box, int axis)
{
    return std::to_string(2 * (FieldOf(box.format, axis).Largest() + 1));
}

} // namespace

void ExtendReach(StepBox& box, const std::uint8_t* frame, std::uint32_t vertices)
{
    for (std::uint32_t v = 0; v < vertices; ++v) {
        const PackedSteps s = StepsAt(box.format, frame + VertexBytes(box.format) * std::size_t{v});
        box.low = {std::min(box.low.x, s.x), std::min(box.low.y, s.y), std::min(box.low.z, s.z)};
        box.high = {std::max(box.high.x, s.x), std::max(box.high.y, s.y), std::max(box.high.z, s.z)};
    }
}

bool ModelReach(CMeshPair& pair, StepBox& box, std::uint64_t budgetBytes)
{
    box = StepBox{};
    box.format = pair.Format();
    box.framesOfPair = pair.FrameCount();
    const std::uint32_t frames = pair.FrameCount(), frameSize = pair.FrameSize();
    if (frames == 0 || frameSize == 0)
        return true;
    std::vector<std::uint8_t> bytes;
    const std::uint64_t within = std::max<std::uint64_t>(1, budgetBytes / frameSize);
    if (frames <= within) {
        const auto perPiece = static_cast<std::uint32_t>(std::max<std::size_t>(1, kPieceBytes / frameSize));
        for (std::uint32_t first = 0; first < frames; first += perPiece) {
            const std::uint32_t count = std::min(perPiece, frames - first);
            if (!pair.ReadFrames(first, count, bytes))
                return false;
            for (std::uint32_t f = 0; f < count; ++f)
                ExtendReach(box, bytes.data() + std::size_t{f} * frameSize, pair.VertexCount());
        }
        box.framesSeen = frames;
        return true;
    }
    // within is below frames here, so the sample's frame numbers fit 32 bits.
    const auto sample = static_cast<std::uint32_t>(within);
    for (std::uint32_t i = 0; i < sample; ++i) {
        const auto frame =
            sample == 1 ? 0u : static_cast<std::uint32_t>(std::uint64_t{i} * (frames - 1) / (sample - 1));
        if (!pair.ReadFrames(frame, 1, bytes))
            return false;
        ExtendReach(box, bytes.data(), pair.VertexCount());
    }
    box.framesSeen = sample;
    return true;
}

PreviewFraming FrameReach(const StepBox& box)
{
    if (box.Empty())
        return WholeCube();
    const int low[3] = {box.low.x, box.low.y, box.low.z};
    const int high[3] = {box.high.x, box.high.y, box.high.z};
    PreviewFraming framing;
    float squares = 0.0f;
    for (int k = 0; k < 3; ++k) {
        framing.centre[k] = static_cast<float>(low[k] + high[k]) / 2.0f / StepsPerUnit(box, k);
        const float half = static_cast<float>(high[k] - low[k]) / 2.0f / StepsPerUnit(box, k);
        squares += half * half;
    }
    // A sphere through the box's corners; the margin is the whole cube's own (1.8 against the
    // half diagonal's square root of 3).
    framing.radius = std::max(1.0f, std::sqrt(squares)) * 1.04f;
    return framing;
}

void TurnWheel(ViewZoom& zoom, int delta)
{
    // Summed in 64 bits: a wheel may send any delta.
    const long long units = static_cast<long long>(zoom.part) + delta;
    const long long notches = zoom.notches + units / kWheelNotch;
    zoom.notches = static_cast<int>(std::clamp<long long>(notches, kZoomOutNotches, kZoomInNotches));
    zoom.part = static_cast<int>(units % kWheelNotch);
    if ((zoom.notches == kZoomInNotches && zoom.part > 0) || (zoom.notches == kZoomOutNotches && zoom.part < 0))
        zoom.part = 0;
}

PreviewFraming Zoomed(const PreviewFraming& framing, const ViewZoom& zoom)
{
    PreviewFraming zoomed = framing;
    zoomed.radius = framing.radius / std::pow(kZoomPerNotch, static_cast<float>(zoom.notches));
    return zoomed;
}

std::string SpanLine(const StepBox& box)
{
    if (box.Empty())
        return "The model has no vertices to span";
    std::string line = "The model spans " + std::to_string(box.high.x - box.low.x) + " of " + AxisSteps(box, 0) +
                       " grid steps in X, " + std::to_string(box.high.y - box.low.y) + " of " + AxisSteps(box, 1) +
                       " in Y, " + std::to_string(box.high.z - box.low.z) + " of " + AxisSteps(box, 2) + " in Z";
    if (box.framesSeen < box.framesOfPair)
        line += " (over " + std::to_string(box.framesSeen) + " of " + std::to_string(box.framesOfPair) +
                " frames, evenly spread)";
    return line;
}
