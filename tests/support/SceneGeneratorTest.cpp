#include "tests/support/SceneGenerator.h"

#include "input3ds/3dsModel.h"
#include "tests/support/LoadedScene.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>

namespace {

std::unique_ptr<Loaded> LoadShape(const scenegen::SceneShape& shape, FrameMode mode)
{
    return LoadScene(scenegen::GenerateScene(shape), mode);
}

} // namespace

TEST(SceneGenerator, ShuffledObjectsLoadInNameOrderWithGridMappingAndSkin)
{
    scenegen::SceneShape shape;
    shape.objectCount = 5;
    shape.verticesPerObject = 4;
    shape.shuffled = true;
    ASSERT_NE(scenegen::WriteOrder(shape), (std::vector<std::uint32_t>{0, 1, 2, 3, 4}));

    const auto loaded = LoadShape(shape, FrameMode::ByObjectName);
    ASSERT_EQ(loaded->result, 1) << loaded->log.Text();
    ASSERT_EQ(loaded->model.GetFrameCount(), 5);
    const auto& sorted = loaded->model.SortedObjects();
    EXPECT_EQ(sorted[0]->name, "obj0000");
    EXPECT_EQ(sorted[4]->name, "obj0004");

    // Object 0: a 2 × 2 grid about origin (-120, -120, 0), half a unit apart.
    const MeshObject& first = *sorted[0];
    ASSERT_EQ(first.vertexCount, 4u);
    EXPECT_EQ(first.vertices[1].x, -120.0f);
    EXPECT_EQ(first.vertices[1].y, -120.5f);
    EXPECT_EQ(first.vertices[1].z, 4.625f);
    EXPECT_EQ(first.vertices[1].u, 0.5f);
    EXPECT_EQ(first.vertices[1].v, 1.0f);
    EXPECT_EQ(first.origin.x, -120.0f);

    ASSERT_EQ(first.triangleCount, 8u);
    const MeshTriangle& odd = first.triangles[1];
    EXPECT_EQ(odd.index0, 1u);
    EXPECT_EQ(odd.index1, 3u);
    EXPECT_EQ(odd.index2, 2u);
    EXPECT_EQ(odd.options.skinIndex, 1);
    EXPECT_EQ(odd.options.typeCode, 2);
    EXPECT_EQ(odd.options.flagW, 1);
    EXPECT_EQ(odd.options.cByte, 0x0F);
}

TEST(SceneGenerator, KeyframeSegmentHasTracksKeyedEveryKFrames)
{
    scenegen::SceneShape shape;
    shape.objectCount = 2;
    shape.verticesPerObject = 9;
    shape.mapping = false;
    shape.skin = false;
    shape.frames = 21;
    shape.keyEvery = 10;

    const auto loaded = LoadShape(shape, FrameMode::ByKeyFrame);
    ASSERT_EQ(loaded->result, 1) << loaded->log.Text();
    ASSERT_EQ(loaded->model.GetFrameCount(), 21);
    const MeshObject& object = loaded->model.Objects()[1];
    EXPECT_EQ(object.vertices[4].u, 0.0f);
    EXPECT_EQ(object.triangles[0].options.typeCode, 0);

    EXPECT_EQ(PositionAt(object, 10).x, 0.5f);
    EXPECT_EQ(PositionAt(object, 10).y, 0.25f);
    EXPECT_EQ(PositionAt(object, 10).z, -0.125f);
    EXPECT_EQ(PositionAt(object, 5).x, 0.25f);
    EXPECT_EQ(ScaleAt(object, 10).x, 1.125f);
    EXPECT_EQ(ScaleAt(object, 10).z, 0.9375f);
    // Object 1 turns 0.125 rad about (0, 0.8, 0.6) at every key after the first.
    EXPECT_FLOAT_EQ(RotationAt(object, 20).y, 0.2f);
    EXPECT_FLOAT_EQ(RotationAt(object, 20).z, 0.15f);
    EXPECT_EQ(RotationAt(object, 0).y, 0.0f);
}

TEST(SceneGenerator, FileHoldsTheSameBytesAsMemory)
{
    scenegen::SceneShape shape;
    shape.objectCount = 3;
    shape.verticesPerObject = 50;
    shape.frames = 12;
    shape.keyEvery = 4;
    shape.shuffled = true;
    const std::vector<std::uint8_t> bytes = scenegen::GenerateScene(shape);

    const std::string path = ::testing::TempDir() + "tarnex-scenegen.3ds";
    ASSERT_EQ(scenegen::WriteSceneFile(shape, path), bytes.size());
    std::ifstream in(path, std::ios::binary);
    const std::vector<std::uint8_t> written{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::remove(path.c_str());
    EXPECT_EQ(written, bytes);
    // The main chunk's length is patched in after the content: it spans the whole file.
    EXPECT_EQ(bytes[0], 0x4D);
    EXPECT_EQ(bytes[2] | bytes[3] << 8 | bytes[4] << 16 | static_cast<std::size_t>(bytes[5]) << 24, bytes.size());
}
