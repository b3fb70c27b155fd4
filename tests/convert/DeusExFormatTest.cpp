// The Deus Ex vertex format: four signed 16-bit words a vertex in 1/256 unit steps, behind the
// word deusex, against the standard packed word.
#include "convert/Conversion.h"
#include "convert/MeshWriter.h"
#include "convert/ModelPlacement.h"
#include "convert/VertexPacking.h"
#include "inspect/MeshInfo.h"
#include "inspect/MeshPair.h"
#include "platform/FileLayer.h"
#include "scene/StatusLog.h"
#include "tests/support/Chunk3ds.h"
#include "tests/support/FrameModel.h"
#include "tests/support/Files.h"
#include "tests/support/MemoryFile.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>

using namespace build3ds;

namespace {

// Converts input into dir/name.3d with the format's word, "script" too; the run's log.
std::string Convert(const ScopedTempDir& dir, const std::string& input, const std::string& name, VertexFormat format,
                    RunOutcome expected = RunOutcome::Completed)
{
    CRecordingView view;
    view.options.inputPath = input;
    view.options.outputPath = dir.File(name + ".3d");
    view.options.vertexFormat = format;
    view.options.script = true;
    RunState state;
    EXPECT_EQ(RunConversion(view, state, CFileSystem::Native()), expected) << state.statusLog.Text();
    return state.statusLog.Text();
}

// Every frame's bytes of a pair.
std::vector<std::uint8_t> AllFrames(CMeshPair& pair)
{
    std::vector<std::uint8_t> bytes;
    EXPECT_TRUE(pair.ReadFrames(0, pair.FrameCount(), bytes));
    return bytes;
}

std::vector<std::array<float, 3>> Points(std::size_t count)
{
    std::vector<std::array<float, 3>> out(count);
    for (std::size_t i = 0; i < count; ++i)
        out[i] = {static_cast<float>(i % 100), static_cast<float>(i / 100), 0.0f};
    return out;
}

} // namespace

TEST(DeusExFormat, WordsHold256thsTruncatedTowardZeroAndTheFarFaceIsHeld)
{
    struct Case {
        ScaledVertex vertex;
        std::array<std::uint8_t, 8> bytes;
    };
    const Case cases[] = {
        {ScaledVertex{0.0f, 0.0f, 0.0}, {0, 0, 0, 0, 0, 0, 0, 0}},
        {ScaledVertex{1.0f, -1.0f, 0.5}, {0x00, 0x01, 0x00, 0xFF, 0x80, 0x00, 0, 0}},
        {ScaledVertex{-128.0f, -128.0f, -128.0}, {0x00, 0x80, 0x00, 0x80, 0x00, 0x80, 0, 0}},
        {ScaledVertex{128.0f, 128.0f, 128.0}, {0xFF, 0x7F, 0xFF, 0x7F, 0xFF, 0x7F, 0, 0}}, // held at 32767
        {ScaledVertex{127.99609375f, 0.0f, 0.0}, {0xFF, 0x7F, 0, 0, 0, 0, 0, 0}},
        {ScaledVertex{0.0039f, -0.0039f, -0.0039}, {0, 0, 0, 0, 0, 0, 0, 0}},     // less than a step
        {ScaledVertex{-0.00390625f, 0.0f, -0.3}, {0xFF, 0xFF, 0, 0, 0xB4, 0xFF, 0, 0}}, // -76.8 -> -76
    };
    for (const Case& c : cases) {
        std::array<std::uint8_t, 8> out{};
        PackDeusExVertex(c.vertex, out.data());
        EXPECT_EQ(out, c.bytes) << c.vertex.x << " " << c.vertex.y << " " << c.vertex.z;
        const PackedSteps back = StepsAt(VertexFormat::DeusEx, out.data());
        EXPECT_EQ(back.x, static_cast<std::int16_t>(c.bytes[0] | c.bytes[1] << 8));
        EXPECT_EQ(back.z, static_cast<std::int16_t>(c.bytes[4] | c.bytes[5] << 8));
    }
}

TEST(DeusExFormat, RobotPairReadsBackAsTheStandardOneWithinOneStandardStep)
{
    ScopedTempDir dir;
    const std::string robot = std::string(TARNEX_SOURCE_DIR) + "/examples/robot.3ds";
    Convert(dir, robot, "standard", VertexFormat::Standard);
    Convert(dir, robot, "deusex", VertexFormat::DeusEx);
    EXPECT_EQ(ReadFileBytes(dir.File("deusex_d.3d")), ReadFileBytes(dir.File("standard_d.3d")));

    CMeshPair standard, deusEx;
    std::string fault;
    ASSERT_TRUE(standard.Open(CFileSystem::Native(), {dir.File("standard_d.3d"), dir.File("standard_a.3d")}, fault));
    ASSERT_TRUE(deusEx.Open(CFileSystem::Native(), {dir.File("deusex_d.3d"), dir.File("deusex_a.3d")}, fault));
    EXPECT_EQ(standard.Format(), VertexFormat::Standard);
    ASSERT_EQ(deusEx.Format(), VertexFormat::DeusEx);
    EXPECT_EQ(deusEx.FrameSize(), 8u * 144u);
    ASSERT_EQ(deusEx.FrameCount(), 36u);

    MeshInfo info;
    ASSERT_TRUE(InspectMeshPair(deusEx, info, fault)) << fault;
    const std::string report = MeshInfoReport(deusEx, info);
    EXPECT_NE(report.find("\nFrame size: 1152 bytes\nVertex format: Deus Ex, 8 bytes a vertex (X, Y, Z in 1/256 unit "
                          "steps)\n"),
              std::string::npos)
        << report;
    EXPECT_NE(report.find("\nReach of Z: -32768 to "), std::string::npos) << report;

    const std::vector<std::uint8_t> fine = AllFrames(deusEx), coarse = AllFrames(standard);
    const double standardStep[3] = {1.0 / 8, 1.0 / 8, 1.0 / 4};
    std::size_t compared = 0;
    for (std::size_t v = 0; v < 36u * 144u; ++v) {
        const PackedSteps a = StepsAt(VertexFormat::DeusEx, &fine[8 * v]);
        const PackedSteps b = StepsAt(VertexFormat::Standard, &coarse[4 * v]);
        const double deusUnits[3] = {a.x / 256.0, a.y / 256.0, a.z / 256.0};
        const double standardUnits[3] = {b.x / 8.0, b.y / 8.0, b.z / 4.0};
        for (int k = 0; k < 3; ++k)
            EXPECT_LT(std::abs(deusUnits[k] - standardUnits[k]), standardStep[k]) << "vertex " << v << " axis " << k;
        EXPECT_EQ(fine[8 * v + 6] | fine[8 * v + 7], 0);
        ++compared;
    }
    EXPECT_EQ(compared, 5184u);

    // The script scales every axis alike: 1 / (256 x 32/35).
    const std::string script = ReadText(dir.File("deusex.uc"));
    EXPECT_NE(script.find("#exec MESHMAP SCALE MESHMAP=deusex X=0.00427246094 Y=0.00427246094 Z=0.00427246094\r\n"),
              std::string::npos)
        << script;
}

TEST(DeusExFormat, MoreThan8191VerticesAreRefused)
{
    for (const std::size_t count : {8191u, 8192u}) {
        ScopedTempDir dir;
        const std::string input = dir.File("in.3ds");
        WriteFileBytes(input, Scene({SimpleObject("a", Points(count), {{0, 1, 2}})}));
        if (count == 8191u) {
            Convert(dir, input, "ship", VertexFormat::DeusEx);
            EXPECT_EQ(ReadFileBytes(dir.File("ship_a.3d")).size(), 4u + 8u * 8191u);
            continue;
        }
        EXPECT_EQ(Convert(dir, input, "ship", VertexFormat::DeusEx, RunOutcome::Failed),
                  "Loading model...\r\nError: The model has 8192 vertices per frame, more than the 8191 the Deus Ex "
                  "format can hold (8 bytes a vertex in a 16-bit frame size)\r\n");
        EXPECT_FALSE(CFileSystem::Native().Stat(dir.File("ship_a.3d")).exists);
        Convert(dir, input, "ship", VertexFormat::Standard); // the standard format holds them
    }
}

TEST(DeusExFormat, AppendRefusesAMixOfFormatsEitherWay)
{
    CFrameModel model;
    model.AddFrame({At(0, 0, 0), At(1, 1, 1)});
    struct Case {
        VertexFormat file, frames;
        std::uint16_t frameSize;
        const char* line;
    };
    const Case cases[] = {
        {VertexFormat::Standard, VertexFormat::DeusEx, 8,
         "are in the standard format (4 bytes a vertex); the new frames, in the Deus Ex format (8 bytes a vertex), "
         "cannot be appended to them\r\n"},
        {VertexFormat::DeusEx, VertexFormat::Standard, 16,
         "are in the Deus Ex format (8 bytes a vertex); the new frames, in the standard format (4 bytes a vertex), "
         "cannot be appended to them\r\n"},
    };
    for (const Case& c : cases) {
        ScopedTempDir dir;
        const std::string path = dir.File("ship_a.3d");
        const Bytes old = AnimationFile(3, c.frameSize);
        WriteFileBytes(path, old);
        CStatusLog log;
        AppendTarget target;
        std::string error;
        EXPECT_FALSE(OpenForAppend(model, path, CFileSystem::Native(), log, target, error, kLockPatience, c.frames));
        EXPECT_EQ(error, "Error: The frames in " + path + " " + c.line);
        target = AppendTarget{};
        EXPECT_EQ(ReadFileBytes(path), old);

        // The same format appends.
        WriteResult result;
        ASSERT_TRUE(OpenForAppend(model, path, CFileSystem::Native(), log, target, error, kLockPatience, c.file));
        ASSERT_TRUE(AppendFrames(model, target, ScaleFactors{}, CFileSystem::Native(), log, {}, result, error));
        EXPECT_EQ(ReadFileBytes(path).size(), old.size() + c.frameSize);
    }
}

TEST(DeusExFormat, GridNoteCountsTheFormatsOwnSteps)
{
    // A crate 2 units wide, -1..1, at factor 1: 16 standard steps of X, 512 of 1/256 unit.
    const Bounds crate{-1.0f, -1.0f, -1.0f, 1.0f, 1.0f, 1.0f};
    EXPECT_EQ(GridNote(crate, ScaleFactors{}, VertexFormat::DeusEx),
              "Note: the model spans only 512 of 65536 steps on its widest axis, X; tick Fill the cube (the word "
              "fill) to use the whole grid\r\n");
    // Reaching 10 of 128 is under an eighth of the cube, 20 of 128 over it.
    EXPECT_NE(GridNote(crate, ScaleFactors{10.0, 10.0, 10.0}, VertexFormat::DeusEx), "");
    EXPECT_EQ(GridNote(crate, ScaleFactors{20.0, 20.0, 20.0}, VertexFormat::DeusEx), "");
}
