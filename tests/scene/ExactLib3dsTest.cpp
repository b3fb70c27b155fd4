// The exact animation against lib3ds 1.3's keyframer (lib3ds_file_eval) on scenes built here:
// hierarchy, pivots, turns about several axes, TCB values. Every vertex of every frame lies within
// one packed step of lib3ds's, lib3ds's meshes placed by its node matrices at the stored frame
// (what a file's mesh matrices hold).
#include "tests/support/ExactScenes.h"
#include "tests/support/Files.h"
#include "tests/support/LoadedScene.h"
#include "tests/support/RealModels.h"

#include <lib3ds/file.h>
#include <lib3ds/matrix.h>
#include <lib3ds/mesh.h>
#include <lib3ds/node.h>
#include <lib3ds/vector.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cmath>
#include <cstring>
#include <memory>

using namespace exactscenes;

namespace {

struct Lib3dsFree {
    void operator()(Lib3dsFile* file) const { lib3ds_file_free(file); }
};

// The largest distance of a vertex from lib3ds's, over every frame, in units of the packed step
// (a 2048th of the whole reach, 2 * the largest coordinate); only at the frames listed, if any.
// With placed, lib3ds's meshes are first placed by their nodes at the stored frame.
double WorstSteps(const std::string& path, bool placed, const std::vector<std::int32_t>& only = {})
{
    std::unique_ptr<Lib3dsFile, Lib3dsFree> theirs(lib3ds_file_load(path.c_str()));
    EXPECT_NE(theirs, nullptr);
    auto ours = std::make_unique<Loaded>();
    std::unique_ptr<CFile> file = CFileSystem::Native().OpenRead(path);
    EXPECT_EQ(file && ours->model.Load(*file, FrameMode::ByKeyFrame, true), 1) << ours->log.Text();
    if (!theirs)
        return 1e9;
    const SceneData& scene = ours->model.Scene();

    // A well-formed file's mesh matrix is its node's matrix at the stored frame.
    lib3ds_file_eval(theirs.get(), static_cast<float>(scene.animation.storedFrame));
    for (Lib3dsMesh* mesh = theirs->meshes; mesh && placed; mesh = mesh->next) {
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
        lib3ds_file_eval(theirs.get(), static_cast<float>(scene.firstFrame + static_cast<std::uint32_t>(j)));
        ours->model.BuildFramePositions(j, positions);
        for (Lib3dsMesh* mesh = theirs->meshes; mesh; mesh = mesh->next) {
            Lib3dsNode* node = lib3ds_file_node_by_name(theirs.get(), mesh->name, LIB3DS_OBJECT_NODE);
            // lib3ds keeps its meshes in its own order: ours is found by name.
            std::size_t at = 0;
            bool found = false;
            for (const MeshObject& object : scene.objects) {
                if ((found = object.name == mesh->name && object.vertexCount == mesh->points))
                    break;
                at += object.vertices.size();
            }
            if (!node || !found)
                continue;
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

double WorstSteps(const std::vector<std::uint8_t>& bytes, const std::vector<std::int32_t>& only = {})
{
    ScopedTempDir dir;
    WriteFileBytes(dir.File("scene.3ds"), bytes);
    return WorstSteps(dir.File("scene.3ds"), true, only);
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

namespace {

// Every Debian model with a keyframe section: at the stored frame each mesh is exactly as stored,
// and at every frame it lies within one packed step of lib3ds's, placed by the file's own mesh
// matrices. Where those differ from the node's matrix at the stored frame the two part; such
// models are listed with their distance.
TEST(ExactOnRealFiles, TheStoredFrameAsStoredAndLib3dsWithinAStep)
{
    std::size_t animated = 0;
    for (const std::string& path : realmodels::AllModels()) {
        auto ours = std::make_unique<Loaded>();
        std::unique_ptr<CFile> file = CFileSystem::Native().OpenRead(path);
        ASSERT_NE(file, nullptr);
        ASSERT_EQ(ours->model.Load(*file, FrameMode::ByKeyFrame, true), 1) << path;
        const SceneData& scene = ours->model.Scene();
        if (scene.animation.nodes.empty())
            continue;
        ++animated;
        const std::int64_t stored = std::int64_t{scene.animation.storedFrame} - scene.firstFrame;
        if (stored < 0 || stored >= ours->model.GetFrameCount())
            continue;
        FramePositions p;
        ours->model.BuildFramePositions(static_cast<std::int32_t>(stored), p);
        std::size_t at = 0, differ = 0;
        for (const MeshObject& object : scene.objects) {
            for (const FrameVertex& v : object.vertices) {
                differ += std::bit_cast<std::uint32_t>(v.x) != std::bit_cast<std::uint32_t>(p.x[at]) ||
                          std::bit_cast<std::uint32_t>(v.y) != std::bit_cast<std::uint32_t>(p.y[at]) ||
                          std::bit_cast<std::uint32_t>(v.z) != std::bit_cast<std::uint32_t>(p.z[at]);
                ++at;
            }
        }
        EXPECT_EQ(differ, 0u) << path;
        std::printf("%s: %zu frames, lib3ds placed by nodes %.3f steps, by mesh matrices %.3f steps\n",
                    path.c_str(), std::size_t(ours->model.GetFrameCount()), WorstSteps(path, true),
                    WorstSteps(path, false));
    }
    std::printf("models with a keyframe section: %zu\n", animated);
}

} // namespace
