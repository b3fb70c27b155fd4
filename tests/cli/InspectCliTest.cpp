// tarnex-cli --info and --preview as a script sees them: what they print, their exit statuses, and
// the picture file that --preview writes.
#include "tests/support/Chunk3ds.h"
#include "tests/support/CliProcess.h"
#include "tests/support/Files.h"

#include <gtest/gtest.h>

#include <algorithm>

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
    CliOutcome r = RunCli({"--info", pair.name}, pair.dir.Path());
    EXPECT_EQ(r.exitStatus, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(Lines(r.err), 1u) << r.err;
    EXPECT_NE(r.err.find("ship_a.3d"), std::string::npos) << r.err;

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
