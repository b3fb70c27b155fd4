// The passes over vertex positions take eight vertices side by side and the rest one at a time; every vertex must come out as it would alone,
// whichever lane it falls in.
#include "convert/OutputNames.h"
#include "scene/StatusLog.h"
#include "convert/MeshWriter.h"
#include "convert/VertexPacking.h"
#include "platform/FileLayer.h"
#include "tests/support/FrameModel.h"
#include "tests/support/Files.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

// The words of the animation file after its 4-byte header.
Bytes AnimationWords(const CMeshModel& model, const ScaleFactors& factors)
{
    ScopedTempDir folder;
    OutputNames names{folder.File("m_d.3d"), folder.File("m_a.3d")};
    WriteResult result;
    std::string error;
    CStatusLog log;
    EXPECT_TRUE(WriteMeshFiles(model, names, false, factors, CFileSystem::Native(), log, result, error)) << error;
    const Bytes animation = ReadFileBytes(names.animationPath);
    return animation.size() < 4 ? Bytes() : Bytes(animation.begin() + 4, animation.end());
}

} // namespace

TEST(VertexLanes, EveryLaneAndTheTailPackAndClampAlike)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    CFrameModel model;
    model.AddFrame({At(0.0f, 0.0f, 0.0f), At(1.0f, 0.5f, -0.3f), At(-128.0f, -128.0f, -128.0f),
                    At(127.875f, 127.875f, 127.75f), At(300.0f, 128.0f, 128.0f), At(nan, -inf, inf),
                    At(0.124f, -0.124f, -0.2499f), At(-0.125f, 0.125f, 0.25f), At(1.0f, 0.5f, -0.3f)});
    const Bytes expected = {
        0x00, 0x00, 0x00, 0x00, // (0, 0, 0)
        0x08, 0x20, 0xC0, 0xFF, // X 8, Y 4, Z -1.2 truncated to -1
        0x00, 0x04, 0x20, 0x80, // -128 on every axis
        0xFF, 0xFB, 0xDF, 0x7F, // the largest values of the three fields
        0xFF, 0xFB, 0xDF, 0x7F, // +128 and beyond are held at the largest values
        0x00, 0x04, 0xE0, 0x7F, // not a number and -inf give -128, +inf gives +128
        0x00, 0x00, 0x00, 0x00, // under one step either side of zero truncates to 0
        0xFF, 0x0F, 0x40, 0x00, // X -1, Y 1, Z 1
        0x08, 0x20, 0xC0, 0xFF, // the ninth vertex, on its own
    };
    EXPECT_EQ(AnimationWords(model, ScaleFactors{}), expected);
}

TEST(VertexLanes, XAndYRoundToSinglePrecisionBeforePackingAndZDoesNot)
{
    // 0.375 × 0.9999999999 rounds to 0.375 in single precision, so X and Y are 3 eighths; Z keeps
    // 0.75 × 0.9999999999 in double precision, just under 3 quarters, and truncates to 2.
    CFrameModel model;
    model.AddFrame(std::vector<FrameVertex>(9, At(0.375f, 0.375f, 0.75f)));
    ScaleFactors factors;
    factors.sx = factors.sy = factors.sz = 0.9999999999;
    Bytes expected;
    for (int i = 0; i < 9; ++i) // eight in the lanes, one on its own
        expected.insert(expected.end(), {0x03, 0x18, 0x80, 0x00});
    EXPECT_EQ(AnimationWords(model, factors), expected);
}

TEST(VertexLanes, PackedRunsOfAnyLengthAndStartMatchOneVertexAtATime)
{
    // Coordinates from a fixed sequence over and beyond the cube, with values that are not
    // numbers and infinities among them; factors that round differently in each precision.
    const float specials[] = {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                              -std::numeric_limits<float>::infinity(), -0.0f, 128.0f, -128.0f, 127.99f};
    FramePositions positions;
    positions.Resize(40);
    std::uint32_t state = 12345;
    for (std::size_t i = 0; i < 40; ++i) {
        for (std::vector<float>* axis : {&positions.x, &positions.y, &positions.z}) {
            state = state * 1664525u + 1013904223u;
            (*axis)[i] = state % 11 == 0 ? specials[state / 11 % 7]
                                         : static_cast<float>(static_cast<std::int32_t>(state >> 8) % 70000) / 200.0f;
        }
    }
    const ScaleFactors factors{0.7777777777, 1.3333333333, 0.4999999999};
    for (std::size_t first = 0; first < 9; ++first) {
        for (std::size_t count = 0; first + count <= 40; ++count) {
            Bytes packed(4 * count, 0xEE);
            PackPositions(positions, first, count, factors, packed.data());
            for (std::size_t k = 0; k < count; ++k) {
                const FrameVertex v{positions.x[first + k], positions.y[first + k], positions.z[first + k], 0, 0};
                const std::uint32_t word = PackVertex(ScaleVertex(v, factors));
                const std::uint32_t got = packed[4 * k] | packed[4 * k + 1] << 8 | packed[4 * k + 2] << 16 |
                                          static_cast<std::uint32_t>(packed[4 * k + 3]) << 24;
                ASSERT_EQ(got, word) << "first " << first << ", count " << count << ", vertex " << k;
            }
        }
    }
}

TEST(VertexLanes, ExtentsTakeTheLargestMagnitudeFromAnyLaneOrTheTail)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    CFrameModel model;
    model.AddFrame({At(1, 1, 1), At(-300, 2, nan), At(-0.0f, 3, 4), At(5, nan, 6), At(7, 8, 9), At(10, 11, 12),
                    At(13, 12, 14), At(1, 1, 1), At(2, 2, 2), At(3, 250, 3)});
    model.AddFrame({At(1, 1, 1), At(2, 2, 2), At(3, 3, 3), At(4, 4, 4), At(5, 5, 5), At(6, 6, 6),
                    At(4, 4, -77.5f), At(7, -7, 7), At(8, 8, 8)});
    const Extents extents = MeasureExtents(model, 2);
    EXPECT_EQ(extents.mx, 300.0);
    EXPECT_EQ(extents.my, 250.0);
    EXPECT_EQ(extents.mz, 77.5);
}

TEST(VertexLanes, ExtentsFindTheLargestMagnitudeInEveryPlaceOfALongFrame)
{
    // 75 vertices: two runs of four sets of lanes, one set more, and three on their own.
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (std::size_t place = 0; place < 75; ++place) {
        std::vector<FrameVertex> vertices;
        for (std::size_t i = 0; i < 75; ++i)
            vertices.push_back(At(static_cast<float>(i % 9), i % 5 == 0 ? nan : -static_cast<float>(i % 7),
                                  i % 3 == 0 ? -0.0f : 2.0f));
        vertices[place] = At(-500.0f, 321.5f, -99.0f);
        CFrameModel model;
        model.AddFrame(vertices);
        const Extents extents = MeasureExtents(model, 1);
        EXPECT_EQ(extents.mx, 500.0) << place;
        EXPECT_EQ(extents.my, 321.5) << place;
        EXPECT_EQ(extents.mz, 99.0) << place;
    }
}
