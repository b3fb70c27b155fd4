#include "input3ds/3dsModel.h"
#include "tests/support/Chunk3ds.h"
#include "tests/support/LoadedScene.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <climits>
#include <memory>

using namespace build3ds;

namespace {

MeshFrame Build(const C3dsModel& model, std::int32_t index)
{
    MeshFrame frame;
    model.BuildFrame(index, frame);
    return frame;
}

using Bits5 = std::array<std::uint32_t, 5>;

Bits5 BitsOf(const FrameVertex& v)
{
    return {std::bit_cast<std::uint32_t>(v.x), std::bit_cast<std::uint32_t>(v.y), std::bit_cast<std::uint32_t>(v.z),
            std::bit_cast<std::uint32_t>(v.u), std::bit_cast<std::uint32_t>(v.v)};
}

std::array<std::uint32_t, 3> Corners(const FrameTriangle& t)
{
    return {t.index0, t.index1, t.index2};
}

void ExpectEmpty(const MeshFrame& frame)
{
    EXPECT_EQ(frame.name, "");
    EXPECT_EQ(frame.vertexCount, 0u);
    EXPECT_TRUE(frame.vertices.empty());
    EXPECT_EQ(frame.triangleCount, 0u);
    EXPECT_TRUE(frame.triangles.empty());
    EXPECT_EQ(frame.perVertexUV, 1);
}

std::vector<std::array<float, 3>> Points(int count, float first)
{
    std::vector<std::array<float, 3>> points;
    for (int i = 0; i < count; ++i)
        points.push_back({first + static_cast<float>(i), -first, 0.5f * static_cast<float>(i)});
    return points;
}

} // namespace

TEST(Frame, KeyFrameJoinsObjectsInFileOrderWithRaisedIndices)
{
    const auto loaded = LoadGood(
        Scene({NamedObject("mid", {TriangleMesh({PointList(Points(4, 10)), FaceList({{0, 1, 2}, {1, 2, 3}}),
                                                 Mapping({{0.1f, 0.25f}})})}),
               SimpleObject("alpha", Points(6, 20), {{0, 1, 2}, {3, 4, 5}, {5, 0, 1}}),
               NamedObject("zeta", {TriangleMesh({PointList(Points(5, 30)),
                                                  FaceList({{4, 3, 0}}, {MaterialGroup("skin2tx1f", {0})})})})}), FrameMode::ByKeyFrame);
    const MeshFrame frame = Build(loaded->model, 0);
    EXPECT_EQ(frame.name, "mid");
    EXPECT_EQ(frame.perVertexUV, 1);
    ASSERT_EQ(frame.vertexCount, 15u);
    ASSERT_EQ(frame.vertices.size(), 15u);
    ASSERT_EQ(frame.triangleCount, 6u);
    ASSERT_EQ(frame.triangles.size(), 6u);

    // Untouched tracks at origin 0 reproduce the stored vertices; u and v ride along.
    EXPECT_EQ(BitsOf(frame.vertices[0]), (Bits5{0x41200000, 0xC1200000, 0x00000000, 0x3DCCCCCD, 0x3F400000}));
    EXPECT_EQ(BitsOf(frame.vertices[4]), (Bits5{0x41A00000, 0xC1A00000, 0x00000000, 0, 0}));
    EXPECT_EQ(BitsOf(frame.vertices[14]), (Bits5{0x42080000, 0xC1F00000, 0x40000000, 0, 0}));

    const std::vector<std::array<std::uint32_t, 3>> corners = {{0, 1, 2},   {1, 2, 3},   {4, 5, 6},
                                                               {7, 8, 9},   {9, 4, 5},   {14, 13, 10}};
    for (std::size_t i = 0; i < 6; ++i)
        EXPECT_EQ(Corners(frame.triangles[i]), corners[i]) << i;
    EXPECT_EQ(frame.triangles[5].skinIndex, 2);
    EXPECT_EQ(frame.triangles[5].typeCode, 2);
    EXPECT_EQ(frame.triangles[5].xByte, 0x1F);
    EXPECT_EQ(frame.triangles[4].skinIndex, 0);
}

TEST(Frame, KeyFrameObjectsWithoutVerticesOrTrianglesShiftNothing)
{
    const auto loaded = LoadGood(Scene({SimpleObject("a", Points(3, 1), {{0, 1, 2}}),
                                         NamedObject("empty", {TriangleMesh({})}),
                                         SimpleObject("pointsOnly", Points(2, 5), {}),
                                         SimpleObject("c", Points(3, 8), {{2, 1, 0}})}), FrameMode::ByKeyFrame);
    const MeshFrame frame = Build(loaded->model, 0);
    ASSERT_EQ(frame.vertexCount, 8u);
    ASSERT_EQ(frame.triangleCount, 2u);
    EXPECT_EQ(Corners(frame.triangles[1]), (std::array<std::uint32_t, 3>{7, 6, 5}));
    EXPECT_EQ(frame.vertices[3].x, 5.0f);
    EXPECT_EQ(frame.vertices[5].x, 8.0f);
}

TEST(Frame, SceneWithoutObjectsGivesEmptyFrames)
{
    // Such a scene does not load; a model that loaded nothing still builds empty frames.
    const Loaded unloaded;
    EXPECT_EQ(unloaded.model.GetFrameCount(), 1);
    ExpectEmpty(Build(unloaded.model, 0));

    const auto byName = LoadScene(Scene({}), FrameMode::ByObjectName);
    ASSERT_EQ(byName->result, 0);
    EXPECT_TRUE(byName->model.SortedObjects().empty());
    ExpectEmpty(Build(byName->model, 0));
}

TEST(Frame, FrameNumberOutOfRangeEmptiesTheFrame)
{
    const auto bytes = Scene(
        {SimpleObject("a", Points(3, 1), {{0, 1, 2}}), SimpleObject("b", Points(3, 2), {{0, 1, 2}})}, {Segment(0, 4)});
    for (const FrameMode mode : {FrameMode::ByKeyFrame, FrameMode::ByObjectName}) {
        const bool byName = mode == FrameMode::ByObjectName;
        const auto loaded = LoadGood(bytes, mode);
        const std::int32_t count = loaded->model.GetFrameCount();
        ASSERT_EQ(count, byName ? 2 : 5);
        for (const std::int32_t index : {-1, count, count + 1, INT_MAX, INT_MIN}) {
            SCOPED_TRACE(index);
            // A frame reused from the previous build comes back empty.
            MeshFrame frame;
            loaded->model.BuildFrame(count - 1, frame);
            ASSERT_EQ(frame.vertexCount, byName ? 3u : 6u);
            frame.perVertexUV = 0;
            loaded->model.BuildFrame(index, frame);
            ExpectEmpty(frame);
        }
    }
}

TEST(Frame, KeyFrameScalesTurnsAndMovesAboutTheOrigin)
{
    // "turned": origin (10, 0, 0), vertex (12, 0, 0); at frame 1 scale (2, 1, 1), rotation
    // pi/2 about z, position (1, 2, 3). The point (4, 0, 0) relative to the origin turns by
    // -pi/2 to (-1.7e-7, -4, 0), so the vertex lands on (11, -2, 3).
    // "stretched": origin (10, 1, 0), vertex (13, 5, -7), scale (2, 1, 1) alone doubles x.
    // "far": origin 2^24 on x; the point 1 from it rounds back onto the origin before the
    // position 1 is added, so the order of the two sums shows.
    const std::vector<std::pair<float, float>> uv = {{0.5f, 0.125f}};
    const auto loaded = LoadGood(
        Scene({NamedObject("turned", {TriangleMesh({PointList({{12, 0, 0}}), Mapping(uv), MeshMatrix(10, 0, 0)})}),
               NamedObject("stretched", {TriangleMesh({PointList({{13, 5, -7}}), MeshMatrix(10, 1, 0)})}),
               NamedObject("far", {TriangleMesh({PointList({{16777218, 0, 0}}), MeshMatrix(16777216, 0, 0)})})},
              {Segment(0, 1),
               ObjectNode("turned", {ScaleTrackChunk({{1, 2, 1, 1}}), RotationTrackChunk({{1, 1.57079637f, 0, 0, 1}}),
                                     PositionTrackChunk({{1, 1, 2, 3}})}),
               ObjectNode("stretched", {ScaleTrackChunk({{1, 2, 1, 1}})}),
               ObjectNode("far", {ScaleTrackChunk({{1, 0.5f, 1, 1}}), PositionTrackChunk({{1, 1, 0, 0}})})}), FrameMode::ByKeyFrame);
    const MeshFrame frame0 = Build(loaded->model, 0);
    ASSERT_EQ(frame0.vertexCount, 3u);
    EXPECT_EQ(BitsOf(frame0.vertices[0]), (Bits5{0x41400000, 0, 0, 0x3F000000, 0x3F600000}));
    EXPECT_EQ(BitsOf(frame0.vertices[1]), (Bits5{0x41500000, 0x40A00000, 0xC0E00000, 0, 0}));

    const MeshFrame frame1 = Build(loaded->model, 1);
    ASSERT_EQ(frame1.vertexCount, 3u);
    EXPECT_EQ(BitsOf(frame1.vertices[0]), (Bits5{0x41300000, 0xC0000000, 0x40400000, 0x3F000000, 0x3F600000}));
    EXPECT_EQ(BitsOf(frame1.vertices[1]), (Bits5{0x41800000, 0x40A00000, 0xC0E00000, 0, 0}));
    EXPECT_EQ(BitsOf(frame1.vertices[2]), (Bits5{0x4B800000, 0, 0, 0, 0})); // 2^24, not 2^24 + 2
}

TEST(Frame, KeyFramePoseIsExactForEveryVertexOfALongObject)
{
    // Eleven vertices (10 + k, k / 2, -k) about the origin (10, 0, 0); at frame 1 scale (2, 1, 0.5),
    // a turn of 0.75 about the axis (0.48, 0.6, 0.64) and position (1, 2, 3). Every vertex takes
    // the same single-precision steps, however many vertices the object has.
    std::vector<std::array<float, 3>> points;
    for (int k = 0; k <= 10; ++k)
        points.push_back({10.0f + static_cast<float>(k), 0.5f * static_cast<float>(k), -static_cast<float>(k)});
    const auto loaded = LoadGood(
        Scene({NamedObject("long", {TriangleMesh({PointList(points), MeshMatrix(10, 0, 0)})})},
              {Segment(0, 1), ObjectNode("long", {ScaleTrackChunk({{1, 2, 1, 0.5f}}),
                                                  RotationTrackChunk({{1, 0.75f, 0.48f, 0.6f, 0.64f}}),
                                                  PositionTrackChunk({{1, 1, 2, 3}})})}), FrameMode::ByKeyFrame);
    const std::array<std::uint32_t, 3> expected[] = {
        {0x41300000, 0x40000000, 0x40400000}, {0x414FB0AC, 0x3FA61FF3, 0x40528ECE},
        {0x416F6157, 0x3F187FCC, 0x40651D9D}, {0x41878901, 0xBDDA0280, 0x4077AC6A},
        {0x41976157, 0xBF4F0068, 0x40851D9D}, {0x41A739AC, 0xBFC16040, 0x408E6504},
        {0x41B71202, 0xC00DA028, 0x4097AC6A}, {0x41C6EA58, 0xC03A902C, 0x40A0F3D2},
        {0x41D6C2AE, 0xC0678034, 0x40AA3B3A}, {0x41E69B04, 0xC08A381E, 0x40B382A1},
        {0x41F67359, 0xC0A0B020, 0x40BCCA08},
    };
    const MeshFrame frame = Build(loaded->model, 1);
    ASSERT_EQ(frame.vertices.size(), 11u);
    for (std::size_t k = 0; k < 11; ++k) {
        const Bits5 bits = BitsOf(frame.vertices[k]);
        EXPECT_EQ((std::array<std::uint32_t, 3>{bits[0], bits[1], bits[2]}), expected[k]) << k;
    }
}

TEST(Frame, KeyFrameJShowsSceneFrameFirstPlusJ)
{
    // One vertex at (1, 0, 0) about the origin, moved along x by its position track; the track is
    // built over scene frames 0 to the segment's last and frame j takes scene frame first + j.
    struct Case {
        const char* what;
        std::uint32_t first, last;
        std::vector<Key3> keys;
        std::vector<float> x;
    };
    const Case cases[] = {
        {"from 1, as Blender exports", 1, 4, {{0, 0, 0, 0}, {1, 1, 0, 0}, {4, 4, 0, 0}}, {2, 3, 4, 5}},
        // 10 and 11 lie 3/4 and 7/8 of the way from the key at 4 (8) to the key at 12 (16).
        {"from 10, keys before it", 10, 12, {{0, 0, 0, 0}, {4, 8, 0, 0}, {12, 16, 0, 0}, {13, 99, 0, 0}},
         {15, 16, 17}},
        {"from 60000", 60000, 60002, {{0, 0, 0, 0}, {60000, 4, 0, 0}, {60002, 6, 0, 0}}, {5, 6, 7}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto loaded = LoadGood(Scene({NamedObject("a", {TriangleMesh({PointList({{1, 0, 0}})})})},
                                           {Segment(c.first, c.last), ObjectNode("a", {PositionTrackChunk(c.keys)})}));
        ASSERT_EQ(loaded->model.GetFrameCount(), static_cast<std::int32_t>(c.x.size()));
        for (std::size_t j = 0; j < c.x.size(); ++j)
            EXPECT_EQ(Build(loaded->model, static_cast<std::int32_t>(j)).vertices.at(0).x, c.x[j]) << "frame " << j;
    }
}

TEST(Frame, ByNameFrameIsTheObjectAtThatPlaceInNameOrderCopiedBitForBit)
{
    // x = -0, y = the smallest subnormal, z = a NaN with a payload: a copy keeps all three.
    Chunk odd(0x4110);
    odd.U16(3).U32(0x80000000).U32(0x00000001).U32(0x7FC01234);
    odd.F32(1).F32(2).F32(3).F32(4).F32(5).F32(6);
    const auto loaded = LoadGood(
        Scene({SimpleObject("c", Points(3, 30), {{0, 1, 2}}),
               NamedObject("a", {TriangleMesh({odd, FaceList({{2, 1, 0}, {0, 1, 2}}, {MaterialGroup("skin4n", {1})}),
                                               Mapping({{0.1f, 0.25f}}), MeshMatrix(100, 100, 100)})}),
               SimpleObject("b", Points(3, 20), {{0, 1, 2}})},
              {Segment(0, 9), ObjectNode("a", {PositionTrackChunk({{0, 0, 0, 0}, {1, 50, 50, 50}})})}), FrameMode::ByObjectName);
    ASSERT_EQ(loaded->model.GetFrameCount(), 3);

    const MeshFrame a = Build(loaded->model, 0);
    EXPECT_EQ(a.name, "a");
    EXPECT_EQ(a.perVertexUV, 1);
    ASSERT_EQ(a.vertexCount, 3u);
    ASSERT_EQ(a.vertices.size(), 3u);
    EXPECT_EQ(BitsOf(a.vertices[0]), (Bits5{0x80000000, 0x00000001, 0x7FC01234, 0x3DCCCCCD, 0x3F400000}));
    EXPECT_EQ(BitsOf(a.vertices[2]), (Bits5{0x40800000, 0x40A00000, 0x40C00000, 0, 0}));
    ASSERT_EQ(a.triangleCount, 2u);
    ASSERT_EQ(a.triangles.size(), 2u);
    EXPECT_EQ(Corners(a.triangles[0]), (std::array<std::uint32_t, 3>{2, 1, 0}));
    EXPECT_EQ(a.triangles[1].skinIndex, 4);
    EXPECT_EQ(a.triangles[1].flagN, 1);

    EXPECT_EQ(Build(loaded->model, 1).name, "b");
    const MeshFrame c = Build(loaded->model, 2);
    EXPECT_EQ(c.name, "c");
    EXPECT_EQ(c.vertices[0].x, 30.0f);
}
