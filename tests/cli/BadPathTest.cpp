// Paths a script may hand tarnex-cli: each bad one gets its message and exit status 1 and
// leaves the folder exactly as it was; unusual but valid names convert like any other.
#include "tests/support/Chunk3ds.h"
#include "tests/support/CliProcess.h"
#include "tests/support/Files.h"

#include <gtest/gtest.h>

#include <functional>
#include <sys/stat.h>
#include <unistd.h>

using namespace build3ds;

namespace {

const Bytes kScene = Scene({SimpleObject("tri", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}})});

// A path under root of exactly `length` characters that ends in `tail`, through as many folders
// (created) as the 255-byte limit on one name needs.
std::string PathOfLength(const std::string& root, std::size_t length, const std::string& tail)
{
    std::string path = root;
    while (length - path.size() > 200 + tail.size() + 1) {
        path += "/" + std::string(150, 'd');
        std::filesystem::create_directory(path);
    }
    const std::size_t fill = length - path.size() - 1 - tail.size();
    return path + "/" + std::string(fill, 'n') + tail;
}

} // namespace

TEST(BadPaths, EachIsRefusedWithItsMessageAndTouchesNothing)
{
    struct Case {
        const char* what;
        std::string input, output; // relative to the test folder
        std::function<void(const ScopedTempDir&)> setUp;
        std::string message;       // "@" is the test folder
    };
    const auto fifo = [](const std::string& name) {
        return [name](const ScopedTempDir& dir) { ASSERT_EQ(::mkfifo(dir.File(name).c_str(), 0644), 0); };
    };
    const Case cases[] = {
        {"input is a folder", "sub", "ship.3d",
         [](const ScopedTempDir& dir) { std::filesystem::create_directory(dir.File("sub")); },
         "Error: Could not open Input file: @/sub"},
        {"input is a FIFO", "pipe.3ds", "ship.3d", fifo("pipe.3ds"), "Error: Could not open Input file: @/pipe.3ds"},
        {"input is a dangling link", "gone.3ds", "ship.3d",
         [](const ScopedTempDir& dir) { std::filesystem::create_symlink(dir.File("nowhere"), dir.File("gone.3ds")); },
         "Error: Could not open Input file: @/gone.3ds"},
        {"output folder missing", "in.3ds", "no/ship.3d", {}, "Error: Could not open Output file: @/no/ship.3d"},
        {"output is the input", "in.3ds", "in.3ds", {}, "Error: Could not open Output file: @/in.3ds"},
        {"output is a FIFO", "in.3ds", "pipe.3d", fifo("pipe.3d"), "Error: Could not open Output file: @/pipe.3d"},
        {"output is a folder", "in.3ds", "sub",
         [](const ScopedTempDir& dir) { std::filesystem::create_directory(dir.File("sub")); },
         "Error: Could not open Output file: @/sub"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScopedTempDir dir, logs;
        WriteFileBytes(dir.File("in.3ds"), kScene);
        if (c.setUp)
            c.setUp(dir);
        const Snapshot before = TakeSnapshot(dir.Path());

        const CliOutcome run = RunCli({dir.File(c.input), dir.File(c.output)}, logs.Path());
        std::string message = c.message;
        message.replace(message.find('@'), 1, dir.Path());
        EXPECT_FALSE(run.timedOut);
        EXPECT_EQ(run.exitStatus, 1);
        EXPECT_EQ(run.err, message + "\n");
        EXPECT_EQ(run.out, "");
        EXPECT_TRUE(TakeSnapshot(dir.Path()) == before);
    }
}

TEST(BadPaths, UnreadableInputIsRefused)
{
    ScopedTempDir dir, logs;
    const std::string input = dir.File("secret.3ds");
    WriteFileBytes(input, kScene);
    ASSERT_EQ(::chmod(input.c_str(), 0), 0);
    // Root reads every file whatever its bits: the child then gives up root for "nobody", and
    // starts a copy of the program that "nobody" can reach.
    ScopedTempDir programFolder;
    const std::string program = CliReachableByAll(programFolder.Path());
    ASSERT_FALSE(program.empty());
    ASSERT_EQ(::chmod(dir.Path().c_str(), 0755), 0);
    const CliOutcome run = RunCli({input, dir.File("ship.3d")}, logs.Path(), DropRoot, program);
    if (run.exitStatus == CCliProcess::kPrepareFailed)
        GTEST_SKIP() << "user nobody cannot start the program from " << programFolder.Path();
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(run.err, "Error: Could not open Input file: " + input + "\n");
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"secret.3ds"});
}

TEST(BadPaths, DerivedNameThatIsAFolderFailsTheWriteAndKeepsTheFolder)
{
    ScopedTempDir dir, logs;
    WriteFileBytes(dir.File("in.3ds"), kScene);
    std::filesystem::create_directory(dir.File("ship_a.3d"));
    WriteFileBytes(dir.File("ship_a.3d/inside"), {1, 2, 3});
    const Snapshot before = TakeSnapshot(dir.Path());

    const CliOutcome run = RunCli({dir.File("in.3ds"), dir.File("ship.3d")}, logs.Path());
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(run.out, "Loading model...\nChecking model scale...\nUniform Scale applied: 1.000\nWriting data...\n");
    EXPECT_EQ(run.err, "Error: Could not write output file: " + dir.File("ship_a.3d") + "\n");
    EXPECT_TRUE(TakeSnapshot(dir.Path()) == before);
}

TEST(BadPaths, NamesWithSpacesAndNonAsciiConvertLikeAnyOther)
{
    ScopedTempDir plain, unusual, logs;
    WriteFileBytes(plain.File("in.3ds"), kScene);
    ASSERT_EQ(RunCli({plain.File("in.3ds"), plain.File("ship.3d")}, logs.Path()).exitStatus, 0);

    const std::string folder = unusual.File("my models ü 模型");
    std::filesystem::create_directory(folder);
    const std::string input = folder + "/Rüstung des Öko-Schiffs 船 .3ds";
    WriteFileBytes(input, kScene);
    const CliOutcome run = RunCli({input, folder + "/ Schiff – ü 船.v2.3d"}, logs.Path());
    EXPECT_EQ(run.exitStatus, 0) << run.out << run.err;
    EXPECT_EQ(ReadFileBytes(folder + "/ Schiff – ü 船.v2_d.3d"), ReadFileBytes(plain.File("ship_d.3d")));
    EXPECT_EQ(ReadFileBytes(folder + "/ Schiff – ü 船.v2_a.3d"), ReadFileBytes(plain.File("ship_a.3d")));
    EXPECT_EQ(TakeSnapshot(folder).size(), 3u);
}

TEST(BadPaths, OutputNameOf999CharactersConvertsAnd1000IsRefused)
{
    ScopedTempDir dir, logs;
    // The input path has no such limit.
    const std::string input = PathOfLength(dir.Path(), 1200, ".3ds");
    WriteFileBytes(input, kScene);

    const std::string longest = PathOfLength(dir.Path(), 999, "_d.3d");
    ASSERT_EQ(longest.size(), 999u);
    const CliOutcome fits = RunCli({input, longest}, logs.Path());
    EXPECT_EQ(fits.exitStatus, 0) << fits.err;
    EXPECT_EQ(ReadFileBytes(longest).size(), 64u);
    EXPECT_EQ(ReadFileBytes(longest.substr(0, 995) + "a.3d").size(), 16u);

    const std::string tooLong = PathOfLength(dir.Path(), 1000, "_d.3d");
    const std::string stem = PathOfLength(dir.Path(), 995, "");
    ASSERT_EQ(tooLong.size(), 1000u);
    const Snapshot before = TakeSnapshot(dir.Path());
    const CliOutcome refused = RunCli({input, tooLong}, logs.Path());
    EXPECT_EQ(refused.exitStatus, 1);
    EXPECT_EQ(refused.err, "Error: Could not open Output file: " + tooLong + "\n");
    EXPECT_TRUE(TakeSnapshot(dir.Path()) == before);

    // A typed name over the limit is refused even when the name derived from it is short.
    const std::string longExtension = dir.Path() + "/s." + std::string(1000 - dir.Path().size() - 3, 'e');
    ASSERT_EQ(longExtension.size(), 1000u);
    const CliOutcome typed = RunCli({input, longExtension}, logs.Path());
    EXPECT_EQ(typed.exitStatus, 1);
    EXPECT_EQ(typed.err, "Error: Could not open Output file: " + longExtension + "\n");
    EXPECT_TRUE(TakeSnapshot(dir.Path()) == before);

    // Without the suffix the derived name is five characters longer than the typed one.
    const CliOutcome derived = RunCli({input, stem}, logs.Path());
    EXPECT_EQ(derived.exitStatus, 1);
    EXPECT_EQ(derived.err, "Error: Could not open Output file: " + stem + "\n");
    EXPECT_TRUE(TakeSnapshot(dir.Path()) == before);
}
