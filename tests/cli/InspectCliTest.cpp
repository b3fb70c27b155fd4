// tarnex-cli --info and --preview as a script sees them: what they print, their exit statuses, and
// the picture file that --preview writes.
#include "tests/support/Chunk3ds.h"
#include "tests/support/CliProcess.h"
#include "tests/support/Files.h"

#include <gtest/gtest.h>

#include <algorithm>
#ifndef _WIN32
#include <sys/stat.h>
#endif

using namespace build3ds;

namespace {

struct ConvertedPair {
    ScopedTempDir dir;
    std::string name = dir.File("ship.3d");

    ConvertedPair()
    {
        WriteFileBytes(dir.File("in.3ds"),
                       Scene({SimpleObject("tri", {{0, 0, 0}, {64, 0, 0}, {0, 32, 16}}, {{0, 1, 2}})}));
        EXPECT_EQ(RunCli({dir.File("in.3ds"), name}, dir.Path()).exitStatus, 0);
    }
};

std::size_t Lines(const std::string& text)
{
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

std::uint32_t BigEndianAt(const Bytes& bytes, std::size_t at)
{
    return std::uint32_t{bytes[at]} << 24 | std::uint32_t{bytes[at + 1]} << 16 | std::uint32_t{bytes[at + 2]} << 8 |
           bytes[at + 3];
}

} // namespace

TEST(InspectCli, InfoExitsZeroForASoundPairOneWithOneLineForADamagedOneTwoForMisuse)
{
    ConvertedPair pair;
    for (const std::string& path : {pair.name, pair.dir.File("ship_d.3d"), pair.dir.File("ship_a.3d")}) {
        const CliOutcome r = RunCli({"--info", path}, pair.dir.Path());
        EXPECT_EQ(r.exitStatus, 0) << path;
        EXPECT_NE(r.out.find("Triangles: 1\nVertices: 3\nFrames: 1\nFrame size: 12 bytes\n"), std::string::npos)
            << r.out;
        EXPECT_EQ(r.err, "");
    }

    Bytes anim = ReadFileBytes(pair.dir.File("ship_a.3d"));
    anim.pop_back();
    WriteFileBytes(pair.dir.File("ship_a.3d"), anim);
    // One triangle converted as one frame of three vertices: a 4-byte header and 12 bytes of frame.
    ASSERT_EQ(anim.size(), 15u);
    CliOutcome r = RunCli({"--info", pair.name}, pair.dir.Path());
    EXPECT_EQ(r.exitStatus, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(Lines(r.err), 1u) << r.err;
    EXPECT_EQ(r.err, "Error: " + pair.dir.File("ship_a.3d") +
                         " holds 15 bytes, but its header gives 1 frames of 12 bytes, 16 bytes\n");

    r = RunCli({"--info", pair.dir.File("missing.3d")}, pair.dir.Path());
    EXPECT_EQ(r.exitStatus, 1);
    EXPECT_EQ(Lines(r.err), 1u) << r.err;

    EXPECT_EQ(RunCli({"--info"}, pair.dir.Path()).exitStatus, 2);
    EXPECT_EQ(RunCli({"--info", pair.name, "extra"}, pair.dir.Path()).exitStatus, 2);
}

TEST(InspectCli, PreviewWritesAPngOfTheAskedSizeAndRefusesAFrameThePairLacks)
{
    ConvertedPair pair;
    const std::string png = pair.dir.File("look.png");
    CliOutcome r = RunCli({"--preview", pair.name, png, "--size", "96", "--frame", "0"}, pair.dir.Path());
    ASSERT_EQ(r.exitStatus, 0) << r.err;
    const Bytes bytes = ReadFileBytes(png);
    ASSERT_GE(bytes.size(), 24u);
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 8), (Bytes{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}));
    EXPECT_EQ(BigEndianAt(bytes, 16), 96u); // IHDR width
    EXPECT_EQ(BigEndianAt(bytes, 20), 96u); // IHDR height

    EXPECT_EQ(r.out, "The model spans 512 of 2048 grid steps in X, 256 of 2048 in Y, 64 of 1024 in Z\n");

    r = RunCli({"--preview", pair.name, pair.dir.File("other.png"), "--frame", "1"}, pair.dir.Path());
    EXPECT_EQ(r.exitStatus, 2);
    EXPECT_EQ(Lines(r.err), 1u) << r.err;
    EXPECT_FALSE(std::filesystem::exists(pair.dir.File("other.png")));
}

TEST(InspectCli, PreviewNamesEachRefusedValueAndWhatIsAccepted)
{
    ConvertedPair pair;
    const std::string png = pair.dir.File("look.png");
    const struct {
        std::vector<std::string> words;
        std::string err;
    } cases[] = {
        {{}, "Usage: tarnex-cli --preview PATH OUT.png [--frame N] [--size PIXELS] [--cube]\n"},
        {{png, "--size", "8192"}, "Error: --size 8192 is refused: the picture's side is 16 to 4096 pixels\n"},
        {{png, "--size", "15"}, "Error: --size 15 is refused: the picture's side is 16 to 4096 pixels\n"},
        {{png, "--size", "big"}, "Error: --size big is refused: the picture's side is 16 to 4096 pixels\n"},
        {{png, "--cube", "--size"}, "Error: --size needs the picture's side in pixels, 16 to 4096\n"},
        {{png, "--frame", "-1"}, "Error: --frame -1 is refused: frames are numbered 0 to 65534\n"},
        {{png, "--frame", "65535"}, "Error: --frame 65535 is refused: frames are numbered 0 to 65534\n"},
        {{png, "--frame"}, "Error: --frame needs a frame number, 0 to 65534\n"},
        {{png, "--zoom", "2"},
         "Error: Unknown --preview option \"--zoom\": the options are --frame N, --size PIXELS and --cube\n"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args{"--preview", pair.name};
        args.insert(args.end(), c.words.begin(), c.words.end());
        const CliOutcome r = RunCli(args, pair.dir.Path());
        EXPECT_EQ(r.exitStatus, 2) << c.err;
        EXPECT_EQ(r.err, c.err);
    }
    EXPECT_FALSE(std::filesystem::exists(png));
    // The extremes are taken, in any order, and the later of two values holds.
    EXPECT_EQ(RunCli({"--preview", pair.name, png, "--size", "4096", "--cube", "--frame", "0", "--size", "16"},
                     pair.dir.Path())
                  .exitStatus,
              0);
    const Bytes bytes = ReadFileBytes(png);
    ASSERT_GE(bytes.size(), 24u);
    EXPECT_EQ(BigEndianAt(bytes, 16), 16u);
}

// FIFOs and symbolic links: Wine has neither.
#ifndef _WIN32
TEST(InspectCli, PreviewThatCannotWriteItsPictureSaysWhyAndKeepsWhatIsThere)
{
    ConvertedPair pair;
    ASSERT_EQ(::mkfifo(pair.dir.File("pipe.png").c_str(), 0644), 0);
    std::filesystem::create_symlink(pair.dir.File("pipe.png"), pair.dir.File("link.png"));
    const struct {
        std::string picture, reason;
    } cases[] = {
        {pair.dir.File("no/look.png"), "No such file or directory"},
        {pair.dir.File("pipe.png"), "not a regular file"},
        {pair.dir.File("link.png"), "not a regular file"},
    };
    for (const auto& c : cases) {
        const CliOutcome r = RunCli({"--preview", pair.name, c.picture}, pair.dir.Path());
        EXPECT_EQ(r.exitStatus, 1);
        EXPECT_EQ(r.err, "Error: Could not write " + c.picture + "\n(" + c.reason + ")\n");
    }
    EXPECT_TRUE(std::filesystem::is_fifo(pair.dir.File("pipe.png")));
    EXPECT_TRUE(std::filesystem::is_symlink(pair.dir.File("link.png")));
}

#endif // _WIN32

TEST(InspectCli, InfoReadsAnUnfinishedAppendAsSoundAndTheNextAppendRemovesIt)
{
    ConvertedPair pair;
    const std::string frameLine = "Frames: 1\n";
    const std::string animationPath = pair.dir.File("ship_a.3d");
    // What an append killed between its frames and its count leaves: a frame and a half uncounted.
    Bytes animation = ReadFileBytes(animationPath);
    animation.insert(animation.end(), 18, 0x55);
    WriteFileBytes(animationPath, animation);

    CliOutcome r = RunCli({"--info", pair.name}, pair.dir.Path());
    EXPECT_EQ(r.exitStatus, 0) << r.err;
    EXPECT_NE(r.out.find(frameLine), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\nUnfinished append: 18 bytes after the last counted frame, which the next append "
                         "removes\n"),
              std::string::npos)
        << r.out;
    EXPECT_EQ(r.err, "");

    ASSERT_EQ(RunCli({pair.dir.File("in.3ds"), animationPath, "append"}, pair.dir.Path()).exitStatus, 0);
    r = RunCli({"--info", pair.name}, pair.dir.Path());
    EXPECT_EQ(r.exitStatus, 0);
    EXPECT_NE(r.out.find("Frames: 2\n"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("Unfinished append"), std::string::npos) << r.out;
    EXPECT_EQ(ReadFileBytes(animationPath).size(), 4u + 2 * 12);
}
