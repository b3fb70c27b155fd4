#include "input3ds/3dsModel.h"
#include "tests/support/Chunk3ds.h"
#include "tests/support/LoadedScene.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <memory>
#include <numbers>

using namespace build3ds;

namespace {

// Nine vertices at (12, 0, 0) about the origin (10, 0, 0): eight are placed side by side, the
// ninth on its own. At frame 1 the object is scaled (2, 1, 1), turned π/2 about z and moved
// (1, 2, 3). A second object, never animated, follows it.
std::vector<std::uint8_t> TurningScene()
{
    const float halfTurn = std::numbers::pi_v<float> / 2.0f;
    const std::vector<std::array<float, 3>> points(9, {12, 0, 0});
    Chunk mesh = TriangleMesh({PointList(points), FaceList({{0, 1, 2}, {2, 3, 4}}), MeshMatrix(10, 0, 0)});
    return Scene({NamedObject("turner", {mesh}), SimpleObject("still", {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}}, {{0, 1, 2}})},
                 {Segment(0, 1), ObjectNode("turner", {PositionTrackChunk({{0, 0, 0, 0}, {1, 1, 2, 3}}),
                                                      RotationTrackChunk({{0, 0, 0, 0, 1}, {1, halfTurn, 0, 0, 1}}),
                                                      ScaleTrackChunk({{0, 1, 1, 1}, {1, 2, 1, 1}})})});
}

std::uint32_t Bits(float value)
{
    return std::bit_cast<std::uint32_t>(value);
}

} // namespace

TEST(FramePositions, KeyFramePlacesEveryVertexAsTheWholeFrameDoes)
{
    auto loaded = LoadGood(TurningScene(), FrameMode::ByKeyFrame);
    FramePositions positions;
    loaded->model.BuildFramePositions(1, positions);
    ASSERT_EQ(positions.Count(), 12u);
    ASSERT_EQ(positions.y.size(), 12u);
    ASSERT_EQ(positions.z.size(), 12u);
    // (4, 0, 0) from the origin turns by -π/2 about z to about (0, -4, 0).
    EXPECT_NEAR(positions.x[0], 11.0f, 1e-5f);
    EXPECT_NEAR(positions.y[0], -2.0f, 1e-5f);
    EXPECT_NEAR(positions.z[0], 3.0f, 1e-5f);
    EXPECT_EQ(positions.x[11], 7.0f);
    EXPECT_EQ(positions.z[11], 9.0f);

    MeshFrame frame;
    loaded->model.BuildFrame(1, frame);
    ASSERT_EQ(frame.vertices.size(), 12u);
    for (std::size_t i = 0; i < 12; ++i) {
        EXPECT_EQ(Bits(positions.x[i]), Bits(frame.vertices[i].x)) << i;
        EXPECT_EQ(Bits(positions.y[i]), Bits(frame.vertices[i].y)) << i;
        EXPECT_EQ(Bits(positions.z[i]), Bits(frame.vertices[i].z)) << i;
    }
    for (std::size_t i = 1; i < 9; ++i)
        EXPECT_EQ(Bits(positions.y[i]), Bits(positions.y[0])) << i;
}

TEST(FramePositions, RebuildingOverwritesThePositionsAndOutOfRangeEmptiesThem)
{
    auto loaded = LoadGood(TurningScene(), FrameMode::ByKeyFrame);
    FramePositions positions;
    loaded->model.BuildFramePositions(1, positions);
    loaded->model.BuildFramePositions(0, positions);
    ASSERT_EQ(positions.Count(), 12u);
    for (std::size_t i = 0; i < 9; ++i) {
        EXPECT_EQ(positions.x[i], 12.0f);
        EXPECT_EQ(positions.y[i], 0.0f);
    }
    loaded->model.BuildFramePositions(2, positions);
    EXPECT_EQ(positions.Count(), 0u);
    EXPECT_TRUE(positions.z.empty());
    loaded->model.BuildFramePositions(-1, positions);
    EXPECT_EQ(positions.Count(), 0u);
}

TEST(FramePositions, ByNameTakesTheObjectInNameOrder)
{
    const std::vector<std::array<float, 3>> b = {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}, {10, 11, 12}, {13, 14, 15}};
    const std::vector<std::array<float, 3>> a = {{-1, -2, -3}, {-4, -5, -6}, {-7, -8, -9}, {-10, -11, -12},
                                                 {-13, -14, -15}};
    auto loaded = LoadGood(Scene({SimpleObject("b", b, {{0, 1, 2}}), SimpleObject("a", a, {{0, 1, 2}})}), FrameMode::ByObjectName);
    FramePositions positions;
    loaded->model.BuildFramePositions(1, positions);
    ASSERT_EQ(positions.Count(), 5u);
    EXPECT_EQ(positions.x[4], 13.0f);
    EXPECT_EQ(positions.y[4], 14.0f);
    EXPECT_EQ(positions.z[4], 15.0f);
    loaded->model.BuildFramePositions(0, positions);
    EXPECT_EQ(positions.x[0], -1.0f);
}
