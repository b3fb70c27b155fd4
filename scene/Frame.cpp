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

    const FrameVertex rest{};
    const FrameVertex unit{1.0f, 1.0f, 1.0f, 0.0f, 0.0f};
    std::uint32_t vertexBase = 0;
    std::size_t triangleBase = 0;
    for (const MeshObject& object : objects) {
        const Point3& o = object.origin;
        const FrameVertex& s = f < object.scaleTrack.size() ? object.scaleTrack[f] : unit;
        const FrameVertex& r = f < object.rotationTrack.size() ? object.rotationTrack[f] : rest;
        const FrameVertex& t = f < object.positionTrack.size() ? object.positionTrack[f] : rest;
        // Every vertex of the object turns by the same angles: one matrix per object and frame.
        const RotationMatrix rotation = RotationMatrix::FromAngles(-r.x, -r.y, -r.z);
        FrameVertex* out = frame.vertices.data() + vertexBase;
        for (const FrameVertex& v : object.vertices) {
            float px = v.x - o.x;
            float py = v.y - o.y;
            float pz = v.z - o.z;
            px = px * s.x;
            py = py * s.y;
            pz = pz * s.z;
            const Rotated turned = rotation.Apply(px, py, pz);
            out->x = (o.x + turned.x) + t.x;
            out->y = (o.y + turned.y) + t.y;
            out->z = (o.z + turned.z) + t.z;
            out->u = v.u;
            out->v = v.v;
            ++out;
        }
        for (std::size_t i = 0; i < object.triangles.size(); ++i)
            CopyTriangle(object.triangles[i], vertexBase, frame.triangles[triangleBase + i]);
        vertexBase += static_cast<std::uint32_t>(object.vertices.size());
        triangleBase += object.triangles.size();
    }
}
