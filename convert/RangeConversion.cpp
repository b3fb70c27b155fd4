#include "convert/RangeConversion.h"

#include "convert/FrameThreads.h"
#include "platform/Lanes.h"
#include "platform/StatusLine.h"
#include "scene/MeshModel.h"

#include <limits>
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

// The lowest and highest of every coordinate of one axis, eight at a time: a coordinate that is
// not a number compares false both ways and moves neither.
TARNEX_LANE_KERNEL void SpanAll(float& lowest, float& highest, const std::vector<float>& coordinates)
{
    const float* c = coordinates.data();
    const std::size_t n = coordinates.size();
    Float8 low = Float8{} + lowest, high = Float8{} + highest;
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        Float8 next;
        LoadLanes(c + i, next);
        low = next < low ? next : low;
        high = next > high ? next : high;
    }
    for (int k = 0; k < 8; ++k) {
        lowest = low[k] < lowest ? low[k] : lowest;
        highest = high[k] > highest ? high[k] : highest;
    }
    for (; i < n; ++i) {
        lowest = c[i] < lowest ? c[i] : lowest;
        highest = c[i] > highest ? c[i] : highest;
    }
}

// ScaleVertex before its clamp.
ScaledVertex Unclamped(const FramePositions& p, std::size_t k, const ScaleFactors& f)
{
    ScaledVertex v;
    v.x = static_cast<float>((static_cast<double>(p.x[k]) - f.ox) * f.sx);
    v.y = static_cast<float>((static_cast<double>(p.y[k]) - f.oy) * f.sy);
    v.z = (static_cast<double>(p.z[k]) - f.oz) * f.sz;
    return v;
}

} // namespace

Bounds MeasureBounds(const CMeshModel& model, std::int32_t frameCount, unsigned threads)
{
    // Each range of frames has bounds of its own, combined in range order at the end: the lowest
    // and highest are the same whatever the ranges (a -0 and a +0 may trade places, which no
    // offset, extent or packed word tells apart).
    constexpr float none = std::numeric_limits<float>::infinity();
    std::vector<Bounds> parts(FrameRangeCount(frameCount, threads), Bounds{none, none, none, -none, -none, -none});
    ForEachFrameRange(frameCount, threads, [&](std::int32_t begin, std::int32_t end, unsigned part) {
        Bounds& b = parts[part];
        FramePositions positions;
        for (std::int32_t i = begin; i < end; ++i) {
            model.BuildFramePositions(i, positions);
            RunLanes<SpanAll>(b.minX, b.maxX, positions.x);
            RunLanes<SpanAll>(b.minY, b.maxY, positions.y);
            RunLanes<SpanAll>(b.minZ, b.maxZ, positions.z);
        }
    });
    Bounds b{none, none, none, -none, -none, -none};
    const auto span = [](float& lowest, float& highest, float low, float high) {
        lowest = low < lowest ? low : lowest;
        highest = high > highest ? high : highest;
    };
    for (const Bounds& p : parts) {
        span(b.minX, b.maxX, p.minX, p.maxX);
        span(b.minY, b.maxY, p.minY, p.maxY);
        span(b.minZ, b.maxZ, p.minZ, p.maxZ);
    }
    return b;
}

Extents ExtentsOf(const Bounds& b, const ScaleFactors& about)
{
    // The infinities of an axis without coordinates never exceed 0 here; the distance below the
    // offset is the negated difference, exactly.
    const auto largest = [](float lowest, float highest, double offset) {
        double m = 0.0;
        if (offset - static_cast<double>(lowest) > m)
            m = offset - static_cast<double>(lowest);
        if (static_cast<double>(highest) - offset > m)
            m = static_cast<double>(highest) - offset;
        return m;
    };
    return Extents{largest(b.minX, b.maxX, about.ox), largest(b.minY, b.maxY, about.oy),
                   largest(b.minZ, b.maxZ, about.oz)};
}

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
                const ScaledVertex v = Unclamped(positions, k, factors);
                count += outside(v.x) + outside(v.y) + outside(v.z);
            }
        }
        counts[part] = count;
    });
    std::uint64_t total = 0;
    for (const std::uint64_t count : counts)
        total += count;
    return total;
}
