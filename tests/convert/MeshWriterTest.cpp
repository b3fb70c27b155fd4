#include "convert/MeshWriter.h"

#include "convert/OutputNames.h"
#include "convert/VertexPacking.h"
#include "scene/StatusLog.h"
#include "tests/support/FaultyFileSystem.h"
#include "tests/support/FrameModel.h"
#include "tests/support/Files.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sys/stat.h>
#include <limits>

namespace {

FrameTriangle Corners(std::uint32_t a, std::uint32_t b, std::uint32_t c)
{
    FrameTriangle t;
    t.index0 = a;
    t.index1 = b;
    t.index2 = c;
    return t;
}

Bytes Concat(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const Bytes& part : parts)
        out.insert(out.end(), part.begin(), part.end());
    return out;
}

Bytes Zeros(std::size_t count)
{
    return Bytes(count, 0);
}

// One writer call in a fresh directory, with names "ship_d.3d" / "ship_a.3d" there.
struct WriterFixture {
    ScopedTempDir dir;
    OutputNames names{dir.File("ship_d.3d"), dir.File("ship_a.3d")};
    WriteResult result;
    std::string error;
    CStatusLog log; // the lines the writer reports

    bool Write(const CMeshModel& model, bool append, CFileSystem& fs = CFileSystem::Native(),
               const ScaleFactors& factors = ScaleFactors{})
    {
        return WriteMeshFiles(model, names, append, factors, fs, log, result, error);
    }
};

} // namespace

TEST(MeshWriter, PackedWordsHoldEighthsAndQuartersTruncatedTowardZero)
{
    struct Case {
        ScaledVertex vertex;
        std::uint32_t word;
    };
    const Case cases[] = {
        {ScaledVertex{0.0f, 0.0f, 0.0}, 0x00000000u},
        {ScaledVertex{1.0f, 0.5f, -0.3}, 0xFFC02008u},          // file bytes 08 20 C0 FF
        {ScaledVertex{-128.0f, -128.0f, -128.0}, 0x80200400u},  // 00 04 20 80
        {ScaledVertex{127.875f, 127.875f, 127.75}, 0x7FDFFBFFu}, // FF FB DF 7F
        {ScaledVertex{128.0f, 128.0f, 128.0}, 0x7FDFFBFFu},     // +128 is held at the largest field value
        {ScaledVertex{0.124f, 0.0f, 0.0}, 0x00000000u},
        {ScaledVertex{-0.124f, -0.124f, -0.2}, 0x00000000u},
        {ScaledVertex{-0.125f, 0.0f, 0.0}, 0x000007FFu},        // -1 eighth: field all ones, nothing spills
        {ScaledVertex{0.0f, -0.125f, 0.0}, 0x003FF800u},
        {ScaledVertex{0.0f, 0.0f, -0.25}, 0xFFC00000u},
        {ScaledVertex{-0.2f, 0.26f, 0.49}, 0x004017FFu},        // -1.6 -> -1, 2.08 -> 2, 1.96 -> 1
        {ScaledVertex{-128.0f, 0.0f, 0.0}, 0x00000400u},
        {ScaledVertex{0.0f, 0.0f, 127.9}, 0x7FC00000u},
        {ScaledVertex{0.0f, 0.0f, -127.9}, 0x80400000u},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PackVertex(c.vertex), c.word) << c.vertex.x << " " << c.vertex.y << " " << c.vertex.z;
}

TEST(MeshWriter, TextureByteKeepsLowEightBitsOfTimes256)
{
    struct Case {
        float coordinate;
        std::uint8_t byte;
    };
    const Case cases[] = {
        {0.0f, 0},      {0.5f, 128},      {0.999f, 255},    {1.0f, 0},        {1.25f, 64},
        {-0.25f, 192},  {0.0039f, 0},     {-0.001f, 0},     {-0.5f, 128},     {2.75f, 192},
        {8388607.5f, 128}, // times 256 still fits 32 bits: 0x7FFFFF80
        {std::numeric_limits<float>::quiet_NaN(), 0},
        {std::numeric_limits<float>::infinity(), 0},
        {-std::numeric_limits<float>::infinity(), 0},
        {8388608.0f, 0}, // times 256 is 2^31, one past the largest 32-bit integer
        {1e10f, 0},     {-1e10f, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TextureByte(c.coordinate), c.byte) << c.coordinate;
}

TEST(MeshWriter, OneTriangleNewPairIsByteExact)
{
    CFrameModel model;
    MeshFrame& frame = model.AddFrame({At(0.0f, 0.0f, 0.0f, 0.0f, 0.0f), At(1.0f, 0.5f, -0.3f, 0.5f, 0.25f),
                                       At(-128.0f, -128.0f, -128.0f, 1.0f, 0.999f)});
    FrameTriangle t = Corners(0, 1, 2);
    t.typeCode = 1;
    t.flagW = 1;
    t.flagN = 1;
    t.cByte = 0x12;
    t.skinIndex = 3;
    t.xByte = 0x40;
    AddTriangle(frame, t);

    WriterFixture w;
    ASSERT_TRUE(w.Write(model, false)) << w.error;
    EXPECT_EQ(w.result.framesWritten, 1);

    const Bytes data = Concat({{0x01, 0x00, 0x03, 0x00}, Zeros(44),
                               {0x00, 0x00, 0x01, 0x00, 0x02, 0x00, 0x89, 0x12, 0x00, 0x00, 0x80, 0x40, 0x00,
                                0xFF, 0x03, 0x40}});
    EXPECT_EQ(ReadFileBytes(w.names.dataPath), data);
    const Bytes animation = {0x01, 0x00, 0x0C, 0x00, 0x00, 0x00, 0x00, 0x00,
                             0x08, 0x20, 0xC0, 0xFF, 0x00, 0x04, 0x20, 0x80};
    EXPECT_EQ(ReadFileBytes(w.names.animationPath), animation);
    EXPECT_EQ(w.dir.Entries(), (std::vector<std::string>{"ship_a.3d", "ship_d.3d"}));
}

TEST(MeshWriter, TriangleRecordCarriesFlagsVertexMappingAndLowBits)
{
    CFrameModel model;
    MeshFrame& frame = model.AddFrame({At(0, 0, 0, 0.5f, 0.5f), At(0, 0, 0), At(0, 0, 0)});
    FrameTriangle flags = Corners(2, 0, 1);
    flags.typeCode = 0x02;
    flags.flagB = 7;
    flags.flagF = -1;
    flags.flagE = 1;
    flags.skinIndex = 0x1234;
    AddTriangle(frame, flags);
    // Indices keep their low 16 bits; a corner that names no vertex gets texture bytes 0.
    AddTriangle(frame, Corners(0x10000, 0x10002, 0));

    WriterFixture w;
    ASSERT_TRUE(w.Write(model, false)) << w.error;
    const Bytes data = ReadFileBytes(w.names.dataPath);
    ASSERT_EQ(data.size(), 80u);
    EXPECT_EQ(Bytes(data.begin(), data.begin() + 4), (Bytes{0x02, 0x00, 0x03, 0x00}));
    EXPECT_EQ(Bytes(data.begin() + 48, data.begin() + 64),
              (Bytes{0x02, 0x00, 0x00, 0x00, 0x01, 0x00, 0x72, 0x00, 0x00, 0x00, 0x80, 0x80, 0x00, 0x00, 0x34,
                     0x00}));
    EXPECT_EQ(Bytes(data.begin() + 64, data.end()),
              (Bytes{0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80, 0x80, 0x00,
                     0x00}));
}

TEST(MeshWriter, AnimationHoldsEveryFrameScaledAndClampedInOrder)
{
    CFrameModel model;
    model.AddFrame({At(2.0f, 0.0f, 0.0f), At(0.0f, 0.0f, -8.0f)});
    model.AddFrame({At(400.0f, -400.0f, 1.0f), At(0.0f, 2.0f, 0.0f)});

    WriterFixture w;
    ScaleFactors half;
    half.sx = half.sy = half.sz = 0.5;
    ASSERT_TRUE(w.Write(model, false, CFileSystem::Native(), half)) << w.error;
    EXPECT_EQ(w.result.framesWritten, 2);
    // Frame 0: x 1 -> 08 00 00 00; z -4 -> -16 -> 0x3F0 << 22 = FC 00 00 00.
    // Frame 1: (200, -200, 0.5) clamps to (128, -128, 0.5) -> 0x3FF | 0x400 << 11 | 2 << 22 = FF 03 A0 00;
    //          y 1 -> 8 << 11 = 00 40 00 00.
    const Bytes animation = {0x02, 0x00, 0x08, 0x00, 0x08, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFC,
                             0xFF, 0x03, 0xA0, 0x00, 0x00, 0x40, 0x00, 0x00};
    EXPECT_EQ(ReadFileBytes(w.names.animationPath), animation);
}

TEST(MeshWriter, ZeroFrameModelWritesEmptyPair)
{
    CFrameModel empty;
    WriterFixture w;
    ASSERT_TRUE(w.Write(empty, false)) << w.error;
    EXPECT_EQ(w.result.framesWritten, 0);
    EXPECT_EQ(ReadFileBytes(w.names.dataPath), Zeros(48));
    EXPECT_EQ(ReadFileBytes(w.names.animationPath), Zeros(4));
}

TEST(MeshWriter, NewPairReplacesExistingFiles)
{
    CFrameModel model;
    model.AddFrame({At(1.0f, 0.0f, 0.0f)});
    WriterFixture w;
    WriteFileBytes(w.names.dataPath, Bytes(100, 0xEE));
    WriteFileBytes(w.names.animationPath, Bytes(100, 0xEE));
    ASSERT_TRUE(w.Write(model, false)) << w.error;
    EXPECT_EQ(ReadFileBytes(w.names.dataPath), Concat({{0x00, 0x00, 0x01, 0x00}, Zeros(44)}));
    EXPECT_EQ(ReadFileBytes(w.names.animationPath), (Bytes{0x01, 0x00, 0x04, 0x00, 0x08, 0x00, 0x00, 0x00}));
    EXPECT_EQ(w.dir.Entries(), (std::vector<std::string>{"ship_a.3d", "ship_d.3d"}));
}

TEST(MeshWriter, AppendAddsFramesAfterOldBytesAndRewritesTheCount)
{
    CFrameModel model;
    model.AddFrame({At(1.0f, 0, 0), At(0, 1.0f, 0), At(0, 0, 1.0f)});
    model.AddFrame({At(-1.0f, 0, 0), At(0, 0, 0), At(0, 0, 0)});
    model.AddFrame({At(0, 0, 0), At(0, 0, 0), At(0.125f, 0, 0)});

    WriterFixture w;
    const Bytes old = AnimationFile(5, 12);
    const Bytes data = Bytes(64, 0x5D);
    WriteFileBytes(w.names.animationPath, old);
    WriteFileBytes(w.names.dataPath, data);

    ASSERT_TRUE(w.Write(model, true)) << w.error;
    EXPECT_EQ(w.result.framesWritten, 3);
    EXPECT_EQ(w.result.totalFrames, 8);

    Bytes expected = old;
    expected[0] = 0x08;
    const Bytes frames = {0x08, 0x00, 0x00, 0x00, 0x00, 0x40, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01,
                          0xF8, 0x07, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                          0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00};
    expected.insert(expected.end(), frames.begin(), frames.end());
    EXPECT_EQ(ReadFileBytes(w.names.animationPath), expected);
    EXPECT_EQ(ReadFileBytes(w.names.dataPath), data);
    EXPECT_EQ(w.dir.Entries(), (std::vector<std::string>{"ship_a.3d", "ship_d.3d"}));
}

TEST(MeshWriter, AppendWithoutFramesLeavesTheFileAsItWas)
{
    CFrameModel empty;
    WriterFixture w;
    const Bytes old = AnimationFile(2, 8);
    WriteFileBytes(w.names.animationPath, old);
    ASSERT_TRUE(w.Write(empty, true)) << w.error;
    EXPECT_EQ(w.result.framesWritten, 0);
    EXPECT_EQ(w.result.totalFrames, 2);
    EXPECT_EQ(ReadFileBytes(w.names.animationPath), old);
    EXPECT_FALSE(std::filesystem::exists(w.names.dataPath)); // the data file is never created
}

TEST(MeshWriter, AppendRefusesFilesThatAreNotAnimationFiles)
{
    CFrameModel model;
    model.AddFrame({At(0, 0, 0)});
    const Bytes broken[] = {
        {},
        {0x01, 0x00, 0x04},
        {0x02, 0x00, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00},             // two frames claimed, one held
    };
    for (const Bytes& bytes : broken) {
        WriterFixture w;
        WriteFileBytes(w.names.animationPath, bytes);
        EXPECT_FALSE(w.Write(model, true));
        EXPECT_EQ(w.error, "Error: " + w.names.animationPath + " is not a valid Unreal .3D animation file\r\n");
        EXPECT_EQ(ReadFileBytes(w.names.animationPath), bytes);
        EXPECT_EQ(w.dir.Entries(), (std::vector<std::string>{"ship_a.3d"}));
    }
}

TEST(MeshWriter, AppendCutsBytesLeftByAnAppendThatDidNotFinish)
{
    CFrameModel model;
    model.AddFrame({At(1.0f, 0, 0)});
    // One counted frame, then half a frame that an interrupted append wrote without its count.
    const Bytes counted = {0x01, 0x00, 0x04, 0x00, 0x11, 0x22, 0x33, 0x44};
    WriterFixture w;
    Bytes leftover = counted;
    leftover.insert(leftover.end(), {0xAA, 0xBB});
    WriteFileBytes(w.names.animationPath, leftover);
    ASSERT_TRUE(w.Write(model, true)) << w.error;
    EXPECT_EQ(w.log.Text(), "Cut 2 bytes after the last frame of " + w.names.animationPath +
                         ", left by an append that did not finish\r\n");
    EXPECT_EQ(ReadFileBytes(w.names.animationPath),
              (Bytes{0x02, 0x00, 0x04, 0x00, 0x11, 0x22, 0x33, 0x44, 0x08, 0x00, 0x00, 0x00}));

    // A file without frames in its count keeps its header.
    WriteFileBytes(w.names.animationPath, {0x00, 0x00, 0x04, 0x00, 0x99});
    w.log = CStatusLog();
    ASSERT_TRUE(w.Write(model, true)) << w.error;
    EXPECT_EQ(ReadFileBytes(w.names.animationPath), (Bytes{0x01, 0x00, 0x04, 0x00, 0x08, 0x00, 0x00, 0x00}));
    EXPECT_EQ(w.log.Text(), "Cut 1 bytes after the last frame of " + w.names.animationPath +
                         ", left by an append that did not finish\r\n");
}

TEST(MeshWriter, AppendRejectsMismatchedFrameSize)
{
    CFrameModel model;
    model.AddFrame({At(0, 0, 0), At(0, 0, 0), At(0, 0, 0), At(0, 0, 0)});
    WriterFixture w;
    const Bytes old = AnimationFile(5, 12);
    WriteFileBytes(w.names.animationPath, old);
    EXPECT_FALSE(w.Write(model, true));
    EXPECT_EQ(w.error,
              "Error: The new frames have 4 vertices, but the frames in " + w.names.animationPath + " have 3\r\n");
    EXPECT_EQ(ReadFileBytes(w.names.animationPath), old);
}

TEST(MeshWriter, AppendRefusesTotalAbove65535)
{
    CFrameModel model;
    model.AddFrame({At(0, 0, 0)});
    model.AddFrame({At(0, 0, 0)});
    WriterFixture w;
    const Bytes old = AnimationFile(65534, 4);
    WriteFileBytes(w.names.animationPath, old);
    EXPECT_FALSE(w.Write(model, true));
    EXPECT_EQ(w.error, "Error: Appending 2 frame(s) to 65534 would exceed the 65535 frames an Unreal .3D model "
                       "can hold\r\n");
    EXPECT_EQ(ReadFileBytes(w.names.animationPath), old);

    // Exactly 65535 fits.
    model.frames.pop_back();
    ASSERT_TRUE(w.Write(model, true)) << w.error;
    EXPECT_EQ(w.result.totalFrames, 65535);
    const Bytes grown = ReadFileBytes(w.names.animationPath);
    EXPECT_EQ(grown.size(), old.size() + 4);
    EXPECT_EQ(Bytes(grown.begin(), grown.begin() + 4), (Bytes{0xFF, 0xFF, 0x04, 0x00}));
}

TEST(MeshWriter, AppendToMissingFileOrFolderCannotOpen)
{
    CFrameModel model;
    model.AddFrame({At(0, 0, 0)});
    WriterFixture w;
    EXPECT_FALSE(w.Write(model, true));
    EXPECT_EQ(w.error, "Error: Could not open Output file: " + w.names.animationPath + "\r\n(No such file or directory)\r\n");
    EXPECT_TRUE(w.dir.Entries().empty());

    std::filesystem::create_directory(w.names.animationPath);
    EXPECT_FALSE(w.Write(model, true));
    EXPECT_EQ(w.error, "Error: Could not open Output file: " + w.names.animationPath + "\r\n(Is a directory)\r\n");
}

TEST(MeshWriter, FailedNewPairLeavesExistingTargetsAndNoTemporaries)
{
    CFrameModel model;
    model.AddFrame({At(1.0f, 2.0f, 3.0f), At(0, 0, 0), At(0, 0, 0)});
    AddTriangle(model.frames[0], Corners(0, 1, 2));
    const Bytes oldData(70, 0xDD), oldAnimation(30, 0xAA);

    struct Case {
        FileOp op;
        int occurrence;
        bool dataNamed; // the error line names the data file, else the animation file
    };
    const Case cases[] = {
        {FileOp::CreateTemp, 1, true}, {FileOp::Write, 1, true},  {FileOp::Flush, 1, true},
        {FileOp::CreateTemp, 2, false}, {FileOp::Write, 2, false}, {FileOp::Flush, 2, false},
        {FileOp::Rename, 1, true},      {FileOp::Rename, 2, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(FileOpName(c.op)) + " #" + std::to_string(c.occurrence));
        WriterFixture w;
        WriteFileBytes(w.names.dataPath, oldData);
        WriteFileBytes(w.names.animationPath, oldAnimation);
        CFaultyFileSystem fs;
        fs.FailNth(c.op, c.occurrence);
        EXPECT_FALSE(w.Write(model, false, fs));
        EXPECT_TRUE(fs.Injected());
        EXPECT_EQ(w.error, "Error: Could not write output file: " +
                               (c.dataNamed ? w.names.dataPath : w.names.animationPath) + "\r\n");
        EXPECT_EQ(ReadFileBytes(w.names.dataPath), oldData);
        EXPECT_EQ(ReadFileBytes(w.names.animationPath), oldAnimation);
        EXPECT_EQ(w.dir.Entries(), (std::vector<std::string>{"ship_a.3d", "ship_d.3d"}));
    }
}

TEST(MeshWriter, FailedNewPairWithoutOldTargetsLeavesNothing)
{
    CFrameModel model;
    model.AddFrame({At(1.0f, 2.0f, 3.0f)});
    for (const FileOp op : {FileOp::Write, FileOp::Flush}) {
        WriterFixture w;
        CFaultyFileSystem fs;
        fs.FailNth(op, 2); // the animation file's: the data file is complete by then
        EXPECT_FALSE(w.Write(model, false, fs));
        EXPECT_EQ(w.error, "Error: Could not write output file: " + w.names.animationPath + "\r\n");
        EXPECT_TRUE(w.dir.Entries().empty()) << FileOpName(op);
    }
}

TEST(MeshWriter, FailedAppendLeavesTheAnimationFileAsItWas)
{
    CFrameModel model;
    for (int i = 0; i < 3; ++i)
        model.AddFrame({At(1.0f, 0, 0), At(0, 1.0f, 0), At(0, 0, static_cast<float>(i))});
    const Bytes old = AnimationFile(5, 12);

    // The header is read, the frames written and flushed, then the count written and flushed.
    const std::pair<FileOp, int> faults[] = {{FileOp::Read, 1},  {FileOp::Write, 1}, {FileOp::Flush, 1},
                                             {FileOp::Write, 2}, {FileOp::Flush, 2}, {FileOp::Seek, 2}};
    for (const auto& [op, occurrence] : faults) {
        SCOPED_TRACE(std::string(FileOpName(op)) + " #" + std::to_string(occurrence));
        WriterFixture w;
        WriteFileBytes(w.names.animationPath, old);
        CFaultyFileSystem fs;
        fs.FailNth(op, occurrence);
        EXPECT_FALSE(w.Write(model, true, fs));
        EXPECT_TRUE(fs.Injected());
        EXPECT_EQ(w.error.rfind("Error: ", 0), 0u) << w.error;
        EXPECT_EQ(ReadFileBytes(w.names.animationPath), old);
        EXPECT_EQ(w.dir.Entries(), (std::vector<std::string>{"ship_a.3d"}));
    }
}

// Symbolic links and permission bits: Wine has no symbolic links and ignores chmod.
#ifndef _WIN32
TEST(MeshWriter, ReplacedAndAppendedFilesKeepTheirLinksAndPermissions)
{
    CFrameModel model;
    model.AddFrame({At(1.0f, 0.0f, 0.0f)});
    WriterFixture w;
    // The user's files live elsewhere; the output names are symbolic links to them.
    const std::string realData = w.dir.File("store_d.3d"), realAnimation = w.dir.File("store_a.3d");
    WriteFileBytes(realData, Bytes(100, 0xEE));
    WriteFileBytes(realAnimation, Bytes(100, 0xEE));
    ASSERT_EQ(::chmod(realData.c_str(), 0600), 0);
    ASSERT_EQ(::chmod(realAnimation.c_str(), 0640), 0);
    std::filesystem::create_symlink("store_d.3d", w.names.dataPath);
    std::filesystem::create_symlink("store_a.3d", w.names.animationPath);

    ASSERT_TRUE(w.Write(model, false)) << w.error;
    EXPECT_TRUE(std::filesystem::is_symlink(w.names.dataPath));
    EXPECT_TRUE(std::filesystem::is_symlink(w.names.animationPath));
    EXPECT_EQ(ReadFileBytes(realAnimation), (Bytes{0x01, 0x00, 0x04, 0x00, 0x08, 0x00, 0x00, 0x00}));
    EXPECT_EQ(ReadFileBytes(realData).size(), 48u);
    EXPECT_EQ(std::filesystem::status(realData).permissions(), std::filesystem::perms(0600));
    EXPECT_EQ(std::filesystem::status(realAnimation).permissions(), std::filesystem::perms(0640));

    ASSERT_TRUE(w.Write(model, true)) << w.error;
    EXPECT_TRUE(std::filesystem::is_symlink(w.names.animationPath));
    EXPECT_EQ(ReadFileBytes(realAnimation),
              (Bytes{0x02, 0x00, 0x04, 0x00, 0x08, 0x00, 0x00, 0x00, 0x08, 0x00, 0x00, 0x00}));
    EXPECT_EQ(std::filesystem::status(realAnimation).permissions(), std::filesystem::perms(0640));
    EXPECT_EQ(w.dir.Entries(), (std::vector<std::string>{"ship_a.3d", "ship_d.3d", "store_a.3d", "store_d.3d"}));
}
#endif // _WIN32
