#include "scene/Frame.h"

#include "platform/Lanes.h"
#include "scene/Rotate.h"

namespace {

bool ByName(const SceneData& scene)
{
    return scene.frameMode == FrameMode::ByObjectName;
}

bool InRange(const SceneData& scene, std::int32_t frameIndex)
{
    return frameIndex >= 0 && frameIndex < FrameCount(scene) &&
           (!ByName(scene) || static_cast<std::size_t>(frameIndex) < scene.sortedObjects.size());
}

void CopyTriangle(const MeshTriangle& from, std::uint32_t vertexBase, FrameTriangle& to)
{
    to.index0 = from.index0 + vertexBase;
    to.index1 = from.index1 + vertexBase;
    to.index2 = from.index2 + vertexBase;
    // The per-face mapping values are not carried into frames; they are left at zero.
    to.mapU0 = to.mapU1 = to.mapU2 = 0.0f;
    to.mapV0 = to.mapV1 = to.mapV2 = 0.0f;
    const TriangleOptions& o = from.options;
    to.skinIndex = o.skinIndex;
    to.typeCode = o.typeCode;
    to.flagW = o.flagW;
    to.flagB = o.flagB;
    to.flagF = o.flagF;
    to.flagE = o.flagE;
    to.flagN = o.flagN;
    to.xByte = o.xByte;
    to.cByte = o.cByte;
}

// The object's pose at one frame: its vertices are taken relative to the origin, scaled, turned
// and moved back and along the position track.
struct Pose {
    Pose() = default;

    Vec3 o;
    Vec3 s;
    Vec3 t;
    RotationMatrix rotation;

    // f is a scene frame: key-frame frame j shows scene frame firstFrame + j.
    Pose(const MeshObject& object, std::uint64_t f)
        : o(object.origin), s(TrackValue(object.scaleTrack, Vec3{1.0f, 1.0f, 1.0f}, f)),
          t(TrackValue(object.positionTrack, Vec3{}, f))
    {
        // Every vertex of the object turns by the same angles: one matrix per object and frame.
        const Vec3 r = TrackValue(object.rotationTrack, f);
        rotation = RotationMatrix::FromAngles(-r.x, -r.y, -r.z);
    }

    // One vertex, given relative to the origin (x - o.x, y - o.y, z - o.z).
    Vec3 Place(float px, float py, float pz) const
    {
        px = px * s.x;
        py = py * s.y;
        pz = pz * s.z;
        const Vec3 turned = rotation.Apply(px, py, pz);
        return Vec3{(o.x + turned.x) + t.x, (o.y + turned.y) + t.y, (o.z + turned.z) + t.z};
    }
};

// Places n vertices eight at a time; every lane runs Place's operations in Place's order.
template <bool kTurn>
inline __attribute__((always_inline)) void PlaceLanes(const Pose& pose, const float* rx, const float* ry,
                                                      const float* rz, std::size_t n, float* x, float* y, float* z)
{
    const auto& m = pose.rotation.m;
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        Float8 px, py, pz;
        LoadLanes(rx + i, px);
        LoadLanes(ry + i, py);
        LoadLanes(rz + i, pz);
        px = px * pose.s.x;
        py = py * pose.s.y;
        pz = pz * pose.s.z;
        Float8 tx = px, ty = py, tz = pz;
        if constexpr (kTurn) {
            tx = m[0][0] * px + m[1][0] * py + m[2][0] * pz;
            ty = m[0][1] * px + m[1][1] * py + m[2][1] * pz;
            tz = m[0][2] * px + m[1][2] * py + m[2][2] * pz;
        }
        StoreLanes(x + i, (pose.o.x + tx) + pose.t.x);
        StoreLanes(y + i, (pose.o.y + ty) + pose.t.y);
        StoreLanes(z + i, (pose.o.z + tz) + pose.t.z);
    }
    for (; i < n; ++i) {
        const Vec3 placed = pose.Place(rx[i], ry[i], rz[i]);
        x[i] = placed.x;
        y[i] = placed.y;
        z[i] = placed.z;
    }
}

TARNEX_LANE_KERNEL void PlaceVertices(const Pose& pose, const float* rx, const float* ry, const float* rz,
                                      std::size_t n, float* x, float* y, float* z)
{
    if (pose.rotation.identity)
        PlaceLanes<false>(pose, rx, ry, rz, n, x, y, z);
    else
        PlaceLanes<true>(pose, rx, ry, rz, n, x, y, z);
}

// The pose that moves the points relative to the object's origin o by the map a: a p = R (p - o)
// + (R o + t), in single precision.
Pose MapPose(const Affine& a, const Vec3& o)
{
    Pose pose;
    pose.s = Vec3{1.0f, 1.0f, 1.0f};
    const double p[3] = {o.x, o.y, o.z};
    float moved[3];
    for (int i = 0; i < 3; ++i) {
        moved[i] = static_cast<float>(a.m[i][0] * p[0] + a.m[i][1] * p[1] + a.m[i][2] * p[2] + a.m[i][3]);
        for (int j = 0; j < 3; ++j)
            pose.rotation.m[j][i] = static_cast<float>(a.m[i][j]); // row vectors: the transpose
    }
    pose.o = Vec3{moved[0], moved[1], moved[2]};
    pose.rotation.identity = false;
    return pose;
}

void PlaceAll(const SceneData& scene, const KeyFramePoints& points, std::size_t frameIndex,
              FramePositions& positions)
{
    const FramePositions& relative = points.relative;
    positions.Resize(relative.Count()); // every entry is overwritten below
    std::size_t base = 0;
    const std::uint64_t sceneFrame = std::uint64_t{scene.firstFrame} + frameIndex;
    std::vector<Affine> worlds;
    if (points.exact)
        MeshWorlds(*points.exact, double(sceneFrame), worlds);
    for (const std::uint32_t index : points.placed) {
        const MeshObject& object = scene.objects[index];
        const std::size_t n = object.vertices.size();
        if (points.exact) {
            const ExactPlan& plan = *points.exact;
            const std::int64_t node = plan.objectNode[index];
            const auto at = static_cast<std::size_t>(node);
            if (node < 0 || worlds[at] == plan.storedWorld[at]) {
                for (std::size_t i = 0; i < n; ++i) { // exactly as stored
                    positions.x[base + i] = object.vertices[i].x;
                    positions.y[base + i] = object.vertices[i].y;
                    positions.z[base + i] = object.vertices[i].z;
                }
            } else {
                RunLanes<PlaceVertices>(MapPose(worlds[at] * plan.storedInverse[at], object.origin),
                                        relative.x.data() + base, relative.y.data() + base, relative.z.data() + base,
                                        n, positions.x.data() + base, positions.y.data() + base,
                                        positions.z.data() + base);
            }
            base += n;
            continue;
        }
        RunLanes<PlaceVertices>(Pose(object, sceneFrame), relative.x.data() + base, relative.y.data() + base,
                                relative.z.data() + base, n, positions.x.data() + base, positions.y.data() + base,
                                positions.z.data() + base);
        base += n;
    }
}

} // namespace

std::int32_t FrameCount(const SceneData& scene)
{
    return static_cast<std::int32_t>(ByName(scene) ? scene.objects.size() : scene.frameCount);
}

KeyFramePoints PrepareKeyFrames(const SceneData& scene)
{
    KeyFramePoints points;
    FramePositions& relative = points.relative;
    std::size_t total = 0;
    for (std::size_t k = 0; k < scene.objects.size(); ++k) {
        total += scene.objects[k].vertices.size();
        if (!scene.objects[k].vertices.empty())
            points.placed.push_back(static_cast<std::uint32_t>(k));
    }
    // A point's place relative to its object's origin is the same in every frame: it is taken
    // once here, and each frame only scales, turns and moves it.
    relative.Resize(total);
    std::size_t i = 0;
    for (const MeshObject& object : scene.objects) {
        for (const FrameVertex& v : object.vertices) {
            relative.x[i] = v.x - object.origin.x;
            relative.y[i] = v.y - object.origin.y;
            relative.z[i] = v.z - object.origin.z;
            ++i;
        }
    }
    return points;
}

void AssembleFrame(const SceneData& scene, const KeyFramePoints& points, std::int32_t frameIndex,
                   MeshFrame& frame)
{
    frame.Release();
    frame.perVertexUV = 1;
    if (!InRange(scene, frameIndex))
        return;
    if (ByName(scene)) {
        const MeshObject& object = *scene.sortedObjects[static_cast<std::size_t>(frameIndex)];
        frame.name = object.name;
        frame.vertexCount = object.vertexCount;
        frame.triangleCount = object.triangleCount;
        frame.vertices.assign(object.vertices.begin(), object.vertices.end());
        frame.triangles.resize(object.triangles.size());
        for (std::size_t i = 0; i < object.triangles.size(); ++i)
            CopyTriangle(object.triangles[i], 0, frame.triangles[i]);
        return;
    }

    std::size_t vertexTotal = 0, triangleTotal = 0;
    for (const MeshObject& object : scene.objects) {
        vertexTotal += object.vertices.size();
        triangleTotal += object.triangles.size();
    }
    frame.name = scene.objects.empty() ? std::string() : scene.objects.front().name;
    frame.vertexCount = static_cast<std::uint32_t>(vertexTotal);
    frame.triangleCount = static_cast<std::uint32_t>(triangleTotal);
    frame.vertices.resize(vertexTotal);
    frame.triangles.resize(triangleTotal);

    // The positions are placed as the passes over positions place them, then joined with u, v.
    FramePositions positions;
    PlaceAll(scene, points, static_cast<std::size_t>(frameIndex), positions);
    std::size_t vertexBase = 0;
    std::size_t triangleBase = 0;
    for (const MeshObject& object : scene.objects) {
        FrameVertex* out = frame.vertices.data() + vertexBase;
        for (std::size_t i = 0; i < object.vertices.size(); ++i) {
            const std::size_t at = vertexBase + i;
            out[i] = FrameVertex{positions.x[at], positions.y[at], positions.z[at], object.vertices[i].u,
                                 object.vertices[i].v};
        }
        for (std::size_t i = 0; i < object.triangles.size(); ++i)
            CopyTriangle(object.triangles[i], static_cast<std::uint32_t>(vertexBase),
                         frame.triangles[triangleBase + i]);
        vertexBase += object.vertices.size();
        triangleBase += object.triangles.size();
    }
}

void AssemblePositions(const SceneData& scene, const KeyFramePoints& points, std::int32_t frameIndex,
                       FramePositions& positions)
{
    if (!InRange(scene, frameIndex)) {
        positions.Resize(0);
        return;
    }
    if (!ByName(scene)) {
        PlaceAll(scene, points, static_cast<std::size_t>(frameIndex), positions);
        return;
    }
    const MeshObject& object = *scene.sortedObjects[static_cast<std::size_t>(frameIndex)];
    positions.Resize(object.vertices.size());
    for (std::size_t i = 0; i < object.vertices.size(); ++i) {
        positions.x[i] = object.vertices[i].x;
        positions.y[i] = object.vertices[i].y;
        positions.z[i] = object.vertices[i].z;
    }
}

FrameShape MeasureFrameShape(const SceneData& scene, std::int32_t frameIndex)
{
    FrameShape shape;
    if (!InRange(scene, frameIndex))
        return shape;
    std::vector<const MeshObject*> objects;
    if (ByName(scene)) {
        objects.push_back(scene.sortedObjects[static_cast<std::size_t>(frameIndex)]);
    } else {
        for (const MeshObject& object : scene.objects)
            objects.push_back(&object);
    }
    for (const MeshObject* object : objects) {
        shape.vertexCount += object->vertices.size();
        shape.triangleCount += object->triangles.size();
        for (const MeshTriangle& t : object->triangles) {
            // Each corner against its own object's points: the offsets that join the objects
            // into one frame are not added yet.
            for (const std::uint32_t index : {t.index0, t.index1, t.index2}) {
                if (!shape.cornerOutside && index >= object->vertexCount) {
                    shape.cornerOutside = true;
                    shape.corner = index;
                    shape.objectVertices = object->vertexCount;
                }
            }
        }
    }
    return shape;
}
