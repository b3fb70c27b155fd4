// Bringing every vertex into the -128..128 cube of the packed vertex format: the scale check
// (extents over all frames, then factors) and the per-vertex scale and clamp.
#pragma once

#include "scene/MeshRecords.h"

#include <cstdint>
#include <string>

class CMeshModel;

enum class VertexMode { UniformScale, XyzScale, ClipBounds };

// The factor applied to each axis, and the offset subtracted from each axis before it is scaled
// (0 unless the model is centred: subtracting 0 changes no coordinate, not even -0).
struct ScaleFactors {
    double sx = 1.0, sy = 1.0, sz = 1.0;
    double ox = 0.0, oy = 0.0, oz = 0.0;
};

// The largest absolute coordinate on each axis over every vertex of every frame.
struct Extents {
    double mx = 0.0, my = 0.0, mz = 0.0;
};

// A converted vertex: X and Y single precision, Z double precision, all within -128..128.
struct ScaledVertex {
    float x = 0.0f, y = 0.0f;
    double z = 0.0;
};

// The lowest and highest coordinate on each axis over every vertex of every frame, coordinates
// that are not numbers left out; with none, each lowest stays +infinity and each highest -infinity.
struct Bounds {
    float minX, minY, minZ, maxX, maxY, maxZ;
};

// Over frames 0 .. frameCount - 1, measured by threads threads (FrameThreads.h), each a range of
// frames; the same for any number of threads.
Extents MeasureExtents(const CMeshModel& model, std::int32_t frameCount, unsigned threads = 1);
Bounds MeasureBounds(const CMeshModel& model, std::int32_t frameCount, unsigned threads = 1);
// The largest distance on each axis between a coordinate within the bounds and the axis's offset,
// in the precision the scaling takes the offset in: without offsets, what MeasureExtents gives.
Extents ExtentsOf(const Bounds& bounds, const ScaleFactors& about = ScaleFactors{});
// Factors for UniformScale or XyzScale, and the status line to append. A factor shrinks a model
// that reaches past the cube onto its face; with fill it also grows one that does not reach it
// (every extent above 0 lands on the face).
ScaleFactors ComputeScaleFactors(const Extents& extents, VertexMode mode, bool fill, std::string& statusLine);

// How many coordinates the factors put outside the cube, where the clamp moves them (a coordinate
// that is not a number included), counted by threads threads as MeasureExtents measures.
std::uint64_t CountOutsideCube(const CMeshModel& model, std::int32_t frameCount, const ScaleFactors& factors,
                               unsigned threads = 1);

// The face of the cube, and the clamp to it by two tests in this order: above the face becomes
// the face; then anything not at or above the opposite face (not a number included) becomes it.
constexpr double kCubeFace = 128.0;

template <typename T> T ClampToCube(T value)
{
    if (value > static_cast<T>(kCubeFace))
        value = static_cast<T>(kCubeFace);
    if (!(value >= static_cast<T>(-kCubeFace)))
        value = static_cast<T>(-kCubeFace);
    return value;
}

// Scales and clamps one vertex. Inline: the writer runs it for every vertex of every frame.
inline ScaledVertex ScaleVertex(const FrameVertex& vertex, const ScaleFactors& factors)
{
    ScaledVertex out;
    out.x = ClampToCube(static_cast<float>((static_cast<double>(vertex.x) - factors.ox) * factors.sx));
    out.y = ClampToCube(static_cast<float>((static_cast<double>(vertex.y) - factors.oy) * factors.sy));
    out.z = ClampToCube((static_cast<double>(vertex.z) - factors.oz) * factors.sz);
    return out;
}
