// A run with the word package: the pair in Models/, the script in Classes/ and every texture the
// script names in Textures/, converted from the scene's maps or stood in for by a placeholder, all
// put in place together.
#include "convert/Conversion.h"
#include "convert/PcxImage.h"
#include "tests/support/Chunk3ds.h"
#include "tests/support/FaultyFileSystem.h"
#include "tests/support/Files.h"
#include "tests/support/MemoryFile.h"

#include <stb_image_write.h>

#include <gtest/gtest.h>

using namespace build3ds;

namespace {

Chunk Material(const std::string& name, const std::string& map)
{
    Chunk block(0xAFFF);
    block.Add(Chunk(0xA000).Str(name));
    if (!map.empty())
        block.Add(Chunk(0xA200).Add(Chunk(0xA300).Str(map)));
    return block;
}

// One triangle in each of four materials: a map in a textures folder (named in another case), a
// masked one beside the scene, one without a map and one whose map is nowhere.
Bytes TexturedScene()
{
    std::vector<Chunk> chunks = {Material("skin0", "STONE.PNG"), Material("skin1m", "LEAF.PNG"), Material("skin2", ""),
                                 Material("skin3", "MISSING.JPG")};
    std::vector<std::array<float, 3>> points;
    std::vector<std::array<std::uint16_t, 3>> faces;
    std::vector<Chunk> groups;
    for (std::uint16_t i = 0; i < 4; ++i) {
        points.insert(points.end(), {{float(i), 0, 0}, {float(i), 1, 0}, {float(i), 0, 1}});
        faces.push_back({std::uint16_t(3 * i), std::uint16_t(3 * i + 1), std::uint16_t(3 * i + 2)});
        groups.push_back(MaterialGroup("skin" + std::string(i == 1 ? "1m" : std::to_string(i)), {i}));
    }
    std::vector<std::pair<float, float>> uv(points.size(), {0.5f, 0.5f});
    chunks.push_back(NamedObject("ship", {TriangleMesh({PointList(points), FaceList(faces, groups), Mapping(uv)})}));
    return Scene(chunks);
}

void WritePng(const std::string& path, int width, int height, const std::vector<std::uint8_t>& rgba)
{
    ASSERT_NE(stbi_write_png(path.c_str(), width, height, 4, rgba.data(), width * 4), 0) << path;
}

IndexedImage ReadPcx(const std::string& path)
{
    const Bytes bytes = ReadFileBytes(path);
    IndexedImage image;
    std::string why;
    EXPECT_TRUE(DecodePcx(bytes, 256, image, why)) << path << ": " << why;
    return image;
}

struct PackageRun {
    ScopedTempDir dir;
    CRecordingView view;
    RunState state;

    PackageRun()
    {
        std::filesystem::create_directories(dir.File("scene/textures"));
        std::filesystem::create_directories(dir.File("pkg"));
        WriteFileBytes(dir.File("scene/in.3ds"), TexturedScene());
        // Stone: 16 x 8, the top half red and the bottom half blue.
        std::vector<std::uint8_t> stone;
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 16; ++x)
                stone.insert(stone.end(), {std::uint8_t(y < 4 ? 255 : 0), 0, std::uint8_t(y < 4 ? 0 : 255), 255});
        WritePng(dir.File("scene/textures/stone.png"), 16, 8, stone);
        // Leaf: 8 x 8, its left half see-through.
        std::vector<std::uint8_t> leaf;
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
                leaf.insert(leaf.end(), {0, 200, 0, std::uint8_t(x < 4 ? 0 : 255)});
        WritePng(dir.File("scene/Leaf.png"), 8, 8, leaf);
    }

    RunOutcome Go(const std::string& output, bool append = false, CFileSystem& fs = CFileSystem::Native())
    {
        view = CRecordingView();
        state = RunState();
        view.options.inputPath = dir.File("scene/in.3ds");
        view.options.outputPath = dir.File(output);
        view.options.append = append;
        view.options.fill = view.options.script = view.options.package = true;
        return RunConversion(view, state, fs);
    }
    bool Logged(const std::string& line) const
    {
        return state.statusLog.Text().find("\r\n" + line + "\r\n") != std::string::npos;
    }
};

} // namespace

TEST(Package, PutsEachFileInItsFolderAndConvertsEveryMap)
{
    PackageRun run;
    ASSERT_EQ(run.Go("pkg/ship.3d"), RunOutcome::Completed) << run.state.statusLog.Text();
    Snapshot files = TakeSnapshot(run.dir.File("pkg"));
    std::vector<std::string> names;
    for (const auto& entry : files)
        names.push_back(entry.first);
    EXPECT_EQ(names, (std::vector<std::string>{
                         "Classes/", "Classes/ship.uc", "Models/", "Models/ship_a.3d", "Models/ship_d.3d", "Textures/",
                         "Textures/LEAF.pcx", "Textures/MISSING.pcx", "Textures/STONE.pcx", "Textures/shipSkin2.pcx"}));
    const std::string log = run.state.statusLog.Text();
    EXPECT_TRUE(run.Logged("Texture 0: STONE.PNG 16x8 -> Textures/STONE.pcx, 2 colours")) << log;
    EXPECT_TRUE(run.Logged("Texture 1: LEAF.PNG 8x8 -> Textures/LEAF.pcx, 2 colours, index 0 masked")) << log;
    EXPECT_TRUE(run.Logged("Texture 2: Textures/shipSkin2.pcx is a 64x64 placeholder: no material gives it a "
                           "texture map"))
        << log;
    EXPECT_TRUE(run.Logged("Texture 3: Textures/MISSING.pcx is a 64x64 placeholder: the map MISSING.JPG is not "
                           "beside the input file, nor in a maps, textures or images folder in or beside its folder"))
        << log;
    EXPECT_TRUE(run.Logged("Import script written: " + run.dir.File("pkg/Classes/ship.uc"))) << log;
    const std::string script = ReadText(run.dir.File("pkg/Classes/ship.uc"));
    EXPECT_NE(script.find("ANIVFILE=Models\\ship_a.3d DATAFILE=Models\\ship_d.3d"), std::string::npos) << script;

    // The rows turned over: the scene counts its texture coordinates from the map's bottom row.
    const IndexedImage stone = ReadPcx(run.dir.File("pkg/Textures/STONE.pcx"));
    ASSERT_EQ(stone.width, 16);
    ASSERT_EQ(stone.height, 8);
    const std::uint8_t* top = &stone.palette[3 * stone.pixels[0]];
    const std::uint8_t* bottom = &stone.palette[3 * stone.pixels[7 * 16]];
    EXPECT_EQ(std::vector<int>(top, top + 3), (std::vector<int>{0, 0, 255}));
    EXPECT_EQ(std::vector<int>(bottom, bottom + 3), (std::vector<int>{255, 0, 0}));
    const IndexedImage leaf = ReadPcx(run.dir.File("pkg/Textures/LEAF.pcx"));
    for (int i = 0; i < 64; ++i)
        EXPECT_EQ(leaf.pixels[i] == 0, i % 8 < 4) << i;
    const IndexedImage placeholder = ReadPcx(run.dir.File("pkg/Textures/shipSkin2.pcx"));
    EXPECT_EQ(placeholder.width, 64);
    EXPECT_EQ(placeholder.height, 64);
    EXPECT_NE(placeholder.pixels[0], placeholder.pixels[8]);
}

// Appending keeps the textures the package has and rewrites the script in Classes/.
TEST(Package, AppendKeepsTheTexturesThePackageHas)
{
    PackageRun run;
    ASSERT_EQ(run.Go("pkg/ship.3d"), RunOutcome::Completed) << run.state.statusLog.Text();
    const Bytes stone = ReadFileBytes(run.dir.File("pkg/Textures/STONE.pcx"));
    std::filesystem::remove(run.dir.File("pkg/Textures/shipSkin2.pcx"));
    ASSERT_EQ(run.Go("pkg/ship_a.3d", true), RunOutcome::Completed) << run.state.statusLog.Text();
    EXPECT_TRUE(run.Logged("Texture 0: Textures/STONE.pcx kept as the package has it")) << run.state.statusLog.Text();
    EXPECT_TRUE(run.Logged("Texture 2: Textures/shipSkin2.pcx is a 64x64 placeholder: no material gives it a "
                           "texture map"));
    EXPECT_EQ(ReadFileBytes(run.dir.File("pkg/Textures/STONE.pcx")), stone);
    EXPECT_NE(ReadText(run.dir.File("pkg/Classes/ship.uc")).find("NUMFRAMES=2\r\n"), std::string::npos);
    EXPECT_EQ(ReadFileBytes(run.dir.File("pkg/Models/ship_a.3d"))[0], 2);
}

// Whichever file fails to take its name, every file of the package stays as it was.
TEST(Package, AllFilesArePutInPlaceTogether)
{
    PackageRun run;
    ASSERT_EQ(run.Go("pkg/ship.3d"), RunOutcome::Completed) << run.state.statusLog.Text();
    WriteFileBytes(run.dir.File("scene/Leaf.png"), ReadFileBytes(run.dir.File("scene/textures/stone.png")));
    const Snapshot before = TakeSnapshot(run.dir.Path());
    // The renames: the commit record, the data file, the animation file, the script, then the textures.
    for (int rename : {2, 5, 7}) {
        SCOPED_TRACE(rename);
        CFaultyFileSystem fs;
        fs.FailNth(FileOp::Rename, rename);
        EXPECT_EQ(run.Go("pkg/ship.3d", false, fs), RunOutcome::Failed);
        EXPECT_TRUE(fs.Injected());
        EXPECT_TRUE(TakeSnapshot(run.dir.Path()) == before);
    }
}

TEST(Package, AFolderThatCannotBeMadeRefusesTheRequest)
{
    PackageRun run;
    WriteFileBytes(run.dir.File("pkg/Textures"), {1, 2, 3});
    const Snapshot before = TakeSnapshot(run.dir.Path());
    EXPECT_EQ(run.Go("pkg/ship.3d"), RunOutcome::Refused);
    EXPECT_EQ(run.view.statusText,
              "Error: Could not open Output file: " + run.dir.File("pkg/Textures/") + "\r\n(File exists)");
    std::filesystem::remove(run.dir.File("pkg/Models"));
    std::filesystem::remove(run.dir.File("pkg/Classes"));
    EXPECT_TRUE(TakeSnapshot(run.dir.Path()) == before);
}
