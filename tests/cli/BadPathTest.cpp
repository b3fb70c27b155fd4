// Paths a script may hand tarnex-cli: each bad one gets its message and exit status 1 and
// leaves the folder exactly as it was; unusual but valid names convert like any other.
#include "tests/support/Chunk3ds.h"
#include "tests/support/CliProcess.h"
#include "tests/support/Files.h"

#include <gtest/gtest.h>

#include <functional>
#include <sys/stat.h>
#include <sys/sysmacros.h>
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
        std::string message;       // "@" is the test folder; its reason on a second line
        std::vector<std::string> options = {};
    };
    const auto fifo = [](const std::string& name) {
        return [name](const ScopedTempDir& dir) { ASSERT_EQ(::mkfifo(dir.File(name).c_str(), 0644), 0); };
    };
    const auto linkToFifo = [](const std::string& name) {
        return [name](const ScopedTempDir& dir) {
            ASSERT_EQ(::mkfifo(dir.File("pipe").c_str(), 0644), 0);
            std::filesystem::create_symlink(dir.File("pipe"), dir.File(name));
        };
    };
    const auto folder = [](const std::string& name) {
        return [name](const ScopedTempDir& dir) { std::filesystem::create_directory(dir.File(name)); };
    };
    const Case cases[] = {
        {"input is a folder", "sub", "ship.3d", folder("sub"), "Error: Could not open Input file: @/sub\n(Is a directory)"},
        {"input is a FIFO", "pipe.3ds", "ship.3d", fifo("pipe.3ds"),
         "Error: Could not open Input file: @/pipe.3ds\n(not a regular file)"},
        {"input is a dangling link", "gone.3ds", "ship.3d",
         [](const ScopedTempDir& dir) { std::filesystem::create_symlink(dir.File("nowhere"), dir.File("gone.3ds")); },
         "Error: Could not open Input file: @/gone.3ds\n(No such file or directory)"},
        {"output folder missing", "in.3ds", "no/ship.3d", {},
         "Error: Could not open Output file: @/no/ship.3d\n(No such file or directory)"},
        {"appending into a missing folder", "in.3ds", "no/ship_a.3d", {},
         "Error: Could not open Output file: @/no/ship_a.3d\n(No such file or directory)", {"append"}},
        {"appending to a name without the suffix", "in.3ds", "ship.3d", {},
         "Error: Could not open Output file: @/ship.3d\n(the name must end _a.3d or _d.3d to append)", {"append"}},
        {"output is the input", "in.3ds", "in.3ds", {},
         "Error: Could not open Output file: @/in.3ds\n(the input file would be replaced)"},
        {"output is a FIFO", "in.3ds", "pipe.3d", fifo("pipe.3d"),
         "Error: Could not open Output file: @/pipe.3d\n(not a regular file)"},
        {"output is a folder", "in.3ds", "sub", folder("sub"), "Error: Could not open Output file: @/sub\n(Is a directory)"},
        {"derived data file is a FIFO", "in.3ds", "ship.3d", fifo("ship_d.3d"),
         "Error: Could not open Output file: @/ship_d.3d\n(not a regular file)"},
        {"derived animation file links to a FIFO", "in.3ds", "ship.3d", linkToFifo("ship_a.3d"),
         "Error: Could not open Output file: @/ship_a.3d\n(not a regular file)"},
        {"derived animation file is a folder", "in.3ds", "ship_d.3d", folder("ship_a.3d"),
         "Error: Could not open Output file: @/ship_a.3d\n(Is a directory)"},
        {"appended-to animation file links to a FIFO", "in.3ds", "ship_d.3d",
         [linkToFifo](const ScopedTempDir& dir) {
             WriteFileBytes(dir.File("ship_d.3d"), Bytes(48, 0));
             linkToFifo("ship_a.3d")(dir);
         },
         "Error: Could not open Output file: @/ship_a.3d\n(not a regular file)", {"append"}},
        {"import script is a FIFO", "in.3ds", "ship.3d", fifo("ship.uc"),
         "Error: Could not open Output file: @/ship.uc\n(not a regular file)", {"script"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScopedTempDir dir, logs;
        WriteFileBytes(dir.File("in.3ds"), kScene);
        if (c.setUp)
            c.setUp(dir);
        const Snapshot before = TakeSnapshot(dir.Path());

        std::vector<std::string> arguments = {dir.File(c.input), dir.File(c.output)};
        arguments.insert(arguments.end(), c.options.begin(), c.options.end());
        const CliOutcome run = RunCli(arguments, logs.Path());
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
    EXPECT_EQ(run.err, "Error: Could not open Input file: " + input + "\n(Permission denied)\n");
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"secret.3ds"});
}

TEST(BadPaths, DeviceAtADerivedNameIsRefusedAndKeptWhenTheTestMayMakeOne)
{
    ScopedTempDir dir, logs;
    WriteFileBytes(dir.File("in.3ds"), kScene);
    // A character device of this folder's own (the numbers of the null device): only root may make one.
    if (::mknod(dir.File("ship_a.3d").c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0)
        GTEST_SKIP() << "no character device can be made here without root";
    const CliOutcome run = RunCli({dir.File("in.3ds"), dir.File("ship.3d")}, logs.Path());
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(run.err, "Error: Could not open Output file: " + dir.File("ship_a.3d") + "\n(not a regular file)\n");
    struct stat st {};
    ASSERT_EQ(::lstat(dir.File("ship_a.3d").c_str(), &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode));
    EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"in.3ds", "ship_a.3d"}));
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
    const std::string limit = "\n(the names of the files are limited to 999 characters)\n";
    EXPECT_EQ(refused.err, "Error: Could not open Output file: " + tooLong + limit);
    EXPECT_TRUE(TakeSnapshot(dir.Path()) == before);

    // A typed name over the limit is refused even when the name derived from it is short.
    const std::string longExtension = dir.Path() + "/s." + std::string(1000 - dir.Path().size() - 3, 'e');
    ASSERT_EQ(longExtension.size(), 1000u);
    const CliOutcome typed = RunCli({input, longExtension}, logs.Path());
    EXPECT_EQ(typed.exitStatus, 1);
    EXPECT_EQ(typed.err, "Error: Could not open Output file: " + longExtension + limit);
    EXPECT_TRUE(TakeSnapshot(dir.Path()) == before);

    // Without the suffix the derived name is five characters longer than the typed one.
    const CliOutcome derived = RunCli({input, stem}, logs.Path());
    EXPECT_EQ(derived.exitStatus, 1);
    EXPECT_EQ(derived.err, "Error: Could not open Output file: " + stem + limit);
    EXPECT_TRUE(TakeSnapshot(dir.Path()) == before);
}
