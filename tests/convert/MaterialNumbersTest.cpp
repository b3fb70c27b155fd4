// Texture numbers for textured materials outside the "skin" naming, behind the word materials.
#include "convert/Conversion.h"
#include "platform/FileLayer.h"
#include "tests/support/Chunk3ds.h"
#include "tests/support/Files.h"
#include "tests/support/MemoryFile.h"

#include <gtest/gtest.h>

using namespace build3ds;

namespace {

Chunk LibraryMaterial(const std::string& name, const std::string& map)
{
    Chunk material(0xAFFF);
    material.Add(Chunk(0xA000).Str(name));
    if (!map.empty())
        material.Add(Chunk(0xA200).Add(Chunk(0xA300).Str(map)));
    return material;
}

// Object "a" has seven faces: 0 in no group, 1 and 5 Metal, 2 and 6 Wood, 3 skin1 (and Wood after
// it, which the skin naming outranks), 4 Plain (no map). Object "b" has one Wood face. The library
// comes after the objects.
Bytes MaterialScene()
{
    const std::vector<std::array<float, 3>> points = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    const std::vector<std::array<std::uint16_t, 3>> faces(7, {0, 1, 2});
    const Chunk a = NamedObject(
        "a", {TriangleMesh({PointList(points),
                            FaceList(faces, {MaterialGroup("Metal", {1, 5}), MaterialGroup("Wood", {2, 6}),
                                             MaterialGroup("skin1", {3}), MaterialGroup("Wood", {3}),
                                             MaterialGroup("Plain", {4})})})});
    const Chunk b = NamedObject("b", {TriangleMesh({PointList(points), FaceList({{0, 1, 2}}, {MaterialGroup("Wood", {0})})})});
    return Scene({a, b, LibraryMaterial("skin1", "SKIN.PCX"), LibraryMaterial("Plain", ""),
                  LibraryMaterial("Wood", "maps\\WOOD.JPG"), LibraryMaterial("Metal", "METAL.TGA")});
}

struct Converted {
    std::string log;
    std::vector<int> textures; // of the data file's triangles
    std::string script;
};

Converted Convert(bool materials, const Bytes& scene = MaterialScene())
{
    ScopedTempDir dir;
    WriteFileBytes(dir.File("in.3ds"), scene);
    CRecordingView view;
    view.options.inputPath = dir.File("in.3ds");
    view.options.outputPath = dir.File("ship.3d");
    view.options.materials = materials;
    view.options.script = true;
    RunState state;
    EXPECT_EQ(RunConversion(view, state, CFileSystem::Native()), RunOutcome::Completed) << state.statusLog.Text();
    Converted run{state.statusLog.Text(), {}, ReadText(dir.File("ship.uc"))};
    const Bytes data = ReadFileBytes(dir.File("ship_d.3d"));
    for (std::size_t at = 48; at + 16 <= data.size(); at += 16)
        run.textures.push_back(data[at + 14]);
    return run;
}

// The script's texture lines, in order.
std::vector<std::string> TextureLines(const std::string& script)
{
    std::vector<std::string> lines;
    for (std::size_t at = 0, end; (end = script.find("\r\n", at)) != std::string::npos; at = end + 2) {
        const std::string line = script.substr(at, end - at);
        if (line.find("TEXTURE") != std::string::npos || line.rfind("// texture map", 0) == 0)
            lines.push_back(line);
    }
    return lines;
}

} // namespace

TEST(MaterialNumbers, WithoutTheWordTexturedMaterialsShareTextureZeroAndOneLineSaysSo)
{
    const Converted run = Convert(false);
    EXPECT_EQ(run.textures, (std::vector<int>{0, 0, 0, 1, 0, 0, 0, 0}));
    EXPECT_EQ(run.log.rfind("Loading model...\r\nNote: 2 textured material(s) outside the \"skin\" naming share "
                            "texture 0: \"Metal\", \"Wood\"; the word materials gives each its own texture number\r\n"
                            "Checking model scale...\r\n",
                            0),
              0u)
        << run.log;

    // A material alone on texture 0 shares it with nothing: no note.
    const std::vector<std::array<float, 3>> points = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    const Chunk crate = NamedObject(
        "crate", {TriangleMesh({PointList(points), FaceList({{0, 1, 2}, {0, 2, 1}}, {MaterialGroup("Wood", {0, 1})})})});
    const Converted alone = Convert(false, Scene({crate, LibraryMaterial("Wood", "WOOD.JPG")}));
    EXPECT_EQ(alone.textures, (std::vector<int>{0, 0}));
    EXPECT_EQ(alone.log.rfind("Loading model...\r\nChecking model scale...\r\n", 0), 0u) << alone.log;
}

TEST(MaterialNumbers, EachTexturedMaterialTakesTheLowestFreeNumberInTheOrderOfFirstUse)
{
    const Converted run = Convert(true);
    // 0 (faces without a map) and 1 (skin1) are taken; Metal is used first, then Wood.
    EXPECT_EQ(run.textures, (std::vector<int>{0, 2, 3, 1, 0, 2, 3, 3}));
    EXPECT_EQ(run.log.rfind("Loading model...\r\n"
                            "Texture 2: material \"Metal\" (texture map METAL.TGA)\r\n"
                            "Texture 3: material \"Wood\" (texture map maps\\WOOD.JPG)\r\n"
                            "Checking model scale...\r\n",
                            0),
              0u)
        << run.log;
    EXPECT_EQ(TextureLines(run.script),
              (std::vector<std::string>{
                  "#exec TEXTURE IMPORT NAME=shipSkin0 FILE=Textures\\shipSkin0.pcx GROUP=Skins",
                  "#exec MESHMAP SETTEXTURE MESHMAP=ship NUM=0 TEXTURE=shipSkin0",
                  "// texture map SKIN.PCX",
                  "#exec TEXTURE IMPORT NAME=shipSkin1 FILE=Textures\\SKIN.pcx GROUP=Skins",
                  "#exec MESHMAP SETTEXTURE MESHMAP=ship NUM=1 TEXTURE=shipSkin1",
                  "// texture map METAL.TGA",
                  "#exec TEXTURE IMPORT NAME=shipSkin2 FILE=Textures\\METAL.pcx GROUP=Skins",
                  "#exec MESHMAP SETTEXTURE MESHMAP=ship NUM=2 TEXTURE=shipSkin2",
                  "// texture map maps\\WOOD.JPG",
                  "#exec TEXTURE IMPORT NAME=shipSkin3 FILE=Textures\\WOOD.pcx GROUP=Skins",
                  "#exec MESHMAP SETTEXTURE MESHMAP=ship NUM=3 TEXTURE=shipSkin3",
              }));
}
