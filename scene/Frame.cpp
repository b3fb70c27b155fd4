// Frame assembly: one animation frame built from the loaded scene on demand.
#include "scene/3dsModel.h"

#include "scene/Rotate.h"
#include "scene/VectorClones.h"

#include <cstring>

namespace {

void CopyTriangle(const MeshTriangle& from, std::uint32_t vertexBase, FrameTriangle& to)
{
    to.index0 = from.index0 + vertexBase;
    to.index1 = from.index1 + vertexBase;
    to.index2 = from.index2 + vertexBase;
    // The per-face mapping values are not carried into frames; they are left at zero.
    to.mapU0 = to.mapU1 = to.mapU2 = 0.0f;
    to.mapV0 = to.mapV1 = to.mapV2 = 0.0f;
    to.skinIndex = from.skinIndex;
    to.typeCode = from.typeCode;
    to.flagW = from.flagW;
    to.flagB = from.flagB;
    to.flagF = from.flagF;
    to.flagE = from.flagE;
    to.flagN = from.flagN;
    to.xByte = from.xByte;
    to.cByte = from.cByte;
}

// The object's pose at one frame: its vertices are taken relative to the origin, scaled, turned
// and moved back and along the position track.
struct Pose {
    Point3 o;
    FrameVertex s;
    FrameVertex t;
    RotationMatrix rotation;

    Pose(const MeshObject& object, std::size_t f)
    {
        const FrameVertex rest{};
        const FrameVertex unit{1.0f, 1.0f, 1.0f, 0.0f, 0.0f};
        o = object.origin;
        s = f < object.scaleTrack.size() ? object.scaleTrack[f] : unit;
        t = f < object.positionTrack.size() ? object.positionTrack[f] : rest;
        const FrameVertex& r = f < object.rotationTrack.size() ? object.rotationTrack[f] : rest;
        // Every vertex of the object turns by the same angles: one matrix per object and frame.
        rotation = RotationMatrix::FromAngles(-r.x, -r.y, -r.z);
    }

    // One vertex, given relative to the origin (x - o.x, y - o.y, z - o.z).
    FrameVertex Place(float px, float py, float pz) const
    {
        px = px * s.x;
        py = py * s.y;
        pz = pz * s.z;
        const Rotated turned = rotation.Apply(px, py, pz);
        return FrameVertex{(o.x + turned.x) + t.x, (o.y + turned.y) + t.y, (o.z + turned.z) + t.z, 0.0f, 0.0f};
    }
};

// Eight vertices side by side. Every lane runs the operations of one vertex in the order Place
// runs them, in single precision, so each result is Place's result bit for bit.
constexpr std::size_t kLanes = 8;
typedef float Lanes __attribute__((vector_size(4 * kLanes)));
// The vectors below are passed by value only inside this file, between inlined functions.
#pragma GCC diagnostic ignored "-Wpsabi"

inline Lanes Load(const float* from)
{
    Lanes lanes;
    std::memcpy(&lanes, from, sizeof lanes);
    return lanes;
}

inline void Store(float* to, const Lanes& lanes)
{
    std::memcpy(to, &lanes, sizeof lanes);
}

template <bool kTurn>
inline __attribute__((always_inline)) void PlaceLanes(const Pose& pose, const float* rx, const float* ry,
                                                      const float* rz, std::size_t n, float* x, float* y, float* z)
{
    const auto& m = pose.rotation.m;
    std::size_t i = 0;
    for (; i + kLanes <= n; i += kLanes) {
        const Lanes px = Load(rx + i) * pose.s.x;
        const Lanes py = Load(ry + i) * pose.s.y;
        const Lanes pz = Load(rz + i) * pose.s.z;
        Lanes tx = px, ty = py, tz = pz;
        if constexpr (kTurn) {
            tx = m[0][0] * px + m[1][0] * py + m[2][0] * pz;
            ty = m[0][1] * px + m[1][1] * py + m[2][1] * pz;
            tz = m[0][2] * px + m[1][2] * py + m[2][2] * pz;
        }
        Store(x + i, (pose.o.x + tx) + pose.t.x);
        Store(y + i, (pose.o.y + ty) + pose.t.y);
        Store(z + i, (pose.o.z + tz) + pose.t.z);
    }
    for (; i < n; ++i) {
        const FrameVertex placed = pose.Place(rx[i], ry[i], rz[i]);
        x[i] = placed.x;
        y[i] = placed.y;
        z[i] = placed.z;
    }
}

// Places n vertices given relative to the object's origin. Built twice, for processors with and
// without 256-bit vectors; the operations and their order are the same in both.
TARNEX_VECTOR_CLONES void PlaceVertices(const Pose& pose, const float* rx, const float* ry, const float* rz,
                                        std::size_t n, float* x, float* y, float* z)
{
    if (pose.rotation.identity)
        PlaceLanes<false>(pose, rx, ry, rz, n, x, y, z);
    else
        PlaceLanes<true>(pose, rx, ry, rz, n, x, y, z);
}

} // namespace

void C3dsModel::BuildFrame(std::int32_t frameIndex, MeshFrame& frame) const
{
    frame.Release();
    frame.perVertexUV = 1;
    if (frameIndex < 0 || frameIndex >= GetFrameCount())
        return;
    if (byName)
        BuildFrameByName(frameIndex, frame);
    else
        BuildFrameByKey(frameIndex, frame);
}

void C3dsModel::BuildFrameByName(std::int32_t frameIndex, MeshFrame& frame) const
{
    if (static_cast<std::size_t>(frameIndex) >= sortedObjects.size())
        return;
    const MeshObject& object = *sortedObjects[static_cast<std::size_t>(frameIndex)];
    frame.name = object.name;
    frame.vertexCount = object.vertexCount;
    frame.triangleCount = object.triangleCount;
    frame.vertices.assign(object.vertices.begin(), object.vertices.end());
    frame.triangles.resize(object.triangles.size());
    for (std::size_t i = 0; i < object.triangles.size(); ++i)
        CopyTriangle(object.triangles[i], 0, frame.triangles[i]);
}

void C3dsModel::BuildFrameByKey(std::int32_t frameIndex, MeshFrame& frame) const
{
    const auto f = static_cast<std::size_t>(frameIndex);
    std::size_t vertexTotal = 0, triangleTotal = 0;
    for (const MeshObject& object : objects) {
        vertexTotal += object.vertices.size();
        triangleTotal += object.triangles.size();
    }
    frame.name = objects.empty() ? std::string() : objects.front().name;
    frame.vertexCount = static_cast<std::uint32_t>(vertexTotal);
    frame.triangleCount = static_cast<std::uint32_t>(triangleTotal);
    frame.vertices.resize(vertexTotal);
    frame.triangles.resize(triangleTotal);

    // The positions are placed as the passes over positions place them, then joined with u, v.
    FramePositions positions;
    BuildPositionsByKey(f, positions);
    std::size_t vertexBase = 0;
    std::size_t triangleBase = 0;
    for (const MeshObject& object : objects) {
        FrameVertex* out = frame.vertices.data() + vertexBase;
        for (std::size_t i = 0; i < object.vertices.size(); ++i) {
            const std::size_t at = vertexBase + i;
            out[i] = FrameVertex{positions.x[at], positions.y[at], positions.z[at], object.vertices[i].u,
                                 object.vertices[i].v};
        }
        for (std::size_t i = 0; i < object.triangles.size(); ++i)
            CopyTriangle(object.triangles[i], static_cast<std::uint32_t>(vertexBase), frame.triangles[triangleBase + i]);
        vertexBase += object.vertices.size();
        triangleBase += object.triangles.size();
    }
}

void C3dsModel::BuildFramePositions(std::int32_t frameIndex, FramePositions& positions) const
{
    if (frameIndex < 0 || frameIndex >= GetFrameCount() ||
        (byName && static_cast<std::size_t>(frameIndex) >= sortedObjects.size())) {
        positions.Resize(0);
        return;
    }
    if (!byName) {
        BuildPositionsByKey(static_cast<std::size_t>(frameIndex), positions);
        return;
    }
    const MeshObject& object = *sortedObjects[static_cast<std::size_t>(frameIndex)];
    positions.Resize(object.vertices.size());
    for (std::size_t i = 0; i < object.vertices.size(); ++i) {
        positions.x[i] = object.vertices[i].x;
        positions.y[i] = object.vertices[i].y;
        positions.z[i] = object.vertices[i].z;
    }
}

void C3dsModel::BuildPositionsByKey(std::size_t frameIndex, FramePositions& positions) const
{
    if (!relativeReady_) {
        std::size_t total = 0;
        for (const MeshObject& object : objects)
            total += object.vertices.size();
        relative_.Resize(total);
        std::size_t i = 0;
        for (const MeshObject& object : objects) {
            for (const FrameVertex& v : object.vertices) {
                relative_.x[i] = v.x - object.origin.x;
                relative_.y[i] = v.y - object.origin.y;
                relative_.z[i] = v.z - object.origin.z;
                ++i;
            }
        }
        relativeReady_ = true;
    }
    positions.Resize(relative_.Count()); // every entry is overwritten below
    std::size_t base = 0;
    for (const MeshObject& object : objects) {
        const std::size_t n = object.vertices.size();
        PlaceVertices(Pose(object, frameIndex), relative_.x.data() + base, relative_.y.data() + base,
                      relative_.z.data() + base, n, positions.x.data() + base, positions.y.data() + base,
                      positions.z.data() + base);
        base += n;
    }
}
