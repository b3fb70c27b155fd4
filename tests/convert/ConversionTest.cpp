#include "convert/Conversion.h"

#include "platform/FileLayer.h"
#include "tests/support/Chunk3ds.h"
#include "tests/support/MemoryFile.h"
#include "tests/support/Files.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace build3ds;

namespace {

using Names = std::vector<std::string>;

const std::vector<std::array<float, 3>> kTriangle = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
// Reaches 256 on x, 64 on y and 32 on z: uniform scaling halves it.
const std::vector<std::array<float, 3>> kLarge = {{256, 0, 0}, {0, 64, 0}, {0, 0, -32}};

const Names kStartCalls = {"GrowWindow 130", "ReadOptions"};
const Names kCompletedCalls = {"GrowWindow 130", "ReadOptions", "DisableControls", "SetGoCaption Close",
                               "EnableGo"};
// A failed run enables the controls again, with the focus on the input path.
const Names kFailedCalls = {"GrowWindow 130", "ReadOptions", "DisableControls", "EnableControls 0"};

Names FailedCalls(RetryFocus focus)
{
    return {"GrowWindow 130", "ReadOptions", "DisableControls",
            "EnableControls " + std::to_string(static_cast<int>(focus))};
}

Bytes AnimationHeaderAndZeros(std::uint16_t count, std::uint16_t frameSize)
{
    Bytes out = {static_cast<std::uint8_t>(count), static_cast<std::uint8_t>(count >> 8),
                 static_cast<std::uint8_t>(frameSize), static_cast<std::uint8_t>(frameSize >> 8)};
    out.resize(4 + std::size_t{count} * frameSize, 0x11);
    return out;
}

std::size_t CountOf(const std::string& text, const std::string& part)
{
    std::size_t count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

// One dialog's life: its run state, a recording host and a folder holding the scene "in.3ds".
struct Dialog {
    ScopedTempDir dir;
    CRecordingView view;
    RunState state;
    std::string input = dir.File("in.3ds");

    Dialog(const Bytes& scene = Scene({SimpleObject("tri", kTriangle, {{0, 1, 2}})}))
    {
        WriteFileBytes(input, scene);
        view.options.inputPath = input;
        view.options.outputPath = dir.File("ship.3d");
    }

    RunOutcome Go() { return RunConversion(view, state, CFileSystem::Native()); }
};

} // namespace

TEST(ConversionRun, RefusedRequestsShowTheFirstFailingCheckAndChangeNothing)
{
    struct Case {
        const char* what;
        std::string input, output; // "@" is replaced by the test folder
        bool append;
        std::string message;
    };
    const Case cases[] = {
        {"no paths", "", "", false, "Error: You must specify an input file"},
        {"no input", "", "@/ship.3d", false, "Error: You must specify an input file"},
        {"missing input", "@/none.3ds", "", false, "Error: Could not open Input file: @/none.3ds\r\n(No such file or directory)"},
        {"folder as input", "@", "@/ship.3d", false, "Error: Could not open Input file: @\r\n(Is a directory)"},
        {"no output", "@/in.3ds", "", false, "Error: You must specify an output file name"},
        {"output in missing folder", "@/in.3ds", "@/no/ship.3d", false,
         "Error: Could not open Output file: @/no/ship.3d\r\n(No such file or directory)"},
        {"folder as output", "@/in.3ds", "@", false, "Error: Could not open Output file: @\r\n(Is a directory)"},
        {"append to missing file", "@/in.3ds", "@/ship_a.3d", true,
         "Error: Could not open Output file: @/ship_a.3d\r\n(No such file or directory)"},
        {"append to unsuffixed name", "@/in.3ds", "@/ship.3d", true,
         "Error: The output file must be an Unreal .3D model."},
        {"output is the input", "@/in.3ds", "@/in.3ds", false, "Error: Could not open Output file: @/in.3ds\r\n(the input file would be replaced)"},
        {"appended output is the input", "@/in.3ds", "@/in.3ds", true,
         "Error: Could not open Output file: @/in.3ds\r\n(the input file would be replaced)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Dialog d;
        WriteFileBytes(d.dir.File("ship.3d"), {1, 2, 3});
        const Bytes scene = ReadFileBytes(d.input);
        const auto at = [&](std::string text) {
            for (auto p = text.find('@'); p != std::string::npos; p = text.find('@'))
                text.replace(p, 1, d.dir.Path());
            return text;
        };
        d.view.options.inputPath = at(c.input);
        d.view.options.outputPath = at(c.output);
        d.view.options.append = c.append;

        EXPECT_EQ(d.Go(), RunOutcome::Refused);
        EXPECT_EQ(d.view.statusText, at(c.message));
        EXPECT_EQ(d.state.statusLog.Text(), "");
        EXPECT_EQ(d.view.calls, kStartCalls);
        EXPECT_TRUE(d.state.windowGrown);
        EXPECT_FALSE(d.state.runFinished);
        EXPECT_EQ(d.dir.Entries(), (Names{"in.3ds", "ship.3d"}));
        EXPECT_EQ(ReadFileBytes(d.input), scene);
        EXPECT_EQ(ReadFileBytes(d.dir.File("ship.3d")), (Bytes{1, 2, 3}));
    }
}

TEST(ConversionRun, WindowGrowsOnceAndARefusedRequestCanBeCorrected)
{
    Dialog d;
    d.view.options.outputPath = "";
    EXPECT_EQ(d.Go(), RunOutcome::Refused);
    EXPECT_EQ(d.Go(), RunOutcome::Refused);
    d.view.options.outputPath = d.dir.File("ship.3d");
    EXPECT_EQ(d.Go(), RunOutcome::Completed);
    EXPECT_EQ(d.view.calls, (Names{"GrowWindow 130", "ReadOptions", "ReadOptions", "ReadOptions",
                                   "DisableControls", "SetGoCaption Close", "EnableGo"}));
    // The next line of the run replaced the refusal with the log.
    EXPECT_EQ(d.view.statusText, d.state.statusLog.Text());
}

TEST(ConversionRun, CompletedRunLogsEveryStageAndWritesThePair)
{
    struct Case {
        VertexMode mode;
        std::string scaleLines;
        Bytes frame; // the three packed words of kLarge
    };
    const Case cases[] = {
        {VertexMode::UniformScale, "Checking model scale...\r\nUniform Scale applied: 0.500\r\n",
         {0xFF, 0x03, 0x00, 0x00, 0x00, 0x00, 0x08, 0x00, 0x00, 0x00, 0x00, 0xF0}},
        {VertexMode::XyzScale, "Checking model scale...\r\nScale applied: X:0.500 Y:1.000 Z:1.000\r\n",
         {0xFF, 0x03, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x00, 0x00, 0x00, 0xE0}},
        {VertexMode::ClipBounds, "", {0xFF, 0x03, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x00, 0x00, 0x00, 0xE0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.mode));
        Dialog d(Scene({SimpleObject("big", kLarge, {{0, 1, 2}})}));
        d.view.options.vertexMode = c.mode;
        ASSERT_EQ(d.Go(), RunOutcome::Completed);
        const std::string log =
            "Loading model...\r\n" + c.scaleLines + "Writing data...\r\n1 frame(s) converted\r\nDone.\r\n";
        EXPECT_EQ(d.state.statusLog.Text(), log);
        EXPECT_EQ(d.view.statusText, log);
        EXPECT_EQ(d.view.calls, kCompletedCalls);
        EXPECT_EQ(d.view.goCaption, "Close");
        EXPECT_TRUE(d.state.runFinished);

        EXPECT_EQ(d.dir.Entries(), (Names{"in.3ds", "ship_a.3d", "ship_d.3d"}));
        Bytes animation = {0x01, 0x00, 0x0C, 0x00};
        animation.insert(animation.end(), c.frame.begin(), c.frame.end());
        EXPECT_EQ(ReadFileBytes(d.dir.File("ship_a.3d")), animation);
        const Bytes data = ReadFileBytes(d.dir.File("ship_d.3d"));
        ASSERT_EQ(data.size(), 64u);
        EXPECT_EQ(Bytes(data.begin(), data.begin() + 6), (Bytes{0x01, 0x00, 0x03, 0x00, 0x00, 0x00}));
        EXPECT_EQ(Bytes(data.begin() + 48, data.begin() + 54), (Bytes{0x00, 0x00, 0x01, 0x00, 0x02, 0x00}));
    }
}

TEST(ConversionRun, GoAfterCompletedRunClosesAndTouchesNothing)
{
    Dialog d;
    ASSERT_EQ(d.Go(), RunOutcome::Completed);
    const Bytes data = ReadFileBytes(d.dir.File("ship_d.3d"));
    const Bytes animation = ReadFileBytes(d.dir.File("ship_a.3d"));
    const std::string log = d.state.statusLog.Text();
    WriteFileBytes(d.input, {0xBA, 0xD0}); // a run now would fail to load

    EXPECT_EQ(d.Go(), RunOutcome::Closed);
    Names calls = kCompletedCalls;
    calls.push_back("CloseDialog");
    EXPECT_EQ(d.view.calls, calls);
    EXPECT_EQ(d.state.statusLog.Text(), log);
    EXPECT_EQ(ReadFileBytes(d.dir.File("ship_d.3d")), data);
    EXPECT_EQ(ReadFileBytes(d.dir.File("ship_a.3d")), animation);
}

TEST(ConversionRun, LoadFailureEnablesTheControlsAgainAndWritesNothing)
{
    Dialog d({0x4D, 0x4C, 0x06, 0x00, 0x00, 0x00});
    EXPECT_EQ(d.Go(), RunOutcome::Failed);
    const std::string log = "Loading model...\r\nError reading input file, it does not appear to be a true .3DS "
                            "file.\r\n";
    EXPECT_EQ(d.state.statusLog.Text(), log);
    EXPECT_EQ(d.view.statusText, log);
    EXPECT_EQ(d.view.calls, kFailedCalls);
    EXPECT_EQ(d.view.goCaption, "Go");
    EXPECT_FALSE(d.state.runFinished);
    EXPECT_EQ(d.dir.Entries(), (Names{"in.3ds"}));
}

TEST(ConversionRun, OutputNamesFollowTheDerivationTable)
{
    struct Row {
        const char* typed;
        bool append;
        const char* data;
        const char* animation;
    };
    const Row rows[] = {
        {"ship", false, "ship_d.3d", "ship_a.3d"},
        {"ship.3d", false, "ship_d.3d", "ship_a.3d"},
        {"ship.old.3d", false, "ship.old_d.3d", "ship.old_a.3d"},
        {"C:\\dir.x\\ship", false, "C:\\dir_d.3d", "C:\\dir_a.3d"},
        {"/tmp/dir.x/ship", false, "/tmp/dir_d.3d", "/tmp/dir_a.3d"},
        {".3d", false, ".3d_d.3d", ".3d_a.3d"},
        {"Ship_A.3D", false, "Ship_d.3D", "Ship_a.3D"},
        {"Ship_A.3D", true, "Ship_d.3D", "Ship_a.3D"},
        {"ship_d.3d", false, "ship_d.3d", "ship_a.3d"},
        {"ship_d.3d", true, "ship_d.3d", "ship_a.3d"},
        {"ship_a.3d", true, "ship_d.3d", "ship_a.3d"},
        {"_a.3d", false, "_a_d.3d", "_a_a.3d"},
        {"_a.3d", true, "_d.3d", "_a.3d"},
        {"a", false, "a_d.3d", "a_a.3d"},
    };
    for (const Row& row : rows) {
        OutputNames names;
        ASSERT_TRUE(DeriveOutputNames(row.typed, row.append, names)) << row.typed;
        EXPECT_EQ(names.dataPath, row.data) << row.typed << " " << row.append;
        EXPECT_EQ(names.animationPath, row.animation) << row.typed << " " << row.append;
    }
    for (const char* refused : {"ship.3d", "ship", "a.3d", "_a.3", "ship_b.3d"}) {
        OutputNames names;
        EXPECT_FALSE(DeriveOutputNames(refused, true, names)) << refused;
    }
}

TEST(ConversionRun, FormatLimitsEndTheRunBeforeMeasuring)
{
    const auto points = [](std::size_t count) {
        std::vector<std::array<float, 3>> out(count);
        for (std::size_t i = 0; i < count; ++i)
            out[i] = {static_cast<float>(i % 100), static_cast<float>(i / 100), 0.0f};
        return out;
    };
    const std::vector<std::array<std::uint16_t, 3>> manyFaces(40000, {0, 1, 2});
    struct Case {
        const char* what;
        Bytes scene;
        std::string line;
    };
    const Case cases[] = {
        {"vertices of all objects in frame 0",
         Scene({SimpleObject("a", points(10000), {{0, 1, 2}}), SimpleObject("b", points(6384), {{0, 1, 2}})}),
         "Error: The model has 16384 vertices per frame, more than the 16383 an Unreal .3D model can hold\r\n"},
        {"triangles of all objects in frame 0",
         Scene({SimpleObject("a", kTriangle, manyFaces), SimpleObject("b", kTriangle, manyFaces)}),
         "Error: The model has 80000 triangles, more than the 65535 an Unreal .3D model can hold\r\n"},
        {"corner beyond its own object",
         Scene({SimpleObject("a", kTriangle, {{0, 1, 2}}), SimpleObject("b", kTriangle, {{0, 1, 4}})}),
         "Error: A triangle refers to vertex 4, but its object has only 3 vertices\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Dialog d(c.scene);
        EXPECT_EQ(d.Go(), RunOutcome::Failed);
        EXPECT_EQ(d.state.statusLog.Text(), "Loading model...\r\n" + c.line);
        EXPECT_EQ(d.view.calls, FailedCalls(RetryFocus::FrameMode)); // the other mode may fit
        EXPECT_EQ(d.dir.Entries(), (Names{"in.3ds"}));
    }

    // One vertex fewer fits.
    Dialog fits(Scene({SimpleObject("a", points(10000), {{0, 1, 2}}), SimpleObject("b", points(6383), {{0, 1, 2}})}));
    EXPECT_EQ(fits.Go(), RunOutcome::Completed);
    EXPECT_EQ(ReadFileBytes(fits.dir.File("ship_a.3d")).size(), 4u + 4u * 16383u);
}

TEST(ConversionRun, ProbeNeverEmptiesOrLeavesAFileAtTheTypedPath)
{
    // An existing file that is not one of the two derived names stays as it was.
    Dialog kept;
    WriteFileBytes(kept.dir.File("ship.3d"), {7, 7, 7});
    ASSERT_EQ(kept.Go(), RunOutcome::Completed);
    EXPECT_EQ(ReadFileBytes(kept.dir.File("ship.3d")), (Bytes{7, 7, 7}));
    EXPECT_EQ(kept.dir.Entries(), (Names{"in.3ds", "ship.3d", "ship_a.3d", "ship_d.3d"}));

    // A missing one is not left behind.
    Dialog created;
    ASSERT_EQ(created.Go(), RunOutcome::Completed);
    EXPECT_EQ(created.dir.Entries(), (Names{"in.3ds", "ship_a.3d", "ship_d.3d"}));
}

TEST(ConversionRun, DerivedNameThatIsTheInputIsRefused)
{
    // The data name, the animation name (through a second link to the input) and a typed
    // suffixed name all name the input file.
    struct Case {
        const char* inputName;
        const char* linkName;
        const char* typed;
    };
    const Case cases[] = {
        {"ship_d.3d", nullptr, "ship"},
        {"in.3ds", "ship_a.3d", "ship.3d"},
        {"in.3ds", "ship_d.3d", "ship_a.3d"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        Dialog d;
        if (std::string(c.inputName) != "in.3ds") {
            std::filesystem::rename(d.input, d.dir.File(c.inputName));
            d.input = d.view.options.inputPath = d.dir.File(c.inputName);
        }
        if (c.linkName) {
            std::filesystem::create_hard_link(d.input, d.dir.File(c.linkName));
        }
        const Names before = d.dir.Entries();
        const Bytes scene = ReadFileBytes(d.input);
        d.view.options.outputPath = d.dir.File(c.typed);
        EXPECT_EQ(d.Go(), RunOutcome::Refused);
        EXPECT_EQ(d.view.statusText,
                  "Error: Could not open Output file: " + d.dir.File(c.typed) + "\r\n(the input file would be replaced)");
        EXPECT_EQ(d.dir.Entries(), before);
        EXPECT_EQ(ReadFileBytes(d.input), scene);
    }
}

TEST(ConversionRun, AppendReportsFramesAppendedAndTotal)
{
    const Bytes scene = Scene({SimpleObject("c", kTriangle, {{0, 1, 2}}), SimpleObject("a", kTriangle, {{0, 1, 2}}),
                               SimpleObject("b", kTriangle, {{0, 1, 2}})});
    Dialog d(scene);
    const Bytes old = AnimationHeaderAndZeros(5, 12);
    WriteFileBytes(d.dir.File("ship_a.3d"), old);
    d.view.options.outputPath = d.dir.File("ship_a.3d");
    d.view.options.append = true;
    d.view.options.frameMode = FrameMode::ByObjectName;
    d.view.options.vertexMode = VertexMode::ClipBounds;

    ASSERT_EQ(d.Go(), RunOutcome::Completed);
    EXPECT_EQ(d.state.statusLog.Text(), "Loading model...\r\n  Sorting objects...\r\nWriting data...\r\n3 frame(s) appended, "
                                 "8 total frames\r\nDone.\r\n");
    const Bytes grown = ReadFileBytes(d.dir.File("ship_a.3d"));
    ASSERT_EQ(grown.size(), old.size() + 36);
    EXPECT_EQ(Bytes(grown.begin(), grown.begin() + 4), (Bytes{0x08, 0x00, 0x0C, 0x00}));
    EXPECT_EQ(Bytes(grown.begin() + 4, grown.begin() + 64), Bytes(old.begin() + 4, old.end()));
    EXPECT_EQ(d.dir.Entries(), (Names{"in.3ds", "ship_a.3d"})); // no data file when appending
}

TEST(ConversionRun, WriterRefusalEndsTheRunAsAFailure)
{
    // The typed data name exists, so the probe passes; the animation file is of another model.
    Dialog d;
    const Bytes other = AnimationHeaderAndZeros(2, 16);
    WriteFileBytes(d.dir.File("ship_d.3d"), {});
    WriteFileBytes(d.dir.File("ship_a.3d"), other);
    d.view.options.outputPath = d.dir.File("ship_d.3d");
    d.view.options.append = true;
    EXPECT_EQ(d.Go(), RunOutcome::Failed);
    EXPECT_EQ(d.state.statusLog.Text(),
              "Loading model...\r\nChecking model scale...\r\nUniform Scale applied: 1.000\r\n"
              "Note: the model spans only 8 of 2048 steps on its widest axis, X; tick Fill the cube (the word fill) to "
              "use the whole grid\r\n"
              "Writing data...\r\nError: The new frames have 3 vertices, but the frames in " +
                  d.dir.File("ship_a.3d") + " have 4\r\n");
    EXPECT_EQ(d.view.calls, FailedCalls(RetryFocus::Append));
    EXPECT_EQ(d.view.goCaption, "Go");
    EXPECT_EQ(ReadFileBytes(d.dir.File("ship_a.3d")), other);

    // Without the animation file beside it, the writer cannot open it.
    Dialog missing;
    WriteFileBytes(missing.dir.File("ship_d.3d"), {});
    missing.view.options.outputPath = missing.dir.File("ship_d.3d");
    missing.view.options.append = true;
    missing.view.options.vertexMode = VertexMode::ClipBounds;
    EXPECT_EQ(missing.Go(), RunOutcome::Failed);
    EXPECT_EQ(missing.state.statusLog.Text(), "Loading model...\r\nWriting data...\r\nError: Could not open Output file: " +
                                           missing.dir.File("ship_a.3d") + "\r\n(No such file or directory)\r\n");
}

TEST(ConversionRun, ByNameSceneWithoutObjectsFailsTheLoadAndWritesNothing)
{
    Dialog d(Scene({}));
    d.view.options.frameMode = FrameMode::ByObjectName;
    ASSERT_EQ(d.Go(), RunOutcome::Failed);
    EXPECT_EQ(d.state.statusLog.Text(), "Loading model...\r\nError: The scene has no mesh objects with points\r\n");
    EXPECT_EQ(d.dir.Entries(), (Names{"in.3ds"}));
}

TEST(ConversionRun, FailedRunFocusesWhatFixesItAndTheNextGoAppendsToTheSameLog)
{
    // Objects of different point counts cannot be frames by name; by key frame they are one.
    Dialog d(Scene({SimpleObject("a", kTriangle, {{0, 1, 2}}),
                    SimpleObject("b", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}}, {{0, 1, 2}})}));
    d.view.options.frameMode = FrameMode::ByObjectName;
    d.view.options.vertexMode = VertexMode::ClipBounds;
    ASSERT_EQ(d.Go(), RunOutcome::Failed);
    EXPECT_EQ(d.view.calls.back(), "EnableControls " + std::to_string(static_cast<int>(RetryFocus::FrameMode)));
    EXPECT_EQ(d.view.goCaption, "Go");

    d.view.options.frameMode = FrameMode::ByKeyFrame;
    d.view.calls.clear();
    ASSERT_EQ(d.Go(), RunOutcome::Completed);
    EXPECT_EQ(d.view.calls, (Names{"ReadOptions", "DisableControls", "SetGoCaption Close", "EnableGo"}));
    EXPECT_EQ(d.state.statusLog.Text(), "Loading model...\r\nError: Object point counts do not match\r\n----\r\n"
                                        "Loading model...\r\nWriting data...\r\n1 frame(s) converted\r\nDone.\r\n");

    // Frames of another model than the animation file appended to: the append box fixes it.
    Dialog other;
    WriteFileBytes(other.dir.File("ship_d.3d"), {});
    WriteFileBytes(other.dir.File("ship_a.3d"), AnimationHeaderAndZeros(2, 16));
    other.view.options.outputPath = other.dir.File("ship_d.3d");
    other.view.options.append = true;
    ASSERT_EQ(other.Go(), RunOutcome::Failed);
    EXPECT_EQ(other.view.calls.back(), "EnableControls " + std::to_string(static_cast<int>(RetryFocus::Append)));
}

TEST(ConversionRun, GoAfterACompletedRunClosesOnlyWhenItIsNoTailOfTheClickThatRanIt)
{
    using namespace std::chrono_literals;
    RunState state;
    const auto end = std::chrono::steady_clock::time_point{} + 10s;
    state.finishedAt = end;
    EXPECT_FALSE(GoRequestCloses(state, end + 1s, end + 1s, 400ms)); // no run completed yet
    state.runFinished = true;
    EXPECT_FALSE(GoRequestCloses(state, end + 100ms, end + 150ms, 400ms)); // a double-click's second click
    EXPECT_FALSE(GoRequestCloses(state, end - 5ms, end + 2s, 400ms));      // pressed before the end, held
    EXPECT_TRUE(GoRequestCloses(state, end + 400ms, end + 400ms, 400ms));
    EXPECT_TRUE(GoRequestCloses(state, end + 3s, end + 3s, 400ms));
}

TEST(ConversionRun, UnknownOptionWordsAreNotedOnceAndTheRunGoesOn)
{
    Dialog d(Bytes{0x4D, 0x4C, 0x06, 0x00, 0x00, 0x00});
    d.view.options.unknownWords = {"scrpit"};
    ASSERT_EQ(d.Go(), RunOutcome::Failed);
    EXPECT_EQ(d.state.statusLog.Text().rfind("Note: unknown option word \"scrpit\" ignored\r\nLoading model...\r\n", 0),
              0u);
    d.Go();
    EXPECT_EQ(CountOf(d.state.statusLog.Text(), "Note: unknown"), 1u);
}

TEST(ConversionRun, NewPairWithoutScriptNotesTheScriptThatDescribedTheOldFiles)
{
    Dialog d;
    d.view.options.script = true;
    ASSERT_EQ(d.Go(), RunOutcome::Completed);
    const Bytes script = ReadFileBytes(d.dir.File("ship.uc"));

    Dialog again;
    std::filesystem::copy_file(d.dir.File("ship.uc"), again.dir.File("ship.uc"));
    ASSERT_EQ(again.Go(), RunOutcome::Completed);
    EXPECT_NE(again.state.statusLog.Text().find("1 frame(s) converted\r\nNote: The import script " +
                                                again.dir.File("ship.uc") + " was written for the files just "
                                                "replaced and no longer describes them (\"script\" writes it "
                                                "again)\r\nDone.\r\n"),
              std::string::npos);
    EXPECT_EQ(ReadFileBytes(again.dir.File("ship.uc")), script);

    // A script of someone else's is none of this program's business.
    Dialog foreign;
    WriteFileBytes(foreign.dir.File("ship.uc"), {'/', '/', ' ', 'm', 'i', 'n', 'e', '\n'});
    ASSERT_EQ(foreign.Go(), RunOutcome::Completed);
    EXPECT_EQ(foreign.state.statusLog.Text().find("Note: The import script"), std::string::npos);
}
