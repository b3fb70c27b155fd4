// Reading the pair's format facts back: the two headers and the fields of a packed word.
#include "convert/MeshFormat.h"
#include "convert/VertexPacking.h"
#include "tests/support/MemoryFile.h"

#include <gtest/gtest.h>

TEST(MeshFormat, HeadersGiveTheirCountsLittleEndianAndRefuseEveryShorterFile)
{
    std::vector<std::uint8_t> data(kDataHeaderBytes, 0x00);
    data[0] = 0x34, data[1] = 0x12, data[2] = 0xFF, data[3] = 0x80;
    CMemoryFile dataFile(data);
    DataHeader dataHeader;
    ASSERT_TRUE(ReadDataHeader(dataFile, dataHeader));
    EXPECT_EQ(dataHeader.triangleCount, 0x1234);
    EXPECT_EQ(dataHeader.vertexCount, 0x80FF);

    // Read from the start whatever the file's position was.
    CMemoryFile animationFile({0x05, 0x00, 0x0C, 0x00, 0xAA});
    animationFile.Seek(3);
    AnimationHeader animationHeader;
    ASSERT_TRUE(ReadAnimationHeader(animationFile, animationHeader));
    EXPECT_EQ(animationHeader.frameCount, 5);
    EXPECT_EQ(animationHeader.frameSize, 12);

    for (std::size_t length = 0; length < kDataHeaderBytes; ++length) {
        const auto end = data.begin() + static_cast<std::ptrdiff_t>(length);
        CMemoryFile shortData(std::vector<std::uint8_t>(data.begin(), end));
        EXPECT_FALSE(ReadDataHeader(shortData, dataHeader)) << length;
    }
    for (std::size_t length = 0; length < kAnimationHeaderBytes; ++length) {
        CMemoryFile shortAnimation(std::vector<std::uint8_t>(length, 0x01));
        EXPECT_FALSE(ReadAnimationHeader(shortAnimation, animationHeader)) << length;
    }
}

TEST(VertexPacking, UnpackGivesEachFieldAsSignedStepsAndKnowsTheFaces)
{
    struct Case {
        std::uint32_t word;
        std::int32_t x, y, z;
    };
    const Case cases[] = {
        {0x00000000u, 0, 0, 0},
        {0xFFC02008u, 8, 4, -1},           // file bytes 08 20 C0 FF
        {0x80200400u, -1024, -1024, -512}, // the lowest value of every field
        {0x7FDFFBFFu, 1023, 1023, 511},    // the largest
        {0x00400FFFu, -1, 1, 1},           // X all ones: its sign does not reach Y
        {0x003FF800u, 0, -1, 0},
        {0xFFC00000u, 0, 0, -1},
    };
    for (const Case& c : cases) {
        const PackedSteps s = UnpackVertex(c.word);
        EXPECT_EQ(s.x, c.x) << std::hex << c.word;
        EXPECT_EQ(s.y, c.y) << std::hex << c.word;
        EXPECT_EQ(s.z, c.z) << std::hex << c.word;
    }
    EXPECT_TRUE(kPackedX.OnFace(1023) && kPackedX.OnFace(-1024) && kPackedY.OnFace(1023) && kPackedY.OnFace(-1024));
    EXPECT_TRUE(kPackedZ.OnFace(511) && kPackedZ.OnFace(-512));
    EXPECT_FALSE(kPackedX.OnFace(1022) || kPackedX.OnFace(-1023) || kPackedZ.OnFace(1023) || kPackedZ.OnFace(-1024));
}
