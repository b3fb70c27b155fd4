#include "input3ds/3dsModel.h"
#include "tests/support/Chunk3ds.h"
#include "tests/support/LoadedScene.h"
#include "tests/support/MemoryFile.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <memory>

using namespace build3ds;

namespace {

const std::vector<std::array<float, 3>> kTriangle = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};

using Bits3 = std::array<std::uint32_t, 3>;

template <typename Point> Bits3 XyzBits(const Point& v)
{
    return {std::bit_cast<std::uint32_t>(v.x), std::bit_cast<std::uint32_t>(v.y),
            std::bit_cast<std::uint32_t>(v.z)};
}

// A track's value in every frame of the segment.
std::vector<Bits3> TrackBits(Vec3 (*at)(const MeshObject&, std::uint64_t), const Loaded& loaded, std::size_t object)
{
    std::vector<Bits3> bits;
    for (std::uint64_t f = 0; f < loaded.model.Scene().frameCount; ++f)
        bits.push_back(XyzBits(at(loaded.model.Objects()[object], f)));
    return bits;
}

// skinIndex, typeCode, flagW, flagB, flagF, flagE, flagN, xByte, cByte
using Options = std::array<int, 9>;

Options OptionsOf(const MeshTriangle& triangle)
{
    const TriangleOptions& t = triangle.options;
    return {t.skinIndex, t.typeCode, t.flagW, t.flagB, t.flagF, t.flagE, t.flagN, t.xByte, t.cByte};
}

// The files these tests use as "well formed": one object plus a keyframe segment.
std::vector<std::uint8_t> SceneWithNodes(const std::vector<Chunk>& objects, std::uint32_t lastFrame,
                                         const std::vector<Chunk>& nodes)
{
    std::vector<Chunk> keyframe = {Segment(0, lastFrame)};
    keyframe.insert(keyframe.end(), nodes.begin(), nodes.end());
    return Scene(objects, keyframe);
}

// A small animated scene touching every handler: two objects of four vertices with mapping,
// mesh matrix and a material group, a segment of five frames and three tracks per object.
std::vector<std::uint8_t> AnimatedScene()
{
    const std::vector<std::array<float, 3>> quad = {{0, 0, 0}, {2, 0, 0}, {2, 2, 0}, {0, 2, 1}};
    const std::vector<std::pair<float, float>> uv = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    auto object = [&](const std::string& name, float ox) {
        return NamedObject(name, {TriangleMesh({PointList(quad),
                                                FaceList({{0, 1, 2}, {0, 2, 3}}, {MaterialGroup("skin1tw", {1})}),
                                                Mapping(uv), MeshMatrix(ox, 0, 0)})});
    };
    auto node = [](const std::string& name) {
        return ObjectNode(name, {PositionTrackChunk({{0, 1, 1, 1}, {4, 3, 1, -1}}),
                                 RotationTrackChunk({{0, 0, 0, 0, 1}, {4, 1.5f, 0, 1, 0}}),
                                 ScaleTrackChunk({{0, 1, 1, 1}, {2, 2, 1, 0.5f}})});
    };
    return Scene({object("body", 0), object("arm", 5)}, {Segment(0, 4), node("body"), node("arm")});
}

bool IsReaderErrorLine(const std::string& log)
{
    return log == "Error reading input file, it does not appear to be a true .3DS file.\r\n" ||
           log == "Error: Object point counts do not match\r\n" ||
           log == "Error: The scene is too large to convert\r\n" ||
           log == "Error: The scene has no mesh objects with points\r\n" ||
           log == "Error: The chunks nest more than 64 levels deep; the file looks damaged\r\n" ||
           (log.starts_with("Error: ") &&
            (log.ends_with("; it looks cut short\r\n") || log.ends_with("; the file looks damaged\r\n"))) ||
           (log.starts_with("Error: The keyframe segment has ") &&
            log.ends_with(" frames, more than the 65535 an Unreal .3D model can hold\r\n"));
}

// Whatever a load of damaged bytes gives, it must be a clean success or one error line, and
// every frame it can build must be consistent.
void ExpectLoadsOrFailsCleanly(std::vector<std::uint8_t> bytes, FrameMode mode, const std::string& what)
{
    SCOPED_TRACE(what);
    const auto loaded = LoadScene(std::move(bytes), mode);
    if (loaded->result == 0) {
        EXPECT_TRUE(IsReaderErrorLine(loaded->log.Text())) << loaded->log.Text();
        return;
    }
    const std::int32_t frames = loaded->model.GetFrameCount();
    ASSERT_GE(frames, 0);
    for (const std::int32_t index : {0, frames - 1, frames}) {
        MeshFrame frame;
        loaded->model.BuildFrame(index, frame);
        EXPECT_EQ(frame.vertexCount, frame.vertices.size());
        EXPECT_EQ(frame.triangleCount, frame.triangles.size());
        EXPECT_EQ(frame.perVertexUV, 1);
    }
}

} // namespace

TEST(ChunkReader, RejectsFilesNotStartingWithTheMainChunk)
{
    const std::vector<std::vector<std::uint8_t>> kInvalidHeaders = {
        {},
        {0x4D},
        {0x4D, 0x4C, 6, 0, 0, 0},
        {0x4C, 0x4D, 6, 0, 0, 0},
        {0x3D, 0x3D, 6, 0, 0, 0},
        {0x00, 0x00, 0x4D, 0x4D, 6, 0, 0, 0},
    };
    for (const auto& bytes : kInvalidHeaders) {
        Loaded loaded;
        loaded.log.Append("Loading model...\r\n");
        LoadBytes(loaded, bytes, FrameMode::ByKeyFrame);
        EXPECT_EQ(loaded.result, 0);
        EXPECT_EQ(loaded.log.Text(),
                  "Loading model...\r\nError reading input file, it does not appear to be a true .3DS file.\r\n");
        EXPECT_EQ(loaded.view.statusText, loaded.log.Text());
        EXPECT_TRUE(loaded.model.Objects().empty());
        EXPECT_TRUE(loaded.view.progressLines.empty());
    }
}

TEST(ChunkReader, ChunkRunningPastTheFileOrItsParentFailsTheLoadSayingWhere)
{
    const auto a = SimpleObject("a", kTriangle, {{0, 1, 2}});
    const auto b = SimpleObject("b", kTriangle, {{0, 1, 2}});
    const std::vector<std::uint8_t> whole = Scene({a, b});
    const auto size = static_cast<std::uint32_t>(whole.size());
    const std::uint32_t throughFirst = 6 + 6 + static_cast<std::uint32_t>(a.Bytes().size());
    auto withMainLength = [&](std::uint32_t length) {
        std::vector<std::uint8_t> bytes = whole;
        for (int i = 0; i < 4; ++i)
            bytes[2 + i] = static_cast<std::uint8_t>(length >> (8 * i));
        return bytes;
    };
    // The point list claims 60 bytes; its triangle mesh holds 32.
    Chunk points(0x4110);
    points.U16(3).F32(1).F32(2).F32(3).F32(4).F32(5).F32(6).ForceLength(60);
    // A face list whose last 3 bytes cannot hold a sub-chunk's header.
    Chunk faces = FaceList({{0, 1, 2}});
    faces.U16(0x4130).U8(0);

    const struct {
        const char* what;
        std::vector<std::uint8_t> bytes;
        std::string log;
    } kCases[] = {
        {"cut inside a chunk", std::vector<std::uint8_t>(whole.begin(), whole.begin() + 40),
         "Error: The file ends at byte 40, inside chunk 0x4D4D of " + std::to_string(size) +
             " bytes at byte 0; it looks cut short\r\n"},
        {"cut inside a header", std::vector<std::uint8_t>(whole.begin(), whole.begin() + 4),
         "Error: The file ends at byte 4, inside the header of a chunk at byte 0; it looks cut short\r\n"},
        {"main chunk longer than the file", withMainLength(0xFFFFFFFF),
         "Error: The file ends at byte " + std::to_string(size) + ", inside chunk 0x4D4D of 4294967295 bytes at "
             "byte 0; it looks cut short\r\n"},
        {"mesh data longer than the main chunk", withMainLength(throughFirst),
         "Error: Chunk 0x3D3D at byte 6 claims " + std::to_string(size - 6) +
             " bytes, past the end of the chunk that holds it at byte " + std::to_string(throughFirst) +
             "; the file looks damaged\r\n"},
        {"point list longer than its mesh", Scene({NamedObject("a", {TriangleMesh({points})}), b}),
         "Error: Chunk 0x4110 at byte 26 claims 60 bytes, past the end of the chunk that holds it at byte 58; "
         "the file looks damaged\r\n"},
        {"header past its face list", Scene({NamedObject("a", {TriangleMesh({PointList(kTriangle), faces})}), b}),
         "Error: The header of a chunk at byte 86 runs past the end of the chunk that holds it at byte 89; the "
         "file looks damaged\r\n"},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.what);
        for (const FrameMode mode : {FrameMode::ByKeyFrame, FrameMode::ByObjectName}) {
            const auto loaded = LoadScene(c.bytes, mode);
            EXPECT_EQ(loaded->result, 0);
            EXPECT_EQ(loaded->log.Text(), c.log);
        }
    }
    EXPECT_EQ(LoadGood(whole)->model.Objects().size(), 2u);
}

TEST(ChunkReader, SceneWithoutAMeshObjectThatHasPointsFailsTheLoad)
{
    Chunk material(0xAFFF);
    material.Add(Chunk(0xA000).Str("skin1"));
    const std::vector<std::uint8_t> kScenes[] = {
        Scene({}),
        Scene({NamedObject("a", {TriangleMesh({})}), NamedObject("b", {TriangleMesh({FaceList({})})}), material},
              {Segment(0, 4)}),
    };
    for (const auto& bytes : kScenes) {
        for (const FrameMode mode : {FrameMode::ByKeyFrame, FrameMode::ByObjectName}) {
            const auto loaded = LoadScene(bytes, mode);
            EXPECT_EQ(loaded->result, 0);
            EXPECT_EQ(loaded->log.Text(), "Error: The scene has no mesh objects with points\r\n");
        }
    }
}

TEST(ChunkReader, ChunkShorterThanItsHeaderEndsOnlyItsOwnLevel)
{
    Chunk mesh(0x3D3D);
    mesh.Add(SimpleObject("a", kTriangle, {{0, 1, 2}}));
    mesh.U16(0x1234).U32(5); // a length below 6: the rest of the mesh data is not read
    mesh.Add(SimpleObject("b", kTriangle, {{0, 1, 2}}));
    Chunk keyframe(0xB000);
    keyframe.Add(Segment(0, 9));
    Chunk main(0x4D4D);
    main.Add(mesh).Add(keyframe);

    const auto loaded = LoadScene(main.Bytes());
    ASSERT_EQ(loaded->result, 1);
    ASSERT_EQ(loaded->model.Objects().size(), 1u);
    EXPECT_EQ(loaded->model.Objects()[0].name, "a");
    EXPECT_EQ(loaded->model.GetFrameCount(), 10);
}

TEST(ChunkReader, ObjectsNamedWithExclamationMarkAreNeitherCountedNorRead)
{
    const auto loaded = LoadScene(Scene({SimpleObject("a", kTriangle, {{0, 1, 2}}),
                                         SimpleObject("!guide", kTriangle, {{0, 1, 2}}),
                                         SimpleObject("b", kTriangle, {{0, 1, 2}})}));
    ASSERT_EQ(loaded->result, 1);
    ASSERT_EQ(loaded->model.Objects().size(), 2u);
    EXPECT_EQ(loaded->model.Objects()[0].name, "a");
    EXPECT_EQ(loaded->model.Objects()[1].name, "b");
    EXPECT_EQ(loaded->view.progressLines,
              (std::vector<std::string>{"  reading Object 0 of 2\r\n", "  reading Object 1 of 2\r\n"}));
}

TEST(ChunkReader, ProgressLinesFollowTheLogWithoutEnteringIt)
{
    const auto bytes = Scene({SimpleObject("b", kTriangle, {{0, 1, 2}}), SimpleObject("a", kTriangle, {{2, 1, 0}}),
                              SimpleObject("c", kTriangle, {{0, 2, 1}})});
    const std::vector<std::string> progress = {"  reading Object 0 of 3\r\n", "  reading Object 1 of 3\r\n",
                                               "  reading Object 2 of 3\r\n"};
    for (const FrameMode mode : {FrameMode::ByKeyFrame, FrameMode::ByObjectName}) {
        Loaded loaded;
        loaded.log.Append("Loading model...\r\n");
        LoadBytes(loaded, bytes, mode);
        ASSERT_EQ(loaded.result, 1);
        EXPECT_EQ(loaded.view.progressLines, progress);
        EXPECT_EQ(loaded.view.progressLogs, std::vector<std::string>(3, "Loading model...\r\n"));
        if (mode == FrameMode::ByObjectName) {
            EXPECT_EQ(loaded.log.Text(), "Loading model...\r\n  Sorting objects...\r\n");
            EXPECT_EQ(loaded.view.statusText, loaded.log.Text());
        } else {
            EXPECT_EQ(loaded.log.Text(), "Loading model...\r\n");
            EXPECT_TRUE(loaded.model.SortedObjects().empty());
        }
    }
}

TEST(ChunkReader, ByNameLoadFailsWhenPointCountsDifferButKeyFrameLoadAccepts)
{
    auto object = [](const std::string& name, int points) {
        return NamedObject(name, {TriangleMesh({PointList(std::vector<std::array<float, 3>>(points))})});
    };
    const auto bytes = Scene({object("a", 8), object("b", 10), object("c", 8)});

    const auto byName = LoadScene(bytes, FrameMode::ByObjectName);
    EXPECT_EQ(byName->result, 0);
    EXPECT_EQ(byName->log.Text(), "Error: Object point counts do not match\r\n");
    EXPECT_EQ(byName->view.progressLines.size(), 2u); // the walk stops at the second point list

    const auto byKey = LoadScene(bytes, FrameMode::ByKeyFrame);
    ASSERT_EQ(byKey->result, 1);
    EXPECT_EQ(byKey->log.Text(), "");
    ASSERT_EQ(byKey->model.Objects().size(), 3u);
    EXPECT_EQ(byKey->model.Objects()[0].vertexCount, 8u);
    EXPECT_EQ(byKey->model.Objects()[1].vertexCount, 10u);
    EXPECT_EQ(byKey->model.Objects()[2].vertexCount, 8u);
}

TEST(ChunkReader, SkinMaterialGroupsSetTheOptionsOfTheirListedTriangles)
{
    const std::vector<std::array<std::uint16_t, 3>> faces(6, {0, 1, 2});
    const auto loaded = LoadScene(Scene({NamedObject(
        "a", {TriangleMesh({PointList(kTriangle),
                            FaceList(faces, {MaterialGroup("Skin3TW", {0}), MaterialGroup("skin1x1ac0f", {1}),
                                             MaterialGroup("skin", {2}), MaterialGroup("skinA", {2}),
                                             MaterialGroup("skin_1", {2}), MaterialGroup("skin2wbfenx10", {3, 4}),
                                             MaterialGroup("skin5", {4}), MaterialGroup("skin9w", {6, 600})})})})}));
    ASSERT_EQ(loaded->result, 1);
    const auto& triangles = loaded->model.Objects()[0].triangles;
    ASSERT_EQ(triangles.size(), 6u);
    EXPECT_EQ(OptionsOf(triangles[0]), (Options{3, 2, 1, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(OptionsOf(triangles[1]), (Options{1, 0, 0, 0, 0, 0, 0, 0x1A, 0x0F}));
    EXPECT_EQ(OptionsOf(triangles[2]), (Options{0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(OptionsOf(triangles[3]), (Options{2, 0, 1, 1, 1, 1, 1, 0x10, 0}));
    // A later group overwrites every option field, with 0 where its name sets nothing.
    EXPECT_EQ(OptionsOf(triangles[4]), (Options{5, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(OptionsOf(triangles[5]), (Options{0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(triangles[3].index0, 0u);
    EXPECT_EQ(triangles[3].index2, 2u);
}

TEST(ChunkReader, FaceListScanEndsAtSubChunkShorterThanItsHeader)
{
    Chunk broken(0x4130);
    broken.Str("skin1w").U16(1).U16(0).ForceLength(4);
    const auto loaded = LoadScene(Scene({NamedObject(
        "a", {TriangleMesh({PointList(kTriangle), FaceList({{0, 1, 2}}, {broken, MaterialGroup("skin2", {0})}),
                            MeshMatrix(1, 2, 3)})})}));
    ASSERT_EQ(loaded->result, 1);
    const MeshObject& object = loaded->model.Objects()[0];
    EXPECT_EQ(object.triangles[0].options.skinIndex, 0);
    EXPECT_EQ(object.origin.z, 3.0f); // the walk of the mesh goes on after the face list
}

TEST(ChunkReader, MappingStoresUAndOneMinusVForTheObjectsVerticesOnly)
{
    const std::vector<std::array<float, 3>> five(5);
    const auto loaded = LoadScene(Scene({
        NamedObject("more", {TriangleMesh({PointList(kTriangle),
                                           Mapping({{0.1f, 0.25f}, {-2.5f, 1.0f}, {3, -0.5f}, {7, 7}, {8, 8}})})}),
        NamedObject("fewer", {TriangleMesh({PointList(five), Mapping({{0.5f, 0.5f}})})}),
        SimpleObject("none", kTriangle, {{0, 1, 2}}),
    }));
    ASSERT_EQ(loaded->result, 1);
    const auto& objects = loaded->model.Objects();
    ASSERT_EQ(objects[0].vertices.size(), 3u);
    EXPECT_EQ(std::bit_cast<std::uint32_t>(objects[0].vertices[0].u), 0x3DCCCCCDu);
    EXPECT_EQ(objects[0].vertices[0].v, 0.75f);
    EXPECT_EQ(objects[0].vertices[1].u, -2.5f);
    EXPECT_EQ(objects[0].vertices[1].v, 0.0f);
    EXPECT_EQ(objects[0].vertices[2].v, 1.5f);
    EXPECT_EQ(objects[1].vertices[0].v, 0.5f);
    EXPECT_EQ(objects[1].vertices[1].u, 0.0f);
    EXPECT_EQ(objects[1].vertices[1].v, 0.0f);
    for (const FrameVertex& v : objects[2].vertices) {
        EXPECT_EQ(v.u, 0.0f);
        EXPECT_EQ(v.v, 0.0f);
    }
}

TEST(ChunkReader, KeyframeSegmentGivesTheFrameCountAndTrackSize)
{
    struct Case {
        bool hasSegment;
        std::uint32_t first, last;
        std::int32_t frames;
    };
    const Case kCases[] = {
        {false, 0, 0, 1}, {true, 0, 9, 10}, {true, 5, 5, 1}, {true, 9, 3, 1}, {true, 0, 65534, 65535},
        {true, 100, 65634, 65535},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(testing::Message() << c.first << ".." << c.last);
        const std::vector<Chunk> keyframe = c.hasSegment ? std::vector<Chunk>{Segment(c.first, c.last)}
                                                         : std::vector<Chunk>{};
        const auto loaded = LoadScene(Scene({SimpleObject("a", kTriangle, {{0, 1, 2}})}, keyframe));
        ASSERT_EQ(loaded->result, 1);
        EXPECT_EQ(loaded->model.GetFrameCount(), c.frames);
        const MeshObject& object = loaded->model.Objects()[0];
        const auto last = static_cast<std::size_t>(c.frames - 1);
        EXPECT_EQ(XyzBits(PositionAt(object, last)), (Bits3{0, 0, 0}));
        EXPECT_EQ(XyzBits(RotationAt(object, last)), (Bits3{0, 0, 0}));
        EXPECT_EQ(XyzBits(ScaleAt(object, last)), (Bits3{0x3F800000, 0x3F800000, 0x3F800000}));
    }

    // A reversed segment leaves the frame count that an earlier segment set.
    EXPECT_EQ(LoadScene(Scene({SimpleObject("a", kTriangle, {{0, 1, 2}})}, {Segment(0, 9), Segment(9, 3)}))
                  ->model.GetFrameCount(),
              10);

    std::vector<Chunk> five;
    for (const char* name : {"a", "b", "c", "d", "e"})
        five.push_back(SimpleObject(name, kTriangle, {{0, 1, 2}}));
    EXPECT_EQ(LoadScene(Scene(five, {Segment(0, 29)}), FrameMode::ByObjectName)->model.GetFrameCount(), 5);
    EXPECT_EQ(LoadScene(Scene(five, {Segment(0, 29)}), FrameMode::ByKeyFrame)->model.GetFrameCount(), 30);
}

TEST(ChunkReader, SegmentOfMoreThan65535FramesFailsTheLoad)
{
    struct Case {
        std::uint32_t first, last;
        const char* line;
    };
    const Case kCases[] = {
        {0, 65535, "Error: The keyframe segment has 65536 frames, more than the 65535 an Unreal .3D model can hold\r\n"},
        {7, 65542, "Error: The keyframe segment has 65536 frames, more than the 65535 an Unreal .3D model can hold\r\n"},
        {0, 0xFFFFFFFF,
         "Error: The keyframe segment has 4294967296 frames, more than the 65535 an Unreal .3D model can hold\r\n"},
    };
    for (const Case& c : kCases) {
        for (const FrameMode mode : {FrameMode::ByKeyFrame, FrameMode::ByObjectName}) {
            const auto loaded =
                LoadScene(Scene({SimpleObject("a", kTriangle, {{0, 1, 2}})}, {Segment(c.first, c.last)}), mode);
            EXPECT_EQ(loaded->result, 0);
            EXPECT_EQ(loaded->log.Text(), c.line);
            EXPECT_TRUE(loaded->view.progressLines.empty());
        }
    }
}

TEST(ChunkReader, PositionTrackInterpolatesBetweenKeysAndHoldsAfterTheLast)
{
    // Keys at frames 0, 2 and 5 of a segment 0..6; entries are relative to the frame-0 key.
    const auto loaded = LoadScene(SceneWithNodes(
        {SimpleObject("a", kTriangle, {{0, 1, 2}}), SimpleObject("b", kTriangle, {{0, 1, 2}})}, 6,
        {ObjectNode("a", {PositionTrackChunk({{0, 1, 2, 3}, {2, 1.7f, 2.2f, 9.1f}, {5, -3.3f, 12.9f, 3.7f}})}),
         ObjectNode("b", {PositionTrackChunk({{4, 4, 8, -4}})})}));
    ASSERT_EQ(loaded->result, 1);
    EXPECT_EQ(TrackBits(PositionAt, *loaded, 0),
              (std::vector<Bits3>{
                  {0x00000000, 0x00000000, 0x00000000},
                  {0x3EB33334, 0x3DCCCCD0, 0x40433334}, // half of frame 2
                  {0x3F333334, 0x3E4CCCD0, 0x40C33334}, // 1.7f - 1, 2.2f - 2, 9.1f - 3
                  {0xBF777778, 0x40711111, 0x4089999A}, // t = float(1) / float(3)
                  {0xC0288889, 0x40EAAAAA, 0x40200000}, // t = float(2) / float(3)
                  {0xC089999A, 0x412E6666, 0x3F333334}, // (-4.3, 10.9, 0.7)
                  {0xC089999A, 0x412E6666, 0x3F333334}, // held
              }));
    // Without a frame-0 key, frame 0 still counts as keyed at rest and the reference stays 0.
    EXPECT_EQ(TrackBits(PositionAt, *loaded, 1),
              (std::vector<Bits3>{{0x00000000, 0x00000000, 0x00000000},
                                  {0x3F800000, 0x40000000, 0xBF800000},
                                  {0x40000000, 0x40800000, 0xC0000000},
                                  {0x40400000, 0x40C00000, 0xC0400000},
                                  {0x40800000, 0x41000000, 0xC0800000},
                                  {0x40800000, 0x41000000, 0xC0800000},
                                  {0x40800000, 0x41000000, 0xC0800000}}));
}

TEST(ChunkReader, ScaleTrackDividesByTheFrameZeroKeyAndInterpolates)
{
    const auto loaded = LoadScene(SceneWithNodes({SimpleObject("a", kTriangle, {{0, 1, 2}})}, 5,
                                                 {ObjectNode("a", {ScaleTrackChunk({{0, 2, 2, 2}, {4, 4, 1, 2}})})}));
    ASSERT_EQ(loaded->result, 1);
    EXPECT_EQ(TrackBits(ScaleAt, *loaded, 0),
              (std::vector<Bits3>{{0x3F800000, 0x3F800000, 0x3F800000},   // (1, 1, 1)
                                  {0x3FA00000, 0x3F600000, 0x3F800000},   // (1.25, 0.875, 1)
                                  {0x3FC00000, 0x3F400000, 0x3F800000},   // (1.5, 0.75, 1)
                                  {0x3FE00000, 0x3F200000, 0x3F800000},   // (1.75, 0.625, 1)
                                  {0x40000000, 0x3F000000, 0x3F800000},   // (2, 0.5, 1)
                                  {0x40000000, 0x3F000000, 0x3F800000}})); // held
}

TEST(ChunkReader, RotationTrackAccumulatesKeysInterpolatesAndHoldsAfterTheLast)
{
    // The frame-0 key's angle counts as 0; each later key turns relative to the one before.
    const auto loaded = LoadScene(SceneWithNodes(
        {SimpleObject("a", kTriangle, {{0, 1, 2}})}, 9,
        {ObjectNode("a", {RotationTrackChunk({{0, 1.0f, 0, 0, 1}, {4, 0.5f, 0.6f, 0, 0.8f}, {8, 0.4f, 0, 0, 1}})})}));
    ASSERT_EQ(loaded->result, 1);
    EXPECT_EQ(TrackBits(RotationAt, *loaded, 0),
              (std::vector<Bits3>{{0x00000000, 0x00000000, 0x00000000},
                                  {0x3D99999A, 0x00000000, 0x3DCCCCCD},   // (0.075, 0, 0.1)
                                  {0x3E19999A, 0x00000000, 0x3E4CCCCD},   // (0.15, 0, 0.2)
                                  {0x3E666667, 0x00000000, 0x3E99999A},   // (0.225, 0, 0.3)
                                  {0x3E99999A, 0x00000000, 0x3ECCCCCD},   // (0.3, 0, 0.4)
                                  {0x3E99999A, 0x00000000, 0x3F000000},   // (0.3, 0, 0.5)
                                  {0x3E99999A, 0x00000000, 0x3F19999A},   // (0.3, 0, 0.6)
                                  {0x3E99999A, 0x00000000, 0x3F333334},   // (0.3, 0, 0.7 + 1 ulp)
                                  {0x3E99999A, 0x00000000, 0x3F4CCCCD},   // (0.3, 0, 0.8)
                                  {0x3E99999A, 0x00000000, 0x3F4CCCCD}})); // held
}

TEST(ChunkReader, KeysSkipTheSplineFloatsTheirFlagsAnnounceAndKeepThem)
{
    // Every key of three tracks, with no spline floats, with tension and ease from (flags 0x11),
    // and with all five (0x1F).
    auto scene = [](KeySplines spline) {
        const std::vector<std::array<float, 3>> quad = {{0, 0, 0}, {2, 0, 0}, {2, 2, 0}, {0, 2, 1}};
        return SceneWithNodes(
            {NamedObject("body", {TriangleMesh({PointList(quad), FaceList({{0, 1, 2}}), MeshMatrix(1, 0, 0)})})}, 4,
            {ObjectNode("body", {PositionTrackChunk({{0, 1, 1, 1, spline}, {4, 3, 1, -1, spline}}),
                                 RotationTrackChunk({{0, 0, 0, 0, 1, spline}, {4, 1.5f, 0, 1, 0, spline}}),
                                 ScaleTrackChunk({{0, 1, 1, 1, spline}, {2, 2, 1, 0.5f, spline}})})});
    };
    const auto plain = LoadGood(scene({}));
    for (const KeySplines spline : {KeySplines{0x11, {0.0f, 0, 0, 0, 0.75f}}, KeySplines{0x1F, {0.5f, -1, 0.25f, 1, 2}}}) {
        SCOPED_TRACE(spline.flags);
        const auto splined = LoadGood(scene(spline));
        for (std::int32_t f = 0; f < 5; ++f) {
            MeshFrame a, b;
            plain->model.BuildFrame(f, a);
            splined->model.BuildFrame(f, b);
            ASSERT_EQ(a.vertices.size(), b.vertices.size());
            for (std::size_t v = 0; v < a.vertices.size(); ++v)
                EXPECT_EQ(XyzBits(a.vertices[v]), XyzBits(b.vertices[v])) << "frame " << f << " vertex " << v;
        }
        const MeshObject& object = splined->model.Objects()[0];
        const KeySpline& kept = object.scaleTrack.keys.back().spline;
        const std::array<float, 5> read = {kept.tension, kept.continuity, kept.bias, kept.easeTo, kept.easeFrom};
        std::array<float, 5> announced{};
        for (unsigned bit = 0; bit < 5; ++bit)
            announced[bit] = (spline.flags & (1u << bit)) != 0 ? spline.splines[bit] : 0.0f;
        EXPECT_EQ(read, announced);
        EXPECT_EQ(object.rotationTrack.atFrame0Spline.easeFrom, announced[4]);
        EXPECT_EQ(object.positionTrack.keys.back().spline.tension, announced[0]);
    }
}

TEST(ChunkReader, TracksReadTheLow16BitsOfKeyCountAndFrameNumbers)
{
    Chunk track(0xB020);
    track.U16(0).Raw(std::vector<std::uint8_t>(8, 0)).U32(0x00010001);
    track.U32(0x00020003).U16(0).F32(3).F32(6).F32(9);
    track.U32(0x00000001).U16(0).F32(99).F32(99).F32(99); // beyond the key count: not a key
    const auto loaded =
        LoadScene(SceneWithNodes({SimpleObject("a", kTriangle, {{0, 1, 2}})}, 4, {ObjectNode("a", {track})}));
    ASSERT_EQ(loaded->result, 1);
    EXPECT_EQ(TrackBits(PositionAt, *loaded, 0),
              (std::vector<Bits3>{{0x00000000, 0x00000000, 0x00000000},
                                  {0x3F800000, 0x40000000, 0x40400000},
                                  {0x40000000, 0x40800000, 0x40C00000},
                                  {0x40400000, 0x40C00000, 0x41100000},
                                  {0x40400000, 0x40C00000, 0x41100000}}));
}

TEST(ChunkReader, NodeHeaderSelectsTheFirstObjectOfItsName)
{
    const auto loaded = LoadScene(SceneWithNodes(
        {SimpleObject("box", kTriangle, {{0, 1, 2}}), SimpleObject("box", kTriangle, {{0, 1, 2}}),
         SimpleObject("cone", kTriangle, {{0, 1, 2}})},
        1, {ObjectNode("box", {PositionTrackChunk({{1, 5, 0, 0}})}), ObjectNode("cone", {PositionTrackChunk({{1, 0, 7, 0}})})}));
    ASSERT_EQ(loaded->result, 1);
    const auto& objects = loaded->model.Objects();
    EXPECT_EQ(PositionAt(objects[0], 1).x, 5.0f);
    EXPECT_EQ(PositionAt(objects[1], 1).x, 0.0f);
    EXPECT_EQ(PositionAt(objects[2], 1).y, 7.0f);
}

TEST(ChunkReader, NodeOfNoMeshObjectMovesNothing)
{
    auto tracks = [] {
        return std::vector<Chunk>{PositionTrackChunk({{1, 5, 5, 5}}), RotationTrackChunk({{1, 1, 0, 0, 1}}),
                                  ScaleTrackChunk({{1, 3, 3, 3}})};
    };
    const auto loaded = LoadScene(SceneWithNodes(
        {SimpleObject("a", kTriangle, {{0, 1, 2}}), SimpleObject("!hidden", kTriangle, {{0, 1, 2}})}, 1,
        {ObjectNode("$$$DUMMY", tracks()), ObjectNode("A", tracks()), ObjectNode("!hidden", tracks()),
         ObjectNode("", tracks())}));
    ASSERT_EQ(loaded->result, 1);
    ASSERT_EQ(loaded->model.Objects().size(), 1u);
    const MeshObject& object = loaded->model.Objects()[0];
    EXPECT_EQ(XyzBits(PositionAt(object, 1)), (Bits3{0, 0, 0}));
    EXPECT_EQ(XyzBits(RotationAt(object, 1)), (Bits3{0, 0, 0}));
    EXPECT_EQ(XyzBits(ScaleAt(object, 1)), (Bits3{0x3F800000, 0x3F800000, 0x3F800000}));
}

TEST(ChunkReader, LongObjectNamesKeepTheWalkAlignedAndMatchTheirNodes)
{
    const std::string twelve = "ABCDEFGHIJKL";
    const std::string thirteen = "Cylinder01234";
    std::string long300;
    for (int i = 0; i < 300; ++i)
        long300.push_back(static_cast<char>('a' + i % 26));
    const std::vector<std::array<float, 3>> points = {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}};

    const auto loaded = LoadScene(SceneWithNodes(
        {SimpleObject(twelve, points, {{0, 1, 2}}), SimpleObject(thirteen, points, {{0, 1, 2}}),
         SimpleObject(long300, points, {{0, 1, 2}})},
        1,
        {ObjectNode(twelve, {PositionTrackChunk({{1, 1, 0, 0}})}), ObjectNode(thirteen, {PositionTrackChunk({{1, 2, 0, 0}})}),
         ObjectNode(long300, {PositionTrackChunk({{1, 3, 0, 0}})})}));
    ASSERT_EQ(loaded->result, 1);
    const auto& objects = loaded->model.Objects();
    ASSERT_EQ(objects.size(), 3u);
    EXPECT_EQ(objects[0].name, twelve);
    EXPECT_EQ(objects[1].name, thirteen);
    EXPECT_EQ(objects[2].name, long300.substr(0, 255));
    for (std::size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        ASSERT_EQ(objects[i].vertexCount, 3u);
        EXPECT_EQ(objects[i].vertices[2].x, 7.0f);
        EXPECT_EQ(objects[i].triangleCount, 1u);
        EXPECT_EQ(PositionAt(objects[i], 1).x, static_cast<float>(i + 1));
    }
}

TEST(ChunkReader, DataWithoutASlotIsSkipped)
{
    // Before any triangle mesh: geometry straight under a named object and a node with tracks.
    Chunk mesh(0x3D3D);
    mesh.Add(NamedObject("early", {PointList(kTriangle), FaceList({{0, 1, 2}}), Mapping({{1, 1}}),
                                   MeshMatrix(9, 9, 9)}));
    mesh.Add(ObjectNode("early", {PositionTrackChunk({{0, 1, 1, 1}})}));
    mesh.Add(PositionTrackChunk({{0, 1, 1, 1}}));
    // A triangle mesh inside a triangle mesh was never counted: it takes no slot.
    mesh.Add(NamedObject("a", {TriangleMesh({PointList(kTriangle),
                                             FaceList({{0, 1, 2}, {2, 1, 0}}, {MaterialGroup("skin4", {0xFFFF, 2, 1})}),
                                             TriangleMesh({PointList(kTriangle)})})}));
    Chunk keyframe(0xB000);
    keyframe.Add(Segment(0, 3));
    keyframe.Add(ObjectNode("a", {PositionTrackChunk({{2, 2, 2, 2}, {4, 8, 8, 8}, {0xFFFF, 9, 9, 9}}),
                                  ScaleTrackChunk({{100, 5, 5, 5}}), RotationTrackChunk({{7, 1, 1, 0, 0}})}));
    Chunk main(0x4D4D);
    main.Add(mesh).Add(keyframe);

    const auto loaded = LoadScene(main.Bytes());
    ASSERT_EQ(loaded->result, 1);
    ASSERT_EQ(loaded->model.Objects().size(), 1u);
    EXPECT_EQ(loaded->view.progressLines, (std::vector<std::string>{"  reading Object 0 of 1\r\n"}));
    const MeshObject& object = loaded->model.Objects()[0];
    EXPECT_EQ(object.name, "a");
    EXPECT_EQ(object.vertexCount, 3u);
    EXPECT_EQ(object.vertices[0].u, 0.0f);
    EXPECT_EQ(object.origin.x, 0.0f);
    ASSERT_EQ(object.triangleCount, 2u);
    EXPECT_EQ(object.triangles[0].options.skinIndex, 0);
    EXPECT_EQ(object.triangles[1].options.skinIndex, 4);
    EXPECT_EQ(TrackBits(PositionAt, *loaded, 0),
              (std::vector<Bits3>{{0x00000000, 0x00000000, 0x00000000},
                                  {0x3F800000, 0x3F800000, 0x3F800000},
                                  {0x40000000, 0x40000000, 0x40000000},
                                  {0x40000000, 0x40000000, 0x40000000}}));
    EXPECT_EQ(XyzBits(ScaleAt(object, 3)), (Bits3{0x3F800000, 0x3F800000, 0x3F800000}));
    EXPECT_EQ(XyzBits(RotationAt(object, 3)), (Bits3{0, 0, 0}));
}

TEST(ChunkReader, ChunksNestedDeeperThan64LevelsFailTheLoad)
{
    const std::string refusal = "Error: The chunks nest more than 64 levels deep; the file looks damaged\r\n";
    // The point list sits `wrappers` + 3 levels below the main chunk.
    auto nested = [](int wrappers) {
        Chunk inner = NamedObject("deep", {TriangleMesh({PointList(kTriangle)})});
        for (int i = 0; i < wrappers; ++i) {
            Chunk outer(0x3D3D);
            outer.Add(inner);
            inner = outer;
        }
        Chunk main(0x4D4D);
        main.Add(inner);
        return main.Bytes();
    };
    auto level64 = LoadGood(nested(61));
    ASSERT_EQ(level64->model.Objects().size(), 1u);
    EXPECT_EQ(level64->model.Objects()[0].vertexCount, 3u);

    auto level65 = LoadScene(nested(62));
    EXPECT_EQ(level65->result, 0);
    EXPECT_EQ(level65->log.Text(), refusal);

    // A hundred thousand nested containers are refused without recursing that deep.
    std::vector<std::uint8_t> deep;
    const std::uint32_t levels = 100000;
    for (std::uint32_t i = 0; i < levels; ++i) {
        const std::uint32_t length = (levels - i) * 6;
        const std::uint16_t id = i == 0 ? 0x4D4D : 0x3D3D;
        deep.insert(deep.end(), {static_cast<std::uint8_t>(id), static_cast<std::uint8_t>(id >> 8),
                                 static_cast<std::uint8_t>(length), static_cast<std::uint8_t>(length >> 8),
                                 static_cast<std::uint8_t>(length >> 16), static_cast<std::uint8_t>(length >> 24)});
    }
    const auto hostile = LoadScene(deep);
    EXPECT_EQ(hostile->result, 0);
    EXPECT_EQ(hostile->log.Text(), refusal);
}

TEST(ChunkReader, EveryChunkOfALevelIsReadHoweverMany)
{
    // 10000 materials before the mesh objects, in the same level.
    Chunk mesh(0x3D3D);
    for (int i = 0; i < 10000; ++i)
        mesh.Add(Chunk(0xAFFF).Add(Chunk(0xA000).Str("m")));
    mesh.Add(SimpleObject("last", kTriangle, {{0, 1, 2}}));
    const auto afterMaterials = LoadGood(Chunk(0x4D4D).Add(mesh).Bytes());
    EXPECT_EQ(afterMaterials->model.Scene().materials.size(), 10000u);
    ASSERT_EQ(afterMaterials->model.Objects().size(), 1u);
    EXPECT_EQ(afterMaterials->model.Objects()[0].vertexCount, 3u);

    // 12000 objects in one level give 12000 frames by name.
    std::vector<Chunk> objects;
    for (int i = 0; i < 12000; ++i)
        objects.push_back(SimpleObject("f" + std::to_string(i), kTriangle, {{0, 1, 2}}));
    const auto byName = LoadGood(Scene(objects), FrameMode::ByObjectName);
    EXPECT_EQ(byName->model.GetFrameCount(), 12000);
    EXPECT_EQ(byName->model.SortedObjects().back()->name, "f9999");
}

namespace {

// A scene of count mesh objects of one name, all empty but the first, which has a triangle's
// points, grouped a hundred to a named object, and a keyframe segment of frames frames.
std::vector<std::uint8_t> ManyEmptyObjects(std::size_t count, std::uint32_t frames, const std::string& name = "same")
{
    Chunk main(0x4D4D);
    main.Add(Chunk(0x3D3D).Add(NamedObject(name, {TriangleMesh({PointList(kTriangle)})})));
    for (std::size_t done = 1; done < count;) {
        Chunk mesh(0x3D3D);
        for (int i = 0; i < 100 && done < count; ++i) {
            Chunk object(0x4000);
            object.Str(name);
            for (int k = 0; k < 100 && done < count; ++k, ++done)
                object.Add(TriangleMesh({}));
            mesh.Add(object);
        }
        main.Add(mesh);
    }
    Chunk keyframe(0xB000);
    keyframe.Add(Segment(0, frames - 1));
    return main.Add(keyframe).Bytes();
}

} // namespace

TEST(ChunkReader, ObjectsWithoutNodesCostNoTrackStoragePerFrame)
{
    // 256 objects over 65535 frames once asked for a gigabyte of tracks.
    const auto loaded = LoadScene(ManyEmptyObjects(256, 65535));
    ASSERT_EQ(loaded->result, 1) << loaded->log.Text();
    EXPECT_EQ(loaded->model.GetFrameCount(), 65535);
    EXPECT_TRUE(loaded->model.Objects()[255].positionTrack.keys.empty());
}

TEST(ChunkReader, ALongNameSharedByManyObjectsCountsAgainstTheBudget)
{
    // Each object keeps its own copy of the name: 200000 copies of 255 bytes from a 1.2 MB file
    // once took four times the memory the file may ask for.
    const auto shared = LoadScene(ManyEmptyObjects(200000, 1, std::string(255, 'n')));
    EXPECT_EQ(shared->result, 0);
    EXPECT_EQ(shared->log.Text(), "Error: The scene is too large to convert\r\n");
    const auto shortName = LoadScene(ManyEmptyObjects(200000, 1, std::string(15, 'n')));
    EXPECT_EQ(shortName->result, 1) << shortName->log.Text();
}

TEST(ChunkReader, MoreThan65535ObjectsFailByNameButLoadByKeyFrame)
{
    const auto bytes = ManyEmptyObjects(65536, 1);
    const auto byName = LoadScene(bytes, FrameMode::ByObjectName);
    EXPECT_EQ(byName->result, 0);
    EXPECT_EQ(byName->log.Text(), "Error: The scene is too large to convert\r\n");
    EXPECT_TRUE(byName->view.progressLines.empty());

    const auto byKey = LoadScene(bytes, FrameMode::ByKeyFrame);
    EXPECT_EQ(byKey->result, 1) << byKey->log.Text();
    EXPECT_EQ(byKey->model.Objects().size(), 65536u);
}

TEST(ChunkReader, SceneThatWouldStoreMoreThanItsBudgetFailsBeforeReading)
{
    // Each empty object is 6 bytes of file and a record of about 200 bytes: 400000 of them come to
    // more than 48 MiB and twelve times the file.
    const auto loaded = LoadScene(ManyEmptyObjects(400000, 1));
    EXPECT_EQ(loaded->result, 0);
    EXPECT_EQ(loaded->log.Text(), "Error: The scene is too large to convert\r\n");
    EXPECT_TRUE(loaded->view.progressLines.empty());
    EXPECT_TRUE(loaded->model.Objects().empty());
}

TEST(ChunkReader, EveryPrefixOfAValidSceneLoadsOrFailsCleanly)
{
    const std::vector<std::uint8_t> scene = AnimatedScene();
    ASSERT_EQ(LoadScene(scene, FrameMode::ByObjectName)->result, 1);
    for (std::size_t length = 0; length <= scene.size(); ++length) {
        for (const FrameMode mode : {FrameMode::ByKeyFrame, FrameMode::ByObjectName}) {
            // A fresh buffer of exactly this length, so that an overread is caught by ASan.
            ExpectLoadsOrFailsCleanly(std::vector<std::uint8_t>(scene.begin(), scene.begin() + length), mode,
                                      "prefix " + std::to_string(length));
        }
    }
}

TEST(ChunkReader, EveryCorruptedByteOfAValidSceneLoadsOrFailsCleanly)
{
    const std::vector<std::uint8_t> scene = AnimatedScene();
    for (std::size_t at = 0; at < scene.size(); ++at) {
        for (const std::uint8_t value : {std::uint8_t{0x00}, std::uint8_t{0x7F}, std::uint8_t{0xFF},
                                         static_cast<std::uint8_t>(scene[at] ^ 0x01)}) {
            std::vector<std::uint8_t> bytes = scene;
            bytes[at] = value;
            for (const FrameMode mode : {FrameMode::ByKeyFrame, FrameMode::ByObjectName})
                ExpectLoadsOrFailsCleanly(bytes, mode, "byte " + std::to_string(at) + " = " + std::to_string(value));
        }
    }
}
