// The exact animation against lib3ds 1.3's keyframer (lib3ds_file_eval) on scenes built here:
// hierarchy, pivots, turns about several axes, TCB values. Every vertex of every frame lies within
// one packed step of lib3ds's, lib3ds's meshes placed by its node matrices at the stored frame
// (what a file's mesh matrices hold).
#include "tests/support/Chunk3ds.h"
#include "tests/support/Files.h"
#include "tests/support/LoadedScene.h"

#include <lib3ds/file.h>
#include <lib3ds/matrix.h>
#include <lib3ds/mesh.h>
#include <lib3ds/node.h>
#include <lib3ds/vector.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

using build3ds::Chunk;

namespace {

struct Key {
    std::uint32_t frame;
    float value[4];
    KeySpline spline{};
};

Chunk Track(std::uint16_t id, const std::vector<Key>& keys, int values)
{
    Chunk c(id);
    c.U16(0).U32(0).U32(0).U32(static_cast<std::uint32_t>(keys.size()));
    for (const Key& k : keys) {
        const float fields[] = {k.spline.tension, k.spline.continuity, k.spline.bias, k.spline.easeTo,
                                k.spline.easeFrom};
        std::uint16_t flags = 0;
        for (unsigned bit = 0; bit < 5; ++bit)
            flags = static_cast<std::uint16_t>(flags | (fields[bit] != 0.0f ? 1u << bit : 0u));
        c.U32(k.frame).U16(flags);
        for (unsigned bit = 0; bit < 5; ++bit)
            if (fields[bit] != 0.0f)
                c.F32(fields[bit]);
        for (int i = 0; i < values; ++i)
            c.F32(k.value[i]);
    }
    return c;
}

struct NodeSpec {
    std::string name;
    std::uint16_t id = 0;
    std::uint16_t parent = 0xFFFF;
    float pivot[3] = {0, 0, 0};
    std::vector<Key> position{{0, {0, 0, 0}}}, rotation{{0, {0, 0, 0, 1}}}, scale{{0, {1, 1, 1}}};
};

Chunk Node(const NodeSpec& n)
{
    Chunk node(0xB002);
    node.Add(Chunk(0xB030).U16(n.id));
    node.Add(Chunk(0xB010).Str(n.name).U16(0).U16(0).U16(n.parent));
    node.Add(Chunk(0xB013).F32(n.pivot[0]).F32(n.pivot[1]).F32(n.pivot[2]));
    node.Add(Track(0xB020, n.position, 3));
    node.Add(Track(0xB021, n.rotation, 4));
    node.Add(Track(0xB022, n.scale, 3));
    return node;
}

Chunk Box(const std::string& name, float cx, float cy, float cz)
{
    std::vector<std::array<float, 3>> points;
    for (int i = 0; i < 8; ++i)
        points.push_back({cx + ((i & 1) ? 2.0f : -1.0f), cy + ((i & 2) ? 3.0f : -1.0f), cz + ((i & 4) ? 1.5f : -2.0f)});
    return build3ds::NamedObject(
        name, {build3ds::TriangleMesh({build3ds::PointList(points), build3ds::FaceList({{0, 1, 2}, {5, 6, 7}}),
                                       build3ds::MeshMatrix(cx, cy, cz)})});
}

std::vector<std::uint8_t> SceneOf(const std::vector<Chunk>& objects, const std::vector<NodeSpec>& nodes,
                                  std::uint32_t frames)
{
    Chunk mesh(0x3D3D);
    for (const Chunk& o : objects)
        mesh.Add(o);
    Chunk kf(0xB000);
    kf.Add(Chunk(0xB00A).U16(5).Str("MAXSCENE").U32(frames));
    kf.Add(build3ds::Segment(0, frames - 1));
    kf.Add(Chunk(0xB009).U32(0));
    for (const NodeSpec& n : nodes)
        kf.Add(Node(n));
    return Chunk(0x4D4D).Add(mesh).Add(kf).Bytes();
}

struct Lib3dsFree {
    void operator()(Lib3dsFile* file) const { lib3ds_file_free(file); }
};

// The largest distance of a vertex from lib3ds's, over every frame, in units of the packed step
// (a 2048th of the whole reach, 2 * the largest coordinate); only at the frames listed, if any.
double WorstSteps(const std::vector<std::uint8_t>& bytes, const std::vector<std::int32_t>& only = {})
{
    ScopedTempDir dir;
    WriteFileBytes(dir.File("scene.3ds"), bytes);
    std::unique_ptr<Lib3dsFile, Lib3dsFree> theirs(lib3ds_file_load(dir.File("scene.3ds").c_str()));
    EXPECT_NE(theirs, nullptr);
    auto ours = std::make_unique<Loaded>();
    CMemoryFile file(bytes);
    EXPECT_EQ(ours->model.Load(file, FrameMode::ByKeyFrame, true), 1) << ours->log;
    if (!theirs)
        return 1e9;

    // A well-formed file's mesh matrix is its node's matrix at the stored frame (0 here).
    lib3ds_file_eval(theirs.get(), 0.0f);
    for (Lib3dsMesh* mesh = theirs->meshes; mesh; mesh = mesh->next) {
        Lib3dsNode* node = lib3ds_file_node_by_name(theirs.get(), mesh->name, LIB3DS_OBJECT_NODE);
        if (!node)
            continue;
        lib3ds_matrix_copy(mesh->matrix, node->matrix);
        const float* pivot = node->data.object.pivot;
        lib3ds_matrix_translate_xyz(mesh->matrix, -pivot[0], -pivot[1], -pivot[2]);
    }
    double worst = 0.0, reach = 0.0;
    FramePositions positions;
    for (std::int32_t j = 0; j < ours->model.GetFrameCount(); ++j) {
        if (!only.empty() && std::find(only.begin(), only.end(), j) == only.end())
            continue;
        lib3ds_file_eval(theirs.get(), static_cast<float>(j));
        ours->model.BuildFramePositions(j, positions);
        std::size_t at = 0;
        for (Lib3dsMesh* mesh = theirs->meshes; mesh; mesh = mesh->next) {
            Lib3dsNode* node = lib3ds_file_node_by_name(theirs.get(), mesh->name, LIB3DS_OBJECT_NODE);
            Lib3dsMatrix m, inverse;
            lib3ds_matrix_copy(m, node->matrix);
            const float* pivot = node->data.object.pivot;
            lib3ds_matrix_translate_xyz(m, -pivot[0], -pivot[1], -pivot[2]);
            lib3ds_matrix_copy(inverse, mesh->matrix);
            lib3ds_matrix_inv(inverse);
            lib3ds_matrix_mult(m, inverse);
            for (unsigned i = 0; i < mesh->points; ++i, ++at) {
                Lib3dsVector v;
                lib3ds_vector_transform(v, m, mesh->pointL[i].pos);
                const double d = std::hypot(v[0] - positions.x[at], v[1] - positions.y[at], v[2] - positions.z[at]);
                worst = std::max(worst, d);
                reach = std::max({reach, std::fabs(double{v[0]}), std::fabs(double{v[1]}), std::fabs(double{v[2]})});
            }
        }
    }
    return worst / (2.0 * reach / 2048.0);
}

TEST(ExactAgainstLib3ds, AChildFollowsItsMovingTurningParent)
{
    NodeSpec parent{"arm", 0};
    parent.position = {{0, {0, 0, 0}}, {20, {30, -10, 5}}};
    parent.rotation = {{0, {0, 0, 0, 1}}, {20, {1.2f, 0, 0, 1}}};
    NodeSpec child{"hand", 1, 0};
    child.position = {{0, {10, 0, 0}}, {10, {12, 4, 0}}};
    child.rotation = {{0, {0, 1, 0, 0}}, {15, {0.7f, 1, 0, 0}}};
    const double steps = WorstSteps(SceneOf({Box("arm", 0, 0, 0), Box("hand", 10, 0, 0)}, {parent, child}, 21));
    EXPECT_LT(steps, 1.0);
}

TEST(ExactAgainstLib3ds, AnObjectTurnsAboutItsPivot)
{
    NodeSpec door{"door", 0};
    door.pivot[0] = 4.0f;
    door.pivot[2] = -3.0f;
    door.position = {{0, {5, 0, 0}}};
    door.rotation = {{0, {0, 0, 0, 1}}, {12, {1.5f, 0, 0, 1}}};
    door.scale = {{0, {1, 1, 1}}, {12, {1.5f, 0.5f, 1}}};
    EXPECT_LT(WorstSteps(SceneOf({Box("door", 5, 0, 0)}, {door}, 13)), 1.0);
}

// Keys without spline values move linearly here and by TCB (0, 0, 0) splines in lib3ds: the two
// meet at the keys, and with spline values on every key they meet at every frame.
TEST(ExactAgainstLib3ds, IncrementsAboutSeveralAxesComposeAsQuaternions)
{
    NodeSpec top{"top", 0};
    top.rotation = {{0, {0.3f, 0, 1, 0}}, {8, {1.0f, 1, 0, 0}}, {16, {0.9f, 0, 1, 1}}, {24, {2.0f, 1, 1, 0}}};
    EXPECT_LT(WorstSteps(SceneOf({Box("top", 0, 0, 0)}, {top}, 25), {0, 8, 16, 24}), 1.0);
    EXPECT_GT(WorstSteps(SceneOf({Box("top", 0, 0, 0)}, {top}, 25)), 1.0);
    for (Key& key : top.rotation)
        key.spline.bias = 0.25f;
    EXPECT_LT(WorstSteps(SceneOf({Box("top", 0, 0, 0)}, {top}, 25)), 1.0);
}

TEST(ExactAgainstLib3ds, TcbValuesShapeTheCurves)
{
    NodeSpec bird{"bird", 0};
    bird.position = {{0, {0, 0, 0}, {0.5f, 0, 0, 0, 0}},
                     {6, {10, 5, 0}, {-0.3f, 0.4f, 0.2f, 0, 0}},
                     {14, {0, 12, 8}, {0.2f, -0.5f, -0.6f, 0, 0}},
                     {20, {-6, 0, 2}, {0.1f, 0, 0.3f, 0, 0}}};
    bird.rotation = {{0, {0, 0, 0, 1}, {0.2f, 0, 0, 0, 0}},
                     {7, {0.8f, 0, 1, 0}, {0.3f, 0.2f, -0.4f, 0, 0}},
                     {13, {1.1f, 1, 0, 1}, {-0.2f, 0.5f, 0.3f, 0, 0}},
                     {20, {0.6f, 0, 0, 1}, {0.4f, 0, 0, 0, 0}}};
    bird.scale = {{0, {1, 1, 1}, {0.1f, 0, 0, 0, 0}}, {10, {2, 1, 0.5f}, {0.2f, 0.3f, 0, 0, 0}},
                  {20, {1, 1, 1}, {0.1f, 0, 0, 0, 0}}};
    EXPECT_LT(WorstSteps(SceneOf({Box("bird", 0, 0, 0)}, {bird}, 21)), 1.0);
}

} // namespace

namespace {

// lib3ds 1.3 reads the ease values but its keyframer never applies them: the two meet at the keys
// and part between them, the eased motion lagging behind on departure.
TEST(ExactAgainstLib3ds, EaseSlowsArrivalAndDeparture)
{
    NodeSpec ball{"ball", 0};
    ball.position = {{0, {0, 0, 0}, {0, 0, 0, 0, 0.6f}}, {10, {20, 0, 0}, {0, 0, 0, 0.8f, 0.3f}},
                     {20, {20, 15, 0}, {0, 0, 0, 0.5f, 0}}};
    ball.rotation = {{0, {0, 0, 0, 1}, {0, 0, 0, 0, 0.5f}}, {20, {1.0f, 0, 0, 1}, {0, 0, 0, 0.5f, 0}}};
    const auto scene = SceneOf({Box("ball", 0, 0, 0)}, {ball}, 21);
    EXPECT_LT(WorstSteps(scene, {0, 10, 20}), 1.0);
    EXPECT_GT(WorstSteps(scene, {2, 12}), 10.0);
}

} // namespace
