#include "convert/RangeConversion.h"

#include "convert/FrameThreads.h"
#include "platform/Lanes.h"
#include "platform/StatusLine.h"
#include "scene/MeshModel.h"

#include <vector>

namespace {

// An extent always holds exactly some single-precision magnitude, so it is kept in single
// precision while the pass runs and widened at the end: comparing in either precision gives the
// same answer. A coordinate that is not a number never compares greater, and -0 never exceeds 0,
// so the largest of the lanes' extents is the extent of all the coordinates, whatever their order.
template <typename T> inline __attribute__((always_inline)) void Widen(T& extent, const T& coordinate)
{
    const T magnitude = coordinate < 0.0f ? coordinate * -1.0f : coordinate;
    extent = magnitude > extent ? magnitude : extent;
}

// Widens extent by every coordinate of one axis, eight at a time; every lane keeps its own largest
// magnitude, and four sets of lanes take turns, so that no comparison waits for the one before.
TARNEX_LANE_KERNEL void WidenAll(float& extent, const std::vector<float>& coordinates)
{
    const float* c = coordinates.data();
    const std::size_t n = coordinates.size();
    Float8 lanes0{}, lanes1{}, lanes2{}, lanes3{};
    std::size_t i = 0;
    for (; i + 32 <= n; i += 32) {
        Float8 next0, next1, next2, next3;
        LoadLanes(c + i, next0);
        LoadLanes(c + i + 8, next1);
        LoadLanes(c + i + 16, next2);
        LoadLanes(c + i + 24, next3);
        Widen(lanes0, next0);
        Widen(lanes1, next1);
        Widen(lanes2, next2);
        Widen(lanes3, next3);
    }
    for (; i + 8 <= n; i += 8) {
        Float8 next;
        LoadLanes(c + i, next);
        Widen(lanes0, next);
    }
    for (const Float8* lanes : {&lanes0, &lanes1, &lanes2, &lanes3})
        for (int k = 0; k < 8; ++k)
            Widen(extent, (*lanes)[k]);
    for (; i < n; ++i)
        Widen(extent, c[i]);
}

} // namespace

Extents MeasureExtents(const CMeshModel& model, std::int32_t frameCount, unsigned threads)
{
    // Only the positions are measured, one axis at a time, frame after frame in one set of arrays
    // per range of frames. A range's extents are magnitudes that are never -0 or not a number, so
    // the largest of the ranges' is the extent of all the frames, whatever the ranges.
    struct Part {
        float mx = 0.0f, my = 0.0f, mz = 0.0f;
    };
    std::vector<Part> parts(FrameRangeCount(frameCount, threads));
    ForEachFrameRange(frameCount, threads, [&](std::int32_t begin, std::int32_t end, unsigned part) {
        Part& p = parts[part];
        FramePositions positions;
        for (std::int32_t i = begin; i < end; ++i) {
            model.BuildFramePositions(i, positions);
            RunLanes<WidenAll>(p.mx, positions.x);
            RunLanes<WidenAll>(p.my, positions.y);
            RunLanes<WidenAll>(p.mz, positions.z);
        }
    });
    float mx = 0.0f, my = 0.0f, mz = 0.0f;
    for (const Part& p : parts) {
        Widen(mx, p.mx);
        Widen(my, p.my);
        Widen(mz, p.mz);
    }
    Extents extents;
    extents.mx = mx;
    extents.my = my;
    extents.mz = mz;
    return extents;
}

ScaleFactors ComputeScaleFactors(const Extents& extents, VertexMode mode, bool fill, std::string& statusLine)
{
    // The extent from which an axis is scaled: past the face, or with fill anything above 0.
    const double from = fill ? 0.0 : kCubeFace;
    ScaleFactors factors;
    if (mode == VertexMode::UniformScale) {
        double m = extents.mx;
        if (extents.my > m)
            m = extents.my;
        if (extents.mz > m)
            m = extents.mz;
        if (m > from)
            factors.sx = factors.sy = factors.sz = kCubeFace / m;
        statusLine = FormatLine("Uniform Scale applied: %.3f", factors.sx);
    } else if (mode == VertexMode::XyzScale) {
        if (extents.mx > from)
            factors.sx = kCubeFace / extents.mx;
        if (extents.my > from)
            factors.sy = kCubeFace / extents.my;
        if (extents.mz > from)
            factors.sz = kCubeFace / extents.mz;
        statusLine = FormatLine("Scale applied: X:%.3f Y:%.3f Z:%.3f", factors.sx, factors.sy, factors.sz);
    } else {
        statusLine.clear();
    }
    return factors;
}

std::uint64_t CountOutsideCube(const CMeshModel& model, std::int32_t frameCount, const ScaleFactors& factors,
                               unsigned threads)
{
    const auto outside = [](double value) { return !(value >= -kCubeFace && value <= kCubeFace); };
    std::vector<std::uint64_t> counts(FrameRangeCount(frameCount, threads));
    ForEachFrameRange(frameCount, threads, [&](std::int32_t begin, std::int32_t end, unsigned part) {
        std::uint64_t count = 0;
        FramePositions positions;
        for (std::int32_t i = begin; i < end; ++i) {
            model.BuildFramePositions(i, positions);
            for (std::size_t k = 0; k < positions.Count(); ++k) {
                count += outside(static_cast<float>(static_cast<double>(positions.x[k]) * factors.sx));
                count += outside(static_cast<float>(static_cast<double>(positions.y[k]) * factors.sy));
                count += outside(static_cast<double>(positions.z[k]) * factors.sz);
            }
        }
        counts[part] = count;
    });
    std::uint64_t total = 0;
    for (const std::uint64_t count : counts)
        total += count;
    return total;
}
