#include "scene/3dsModel.h"
#include "tests/support/Chunk3ds.h"
#include "tests/support/MemoryFile.h"

#include <gtest/gtest.h>

#include <bit>
#include <memory>
#include <numbers>

using namespace build3ds;

namespace {

struct Loaded {
    CRecordingView view;
    std::string log;
    C3dsModel model{view, 1009, log};
};

std::unique_ptr<Loaded> LoadScene(std::vector<std::uint8_t> bytes, int byName)
{
    auto loaded = std::make_unique<Loaded>();
    CMemoryFile file(std::move(bytes));
    EXPECT_EQ(loaded->model.Load(file, byName), 1);
    return loaded;
}

// Five vertices at (12, 0, 0) about the origin (10, 0, 0): four are posed side by side, the
// fifth on its own. At frame 1 the object is scaled (2, 1, 1), turned π/2 about z and moved
// (1, 2, 3).
std::vector<std::uint8_t> TurningScene()
{
    const float halfTurn = std::numbers::pi_v<float> / 2.0f;
    Chunk mesh = TriangleMesh({PointList({{12, 0, 0}, {12, 0, 0}, {12, 0, 0}, {12, 0, 0}, {12, 0, 0}}),
                               FaceList({{0, 1, 2}, {2, 3, 4}}),
                               Mapping({{0.5f, 0.0f}, {0.5f, 0.0f}, {0.5f, 0.0f}, {0.5f, 0.0f}, {0.5f, 0.0f}}),
                               MeshMatrix(10, 0, 0)});
    return Scene({NamedObject("turner", {mesh})},
                 {Segment(0, 1), ObjectNode("turner", {PositionTrack({{0, 0, 0, 0}, {1, 1, 2, 3}}),
                                                      RotationTrack({{0, 0, 0, 0, 1}, {1, halfTurn, 0, 0, 1}}),
                                                      ScaleTrack({{0, 1, 1, 1}, {1, 2, 1, 1}})})});
}

} // namespace

TEST(FrameVertices, KeyFramePosesEveryVertexAlikeWhetherSideBySideOrAlone)
{
    auto loaded = LoadScene(TurningScene(), 0);
    MeshFrame frame;
    loaded->model.BuildFrameVertices(1, frame);
    EXPECT_EQ(frame.name, "turner");
    EXPECT_EQ(frame.triangleCount, 0u);
    EXPECT_TRUE(frame.triangles.empty());
    ASSERT_EQ(frame.vertexCount, 5u);
    ASSERT_EQ(frame.vertices.size(), 5u);
    // (4, 0, 0) from the origin turns by -π/2 about z to about (0, -4, 0).
    EXPECT_NEAR(frame.vertices[0].x, 11.0f, 1e-5f);
    EXPECT_NEAR(frame.vertices[0].y, -2.0f, 1e-5f);
    EXPECT_NEAR(frame.vertices[0].z, 3.0f, 1e-5f);
    for (std::size_t i = 1; i < 5; ++i) {
        EXPECT_EQ(std::bit_cast<std::uint32_t>(frame.vertices[i].x), std::bit_cast<std::uint32_t>(frame.vertices[0].x)) << i;
        EXPECT_EQ(std::bit_cast<std::uint32_t>(frame.vertices[i].y), std::bit_cast<std::uint32_t>(frame.vertices[0].y)) << i;
        EXPECT_EQ(std::bit_cast<std::uint32_t>(frame.vertices[i].z), std::bit_cast<std::uint32_t>(frame.vertices[0].z)) << i;
        EXPECT_EQ(frame.vertices[i].u, 0.5f);
        EXPECT_EQ(frame.vertices[i].v, 1.0f);
    }
}

TEST(FrameVertices, RebuildingIntoTheSameFrameOverwritesItAndOutOfRangeEmptiesIt)
{
    auto loaded = LoadScene(TurningScene(), 0);
    MeshFrame frame;
    loaded->model.BuildFrameVertices(1, frame);
    loaded->model.BuildFrameVertices(0, frame);
    ASSERT_EQ(frame.vertices.size(), 5u);
    for (const FrameVertex& v : frame.vertices) {
        EXPECT_EQ(v.x, 12.0f);
        EXPECT_EQ(v.y, 0.0f);
        EXPECT_EQ(v.z, 0.0f);
    }
    loaded->model.BuildFrameVertices(2, frame);
    EXPECT_EQ(frame.vertexCount, 0u);
    EXPECT_TRUE(frame.vertices.empty());
    EXPECT_TRUE(frame.name.empty());
}

TEST(FrameVertices, ByNameCopiesTheObjectInNameOrderWithoutTriangles)
{
    const std::vector<std::array<float, 3>> b = {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}, {10, 11, 12}, {13, 14, 15}};
    const std::vector<std::array<float, 3>> a = {{-1, -2, -3}, {-4, -5, -6}, {-7, -8, -9}, {-10, -11, -12},
                                                 {-13, -14, -15}};
    auto loaded = LoadScene(Scene({SimpleObject("b", b, {{0, 1, 2}}), SimpleObject("a", a, {{0, 1, 2}})}), 1);
    MeshFrame frame;
    loaded->model.BuildFrameVertices(1, frame);
    EXPECT_EQ(frame.name, "b");
    EXPECT_TRUE(frame.triangles.empty());
    ASSERT_EQ(frame.vertices.size(), 5u);
    EXPECT_EQ(frame.vertices[4].x, 13.0f);
    EXPECT_EQ(frame.vertices[4].z, 15.0f);
}
