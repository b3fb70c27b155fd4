// Runs the built tarnex-cli as a child process and checks what a script sees of it: the exit
// status, standard output and standard error.
#include "tests/support/Chunk3ds.h"
#include "tests/support/CliProcess.h"
#include "tests/support/Files.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>
#endif

using namespace build3ds;

namespace {

const std::vector<std::array<float, 3>> kTriangle = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};

bool StartsWith(const std::string& text, const std::string& prefix)
{
    return text.compare(0, prefix.size(), prefix) == 0;
}

struct CliFolder {
    ScopedTempDir dir;
    std::string input = dir.File("in.3ds");
    std::string output = dir.File("ship.3d");

    explicit CliFolder(const Bytes& scene = Scene({SimpleObject("tri", kTriangle, {{0, 1, 2}})}))
    {
        WriteFileBytes(input, scene);
    }
};

} // namespace

TEST(Cli, ConversionPrintsTheLogWithoutCarriageReturnsAndExitsZero)
{
    CliFolder f;
    const CliOutcome r = RunCli({f.input, f.output}, f.dir.Path());
    EXPECT_EQ(r.exitStatus, 0);
    EXPECT_EQ(
        r.out,
        "Loading model...\nChecking model scale...\nUniform Scale applied: 1.000\nNote: the model spans only 8 of 2048 "
        "steps on its widest axis, X; tick Fill the cube (the word fill) to use the whole grid\nWriting data...\n"
        "1 frame(s) converted\nDone.\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(ReadFileBytes(f.dir.File("ship_a.3d")),
              (Bytes{0x01, 0x00, 0x0C, 0x00, 0x00, 0x00, 0x00, 0x00, 0x08, 0x00, 0x00, 0x00, 0x00, 0x40, 0x00, 0x00}));
    EXPECT_EQ(ReadFileBytes(f.dir.File("ship_d.3d")).size(), 64u);
}

TEST(Cli, OptionWordsActAsInTheWindow)
{
    CliFolder f(Scene({SimpleObject("b", {{256, 0, 0}, {0, 64, 0}, {0, 0, -32}}, {{0, 1, 2}}),
                       SimpleObject("a", {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, {{0, 1, 2}})}));
    CliOutcome r = RunCli({f.input, f.output, " ByName", "clip", "XYZ"}, f.dir.Path());
    EXPECT_EQ(r.exitStatus, 0);
    EXPECT_EQ(r.out, "Loading model...\n  Sorting objects...\nChecking model scale...\n"
                     "Scale applied: X:0.500 Y:1.000 Z:1.000\nWriting data...\n2 frame(s) converted\nDone.\n");

    r = RunCli({f.input, f.dir.File("ship_a.3d"), "append", "clip", "byname"}, f.dir.Path());
    EXPECT_EQ(r.exitStatus, 0);
    EXPECT_EQ(r.out, "Loading model...\n  Sorting objects...\nWriting data...\n2 frame(s) appended, 4 total frames\n"
                     "Done.\n");
    EXPECT_EQ(ReadFileBytes(f.dir.File("ship_a.3d")).size(), 4u + 4u * 12u);
}

TEST(Cli, RefusedRequestGoesToStandardErrorAndExitsOne)
{
    CliFolder f;
    const std::string missing = f.dir.File("none.3ds");
    CliOutcome r = RunCli({missing, f.output}, f.dir.Path());
    EXPECT_EQ(r.exitStatus, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "Error: Could not open Input file: " + missing + "\n(No such file or directory)\n");

    r = RunCli({f.input, f.output, "append"}, f.dir.Path());
    EXPECT_EQ(r.exitStatus, 1);
    EXPECT_EQ(r.err, "Error: Could not open Output file: " + f.output +
                         "\n(the name must end _a.3d or _d.3d to append)\n");
    EXPECT_EQ(f.dir.Entries(), (std::vector<std::string>{"in.3ds"}));
}

TEST(Cli, FailedRunExitsOneWithTheLogSoFar)
{
    CliFolder f(Bytes{0x00, 0x01, 0x02, 0x03, 0x04, 0x05});
    CliOutcome r = RunCli({f.input, f.output}, f.dir.Path());
    EXPECT_EQ(r.exitStatus, 1);
    // Error lines go to standard error, whichever stage wrote them; the rest to standard output.
    EXPECT_EQ(r.out, "Loading model...\n");
    EXPECT_EQ(r.err, "Error reading input file, it does not appear to be a true .3DS file.\n");

    CliFolder g;
    WriteFileBytes(g.dir.File("ship_a.3d"), {0x01, 0x00});
    r = RunCli({g.input, g.dir.File("ship_a.3d"), "APPEND"}, g.dir.Path());
    EXPECT_EQ(r.exitStatus, 1);
    EXPECT_EQ(r.out, "Loading model...\nChecking model scale...\nUniform Scale applied: 1.000\n"
                     "Note: the model spans only 8 of 2048 steps on its widest axis, X; tick Fill the cube (the word fill) to use the whole grid\nWriting data...\n");
    EXPECT_EQ(r.err, "Error: " + g.dir.File("ship_a.3d") + " is not a valid Unreal .3D animation file\n");
    EXPECT_EQ(ReadFileBytes(g.dir.File("ship_a.3d")), (Bytes{0x01, 0x00}));
}

TEST(Cli, MissingOutputPathIsAUsageError)
{
    CliFolder f;
    // The whole usage text, the one that -h prints.
    const std::string usage = RunCli({"-h"}, f.dir.Path()).out;
    ASSERT_TRUE(StartsWith(usage, "Usage: tarnex-cli INPUT OUTPUT [append] [clip|xyz] [byname] [fill] [script] [size=N] [exact]\n"
                                  "                  [materials] [deusex] [package]\n"))
        << usage;
    const std::vector<std::vector<std::string>> usages = {{}, {f.input}, {"", f.input}, {f.input, "", "-"}};
    for (const auto& arguments : usages) {
        const CliOutcome r = RunCli(arguments, f.dir.Path());
        EXPECT_EQ(r.exitStatus, 2) << arguments.size();
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, usage);
    }
    EXPECT_EQ(f.dir.Entries(), (std::vector<std::string>{"in.3ds"}));
}

TEST(Cli, HelpAndVersionPrintAndExitZero)
{
    ScopedTempDir dir;
    for (const char* help : {"-h", "--help"}) {
        const CliOutcome r = RunCli({help}, dir.Path());
        EXPECT_EQ(r.exitStatus, 0);
        EXPECT_TRUE(StartsWith(r.out, "Usage: tarnex-cli INPUT OUTPUT [append] [clip|xyz] [byname] [fill] [script] [size=N] [exact]\n"
                                  "                  [materials] [deusex] [package]\n")) << r.out;
        EXPECT_EQ(r.err, "");
    }
    const CliOutcome r = RunCli({"--version"}, dir.Path());
    EXPECT_EQ(r.exitStatus, 0);
    EXPECT_EQ(r.out, std::string("tarnex-cli ") + TARNEX_EXPECTED_VERSION + "\n");
    EXPECT_EQ(r.err, "");
}

// A pseudo-terminal is POSIX's; a Windows console cannot be given to a detached child.
#ifndef _WIN32
TEST(Cli, ProgressGoesToStandardErrorOnlyWhenItIsATerminal)
{
    const Bytes scene = Scene({SimpleObject("a", kTriangle, {{0, 1, 2}}), SimpleObject("b", kTriangle, {{0, 1, 2}})});
    CliFolder piped(scene);
    const CliOutcome quiet = RunCli({piped.input, piped.output, "byname"}, piped.dir.Path());
    EXPECT_EQ(quiet.exitStatus, 0);
    EXPECT_EQ(quiet.err, "");

    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0)
        GTEST_SKIP() << "no pseudo-terminal available";
    const int slave = ::open(::ptsname(master), O_RDWR | O_NOCTTY);
    ASSERT_GE(slave, 0);
    CliFolder tty(scene);
    const CliOutcome shown = RunCli({tty.input, tty.output, "byname"}, tty.dir.Path(), [slave] { return ::dup2(slave, 2) == 2; });
    ::close(slave);
    std::string err;
    char buffer[4096];
    pollfd p{master, POLLIN, 0};
    while (::poll(&p, 1, 100) > 0) {
        const ssize_t n = ::read(master, buffer, sizeof buffer);
        if (n <= 0)
            break;
        err.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(master);
    EXPECT_EQ(shown.exitStatus, 0);
    // Each progress line whole: from the start of the terminal's line to the erasure of what
    // a longer line before it left. The second object's line may come within the progress lines'
    // interval and not be shown.
    EXPECT_NE(err.find("\r  reading Object 0 of 2\033[K"), std::string::npos) << err;
    EXPECT_EQ(shown.out, quiet.out); // the log itself is the same either way
}

#endif // _WIN32

TEST(Cli, CutShortOrEmptyScenesAreRefusedWithExitOneAndNothingWritten)
{
    const Bytes robot = ReadFileBytes(std::string(TARNEX_SOURCE_DIR) + "/examples/robot.3ds");
    ASSERT_GT(robot.size(), 1000u);
    const std::string size = std::to_string(robot.size());
    const struct {
        Bytes scene;
        std::string line;
    } kCases[] = {
        {Bytes(robot.begin(), robot.begin() + 1000),
         "Error: The file ends at byte 1000, inside chunk 0x4D4D of " + size + " bytes at byte 0; it looks cut short\n"},
        {Bytes(robot.begin(), robot.begin() + 500),
         "Error: The file ends at byte 500, inside chunk 0x4D4D of " + size + " bytes at byte 0; it looks cut short\n"},
        {Scene({}), "Error: The scene has no mesh objects with points\n"},
    };
    for (const auto& c : kCases) {
        for (const char* mode : {"", "byname"}) {
            CliFolder f(c.scene);
            const CliOutcome r = RunCli({f.input, f.output, mode}, f.dir.Path());
            EXPECT_EQ(r.exitStatus, 1);
            EXPECT_EQ(r.out, "Loading model...\n");
            EXPECT_EQ(r.err, c.line);
            EXPECT_EQ(f.dir.Entries(), (std::vector<std::string>{"in.3ds"}));
        }
    }
}

#ifdef _WIN32
TEST(Cli, WindowsDeviceNamesAndNamesThatLoseTheirEndAreRefusedWithTheReason)
{
    CliFolder f;
    const struct {
        std::vector<std::string> words;
        std::string refused, reason;
    } cases[] = {
        {{f.dir.File("aux.3d")}, f.dir.File("aux.3d"), "Windows keeps the name aux.3d for a device"},
        {{f.dir.File("Con"), "script"}, f.dir.File("Con"), "Windows keeps the name Con for a device"},
        // The typed name and the pair's are usable, the script's is not.
        {{f.dir.File("nul_d.3d"), "script"}, f.dir.File("nul.uc"), "Windows keeps the name nul.uc for a device"},
        {{f.dir.File("mods./ship.3d")}, f.dir.File("mods./ship.3d"), "Windows drops the dot or space at the end of \"mods.\""},
    };
    for (const auto& c : cases) {
        std::vector<std::string> arguments = {f.input};
        arguments.insert(arguments.end(), c.words.begin(), c.words.end());
        const CliOutcome r = RunCli(arguments, f.dir.Path());
        EXPECT_EQ(r.exitStatus, 1) << c.refused;
        EXPECT_EQ(r.err, "Error: Could not open Output file: " + c.refused + "\n(" + c.reason + ")\n");
        EXPECT_EQ(f.dir.Entries(), (std::vector<std::string>{"in.3ds"}));
    }
}
#endif
