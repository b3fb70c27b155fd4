#include "convert/ImportScript.h"

#include "convert/Conversion.h"
#include "tests/support/Chunk3ds.h"
#include "tests/support/FaultyFileSystem.h"
#include "tests/support/Files.h"
#include "tests/support/MemoryFile.h"

#include <gtest/gtest.h>

using namespace build3ds;

namespace {

std::string Lines(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + "\r\n";
    return text;
}

ScriptContent Crate()
{
    ScriptContent c;
    c.name = "crate";
    c.dataFile = "crate_d.3d";
    c.animationFile = "crate_a.3d";
    c.inputFile = "crate.3ds";
    c.frameMode = FrameMode::ByObjectName;
    c.fill = true;
    c.factors = ScaleFactors{64.0, 64.0, 64.0};
    c.extents = Extents{2.0, 1.5, 0.5};
    c.frames = 12;
    c.sequences = {{"walk", 0, 8}, {"run", 8, 4}};
    c.textures = {{0, "C:\\maps\\WOOD.JPG"}, {3, ""}};
    return c;
}

} // namespace

TEST(ImportScript, ComposesTheEditorsLinesAndTheScaleBackToTheSceneSize)
{
    EXPECT_EQ(ComposeScript(Crate()),
              Lines({
                  "// Import script written by Tarnex Model Converter; converting again replaces this file.",
                  "// From crate.3ds, by name: 12 frame(s)",
                  "// Vertices: Uniform Scale, filling the cube; factors X 64 Y 64 Z 64",
                  "// Size in Unreal units: X 2 Y 1.5 Z 0.5 (the farthest vertex from the origin on each axis)",
                  "class crate extends Actor;",
                  "",
                  "#exec MESH IMPORT MESH=crate ANIVFILE=Models\\crate_a.3d DATAFILE=Models\\crate_d.3d X=0 Y=0 Z=0",
                  "#exec MESH ORIGIN MESH=crate X=0 Y=0 Z=0",
                  "#exec MESH SEQUENCE MESH=crate SEQ=All STARTFRAME=0 NUMFRAMES=12",
                  "#exec MESH SEQUENCE MESH=crate SEQ=walk STARTFRAME=0 NUMFRAMES=8",
                  "#exec MESH SEQUENCE MESH=crate SEQ=run STARTFRAME=8 NUMFRAMES=4",
                  "#exec MESHMAP NEW MESHMAP=crate MESH=crate",
                  // 1 / (8 × 64) and 1 / (4 × 64): X and Y are packed in eighths, Z in quarters.
                  "#exec MESHMAP SCALE MESHMAP=crate X=0.001953125 Y=0.001953125 Z=0.00390625",
                  "// texture map C:\\maps\\WOOD.JPG",
                  "#exec TEXTURE IMPORT NAME=crateSkin0 FILE=Textures\\WOOD.pcx GROUP=Skins",
                  "#exec MESHMAP SETTEXTURE MESHMAP=crate NUM=0 TEXTURE=crateSkin0",
                  "#exec TEXTURE IMPORT NAME=crateSkin3 FILE=Textures\\crateSkin3.pcx GROUP=Skins",
                  "#exec MESHMAP SETTEXTURE MESHMAP=crate NUM=3 TEXTURE=crateSkin3",
                  "",
                  "defaultproperties",
                  "{",
                  "    DrawType=DT_Mesh",
                  "    Mesh=crate",
                  "}",
              }));
}

TEST(ImportScript, ReadsBackItsScaleSequencesAndTextureLines)
{
    const ExistingScript read = ParseScript(ComposeScript(Crate()));
    EXPECT_TRUE(read.ours);
    ASSERT_TRUE(read.scaled);
    const ScaleFactors factors = FactorsOf(read);
    EXPECT_EQ(factors.sx, 64.0);
    EXPECT_EQ(factors.sz, 64.0);
    ASSERT_EQ(read.sequences.size(), 2u);
    EXPECT_EQ(read.sequences[1].name, "run");
    EXPECT_EQ(read.sequences[1].start, 8);
    EXPECT_EQ(read.sequences[1].frames, 4);
    EXPECT_EQ(read.textureLines.size(), 5u);

    // Another's script, in another's spelling: the directives are read all the same.
    const ExistingScript other = ParseScript("class x extends Actor;\n#exec meshmap scale meshmap=x x=0.5 y=0.5 z=1\n");
    EXPECT_FALSE(other.ours);
    EXPECT_TRUE(other.scaled);
    EXPECT_FALSE(ParseScript("").ours);
}

TEST(ImportScript, SequencesFollowRunsOfNameBasesWithValidUniqueNames)
{
    std::vector<std::string> taken = {"All", "Run"};
    const std::vector<ScriptSequence> sequences =
        SequencesOf({"walk01", "walk02", "run_1", "run_2", "walk03", "3d jump1", "007", "all1"}, 10, taken);
    const std::vector<std::tuple<std::string, std::int64_t, std::int64_t>> expected = {
        {"walk", 10, 2}, {"run2", 12, 2}, {"walk2", 14, 1}, {"_3d_jump", 15, 1}, {"Frames", 16, 1}, {"all2", 17, 1}};
    ASSERT_EQ(sequences.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(std::make_tuple(sequences[i].name, sequences[i].start, sequences[i].frames), expected[i]) << i;

    for (const char* name : {"ship", "_x", "Ship_02", "a234567890123456789012345678901234567890123456789012345678901ab"})
        EXPECT_TRUE(IsUnrealName(name)) << name;
    for (const char* name : {"", "3ship", "my ship", "ship-2", "a234567890123456789012345678901234567890123456789012345678901abc"})
        EXPECT_FALSE(IsUnrealName(name)) << name;
    EXPECT_EQ(ScriptPath("out/Ship_D.3D"), "out/Ship.uc");
    EXPECT_EQ(ScriptName("out/Ship.uc"), "Ship");
}

namespace {

const std::vector<std::array<float, 3>> kTriangle = {{0, 0, 0}, {2, 0, 0}, {0, 1, 0}};

// Runs a conversion of the scene in dir/in.3ds to dir/output with the words.
struct ScriptRun {
    ScopedTempDir dir;
    CRecordingView view;
    RunState state;

    RunOutcome Go(const std::string& output, bool append, FrameMode mode = FrameMode::ByObjectName,
                  CFileSystem& fs = CFileSystem::Native())
    {
        view = CRecordingView();
        state = RunState();
        view.options.inputPath = dir.File("in.3ds");
        view.options.outputPath = dir.File(output);
        view.options.frameMode = mode;
        view.options.append = append;
        view.options.fill = true;
        view.options.script = true;
        return RunConversion(view, state, fs);
    }
};

Bytes Frames(const std::vector<std::string>& names, float size)
{
    std::vector<Chunk> objects;
    for (const std::string& name : names)
        objects.push_back(SimpleObject(name, {{size, 0, 0}, {0, size / 2, 0}, {0, 0, size / 4}}, {{0, 1, 2}}));
    return Scene(objects);
}

} // namespace

TEST(ScriptRun, RefusalsNameTheirRuleAndWriteNothing)
{
    struct Case {
        const char* what;
        std::string output;
        bool append;
        std::string script; // the file already at the script's path; empty: none
        std::string message;
    };
    const Case cases[] = {
        {"name starts with a digit", "3ship.3d", false, "",
         "Error: The import script's name must be an UnrealScript name, a letter or \"_\" followed by letters, "
         "digits or \"_\", at most 63 characters: 3ship"},
        {"name with a space", "my ship.3d", false, "",
         "Error: The import script's name must be an UnrealScript name, a letter or \"_\" followed by letters, "
         "digits or \"_\", at most 63 characters: my ship"},
        {"someone else's script", "ship.3d", false, "class ship extends Actor;\r\n",
         "Error: @/ship.uc was not written by Tarnex Model Converter and is not replaced"},
        {"append without a script", "ship_a.3d", true, "",
         "Error: There is no import script of Tarnex Model Converter to append to: @/ship.uc"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptRun run;
        WriteFileBytes(run.dir.File("in.3ds"), Frames({"a"}, 2.0f));
        if (c.append)
            WriteFileBytes(run.dir.File("ship_a.3d"), AnimationFile(1, 12));
        if (!c.script.empty())
            WriteFileBytes(run.dir.File("ship.uc"), Bytes(c.script.begin(), c.script.end()));
        const Snapshot before = TakeSnapshot(run.dir.Path());
        EXPECT_EQ(run.Go(c.output, c.append), RunOutcome::Refused);
        std::string message = c.message;
        if (message.find('@') != std::string::npos)
            message.replace(message.find('@'), 1, run.dir.Path());
        EXPECT_EQ(run.view.statusText, message);
        EXPECT_TRUE(TakeSnapshot(run.dir.Path()) == before);
    }
}

// A model that stands in one corner (x 0..2, y 0..1, z 0..0.5) is centred before fill scales it, so
// it reaches both faces of X; the script's origin, in packed steps, and size=78 put it back in the
// game at 78 units long. A size that is not a positive number is refused before anything is read.
TEST(ScriptRun, CentredFillReachesBothFacesAndTheScriptPutsItBackAtItsSize)
{
    ScriptRun run;
    WriteFileBytes(run.dir.File("in.3ds"), Frames({"a"}, 2.0f));
    const auto go = [&](const char* size) {
        run.view = CRecordingView();
        run.state = RunState();
        run.view.options.inputPath = run.dir.File("in.3ds");
        run.view.options.outputPath = run.dir.File("ship.3d");
        run.view.options.fill = run.view.options.script = true;
        run.view.options.size = size;
        return RunConversion(run.view, run.state);
    };
    ASSERT_EQ(go("78"), RunOutcome::Completed) << run.state.statusLog.Text();
    ASSERT_EQ(go("78"), RunOutcome::Completed) << run.state.statusLog.Text(); // over its own script
    const std::string log = run.state.statusLog.Text();
    EXPECT_EQ(log.find("Note: The import script"), std::string::npos) << log;
    EXPECT_NE(log.find("\r\nModel centred: moved by X:-1.000 Y:-0.500 Z:-0.250\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find("\r\nSize in the game: 78 Unreal units for the largest extent of 2, a factor of 39\r\n"),
              std::string::npos)
        << log;
    const std::string script = ReadText(run.dir.File("ship.uc"));
    EXPECT_NE(script.find("#exec MESH ORIGIN MESH=ship X=-1024 Y=-512 Z=-128\r\n"), std::string::npos) << script;
    EXPECT_NE(script.find("#exec MESHMAP SCALE MESHMAP=ship X=0.0380859375 Y=0.0380859375 Z=0.076171875\r\n"),
              std::string::npos)
        << script;
    const Bytes animation = ReadFileBytes(run.dir.File("ship_a.3d"));
    ASSERT_EQ(animation.size(), 4u + 3 * 4);
    std::vector<int> xs;
    for (std::size_t at = 4; at < animation.size(); at += 4)
        xs.push_back(static_cast<int>(static_cast<std::uint32_t>(animation[at] | animation[at + 1] << 8) << 21) >> 21);
    EXPECT_EQ(*std::min_element(xs.begin(), xs.end()), -1024);
    EXPECT_EQ(*std::max_element(xs.begin(), xs.end()), 1023);

    for (const char* size : {"-3", "0", "big", "78u", "nan", ""}) {
        SCOPED_TRACE(size);
        const Snapshot before = TakeSnapshot(run.dir.Path());
        EXPECT_EQ(go(size), RunOutcome::Refused);
        EXPECT_EQ(run.view.statusText, std::string("Error: size=") + size +
                                           " is not a size: give the model's largest extent as a positive number "
                                           "of Unreal units, such as size=78");
        EXPECT_TRUE(TakeSnapshot(run.dir.Path()) == before);
    }
}

TEST(ScriptRun, AppendKeepsTheScriptsSequencesAndScale)
{
    ScriptRun run;
    WriteFileBytes(run.dir.File("in.3ds"), Frames({"walk1", "walk2"}, 2.0f));
    ASSERT_EQ(run.Go("ship.3d", false), RunOutcome::Completed) << run.state.statusLog.Text();
    const ExistingScript first = ParseScript(ReadText(run.dir.File("ship.uc")));
    ASSERT_TRUE(first.scaled);
    EXPECT_EQ(FactorsOf(first).sx, 128.0); // x 0..2, centred on 1, fills the cube

    // Frames twice as large: at the script's scale their far points leave the cube and are clamped.
    WriteFileBytes(run.dir.File("in.3ds"), Frames({"run1", "run2", "run3"}, 4.0f));
    ASSERT_EQ(run.Go("ship_a.3d", true), RunOutcome::Completed) << run.state.statusLog.Text();
    EXPECT_NE(
        run.state.statusLog.Text().find("\r\nScale of the import script applied: X:128.000 Y:128.000 Z:128.000\r\n"),
        std::string::npos)
        << run.state.statusLog.Text();
    // In each new frame, less the script's offset, x 4 and y 2 go past the face (z 1 at 96 stays inside).
    EXPECT_NE(run.state.statusLog.Text().find("\r\n6 coordinate(s) outside the cube at that scale were clamped\r\n"),
              std::string::npos)
        << run.state.statusLog.Text();
    const std::string script = ReadText(run.dir.File("ship.uc"));
    const ExistingScript appended = ParseScript(script);
    EXPECT_EQ(FactorsOf(appended).sx, 128.0);
    EXPECT_EQ(FactorsOf(appended).ox, 1.0);
    ASSERT_EQ(appended.sequences.size(), 2u);
    EXPECT_EQ(appended.sequences[0].name, "walk");
    EXPECT_EQ(appended.sequences[1].name, "run");
    EXPECT_EQ(appended.sequences[1].start, 2);
    EXPECT_EQ(appended.sequences[1].frames, 3);
    EXPECT_NE(script.find("SEQ=All STARTFRAME=0 NUMFRAMES=5\r\n"), std::string::npos) << script;
    EXPECT_EQ(appended.textureLines, first.textureLines);
}

TEST(ScriptRun, PairAndScriptArePutInPlaceTogether)
{
    ScriptRun run;
    WriteFileBytes(run.dir.File("in.3ds"), Frames({"a"}, 2.0f));
    ASSERT_EQ(run.Go("ship.3d", false), RunOutcome::Completed) << run.state.statusLog.Text();
    // Every target exists now: each is put in place by a rename, the script's last.
    WriteFileBytes(run.dir.File("in.3ds"), Frames({"b"}, 8.0f));
    const Snapshot before = TakeSnapshot(run.dir.Path());
    CFaultyFileSystem fs;
    fs.FailNth(FileOp::Rename, 3);
    EXPECT_EQ(run.Go("ship.3d", false, FrameMode::ByObjectName, fs), RunOutcome::Failed);
    EXPECT_TRUE(fs.Injected());
    const std::string refusal = "\r\nError: Could not write output file: " + run.dir.File("ship.uc") + "\r\n";
    EXPECT_NE(run.state.statusLog.Text().find(refusal), std::string::npos)
        << run.state.statusLog.Text();
    EXPECT_TRUE(TakeSnapshot(run.dir.Path()) == before);
}
