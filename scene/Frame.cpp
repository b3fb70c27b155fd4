// Frame assembly: one animation frame built from the loaded scene on demand.
#include "scene/3dsModel.h"

#include "scene/Rotate.h"

namespace {

void CopyTriangle(const FrameTriangle& from, std::uint32_t vertexBase, FrameTriangle& to)
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

// Four vertices side by side. Every lane runs the operations of one vertex in the order the
// scalar code runs them, in single precision, so each result is the scalar result bit for bit.
typedef float Lanes __attribute__((vector_size(16)));

Lanes Splat(float value)
{
    return Lanes{value, value, value, value};
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
};

template <bool kTurn> void PoseVertices(const Pose& pose, const FrameVertex* in, std::size_t n, FrameVertex* out)
{
    const Point3& o = pose.o;
    const FrameVertex& s = pose.s;
    const FrameVertex& t = pose.t;
    const auto& m = pose.rotation.m;
    std::size_t i = 0;
    for (; i + 4 <= n; i += 4) {
        const FrameVertex* v = in + i;
        Lanes px = Lanes{v[0].x, v[1].x, v[2].x, v[3].x} - Splat(o.x);
        Lanes py = Lanes{v[0].y, v[1].y, v[2].y, v[3].y} - Splat(o.y);
        Lanes pz = Lanes{v[0].z, v[1].z, v[2].z, v[3].z} - Splat(o.z);
        px = px * Splat(s.x);
        py = py * Splat(s.y);
        pz = pz * Splat(s.z);
        Lanes rx = px, ry = py, rz = pz;
        if constexpr (kTurn) {
            rx = Splat(m[0][0]) * px + Splat(m[1][0]) * py + Splat(m[2][0]) * pz;
            ry = Splat(m[0][1]) * px + Splat(m[1][1]) * py + Splat(m[2][1]) * pz;
            rz = Splat(m[0][2]) * px + Splat(m[1][2]) * py + Splat(m[2][2]) * pz;
        }
        const Lanes x = (Splat(o.x) + rx) + Splat(t.x);
        const Lanes y = (Splat(o.y) + ry) + Splat(t.y);
        const Lanes z = (Splat(o.z) + rz) + Splat(t.z);
        for (int k = 0; k < 4; ++k)
            out[i + static_cast<std::size_t>(k)] = FrameVertex{x[k], y[k], z[k], v[k].u, v[k].v};
    }
    for (; i < n; ++i) {
        const FrameVertex& v = in[i];
        float px = v.x - o.x;
        float py = v.y - o.y;
        float pz = v.z - o.z;
        px = px * s.x;
        py = py * s.y;
        pz = pz * s.z;
        const Rotated turned = kTurn ? pose.rotation.Apply(px, py, pz) : Rotated{px, py, pz};
        out[i] = FrameVertex{(o.x + turned.x) + t.x, (o.y + turned.y) + t.y, (o.z + turned.z) + t.z, v.u, v.v};
    }
}

// Writes the object's vertices in their pose for frame f to out.
void PoseObject(const MeshObject& object, std::size_t f, FrameVertex* out)
{
    const Pose pose(object, f);
    if (pose.rotation.identity)
        PoseVertices<false>(pose, object.vertices.data(), object.vertices.size(), out);
    else
        PoseVertices<true>(pose, object.vertices.data(), object.vertices.size(), out);
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

    std::uint32_t vertexBase = 0;
    std::size_t triangleBase = 0;
    for (const MeshObject& object : objects) {
        PoseObject(object, f, frame.vertices.data() + vertexBase);
        for (std::size_t i = 0; i < object.triangles.size(); ++i)
            CopyTriangle(object.triangles[i], vertexBase, frame.triangles[triangleBase + i]);
        vertexBase += static_cast<std::uint32_t>(object.vertices.size());
        triangleBase += object.triangles.size();
    }
}

void C3dsModel::BuildFrameVertices(std::int32_t frameIndex, MeshFrame& frame) const
{
    frame.perVertexUV = 1;
    frame.triangleCount = 0;
    frame.triangles.clear();
    if (frameIndex < 0 || frameIndex >= GetFrameCount() ||
        (byName && static_cast<std::size_t>(frameIndex) >= sortedObjects.size())) {
        frame.Release();
        return;
    }
    if (byName) {
        const MeshObject& object = *sortedObjects[static_cast<std::size_t>(frameIndex)];
        frame.name = object.name;
        frame.vertexCount = object.vertexCount;
        frame.vertices.assign(object.vertices.begin(), object.vertices.end());
    } else {
        BuildVerticesByKey(static_cast<std::size_t>(frameIndex), frame);
    }
}

void C3dsModel::BuildVerticesByKey(std::size_t frameIndex, MeshFrame& frame) const
{
    std::size_t vertexTotal = 0;
    for (const MeshObject& object : objects)
        vertexTotal += object.vertices.size();
    frame.name = objects.empty() ? std::string() : objects.front().name;
    frame.vertexCount = static_cast<std::uint32_t>(vertexTotal);
    frame.vertices.resize(vertexTotal); // every entry is overwritten below
    std::size_t vertexBase = 0;
    for (const MeshObject& object : objects) {
        PoseObject(object, frameIndex, frame.vertices.data() + vertexBase);
        vertexBase += object.vertices.size();
    }
}
