// The import script against a real reader of it: Assimp's Unreal importer reads "model.uc" beside
// the pair, puts its MESHMAP SCALE into the root node's transformation and its textures into the
// materials. Every real model, converted with "fill script" in both frame modes and both scaling
// modes, must come back at its own size: the positions Assimp gives, times the script's scale, lie
// within one quantum of the unscaled (clipped) conversion's, and the farthest coordinate reaches
// the face of the cube. Models whose materials have texture maps name them in Assimp's materials.
#include "convert/Conversion.h"
#include "convert/ImportScript.h"
#include "tests/support/Files.h"
#include "tests/support/MemoryFile.h"
#include "tests/support/RealModels.h"

#include <assimp/Importer.hpp>
#include <assimp/config.h>
#include <assimp/material.h>
#include <assimp/scene.h>
#include <lib3ds/file.h>
#include <lib3ds/material.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <optional>
#include <set>

namespace {

RunOutcome Convert(const std::string& input, const std::string& output, VertexMode vertexMode, FrameMode frameMode,
                   bool fillAndScript, std::optional<std::string> size = std::nullopt)
{
    CRecordingView host;
    host.options.inputPath = input;
    host.options.outputPath = output;
    host.options.vertexMode = vertexMode;
    host.options.frameMode = frameMode;
    host.options.fill = host.options.script = fillAndScript;
    host.options.size = size;
    RunState state;
    return RunConversion(host, state);
}

// Every corner of every mesh of one frame as Assimp gives it, and its root node's scale.
struct Imported {
    std::vector<aiVector3D> corners;
    aiVector3D scale{1.0f, 1.0f, 1.0f};
    std::vector<std::string> textures; // the materials' diffuse textures
};

Imported Import(const std::string& dataPath, std::int32_t frame)
{
    Assimp::Importer importer;
    importer.SetPropertyInteger(AI_CONFIG_IMPORT_UNREAL_KEYFRAME, frame);
    const aiScene* scene = importer.ReadFile(dataPath, 0);
    Imported read;
    EXPECT_NE(scene, nullptr) << importer.GetErrorString();
    if (!scene)
        return read;
    const aiMatrix4x4& root = scene->mRootNode->mTransformation;
    read.scale = aiVector3D(root.a1, root.b2, root.c3);
    for (unsigned m = 0; m < scene->mNumMeshes; ++m)
        read.corners.insert(read.corners.end(), scene->mMeshes[m]->mVertices,
                            scene->mMeshes[m]->mVertices + scene->mMeshes[m]->mNumVertices);
    for (unsigned m = 0; m < scene->mNumMaterials; ++m) {
        aiString path;
        if (scene->mMaterials[m]->GetTexture(aiTextureType_DIFFUSE, 0, &path) == AI_SUCCESS)
            read.textures.push_back(path.C_Str());
    }
    return read;
}

std::vector<std::int32_t> SampledFrames(std::int32_t frameCount)
{
    std::vector<std::int32_t> frames;
    for (std::int32_t i = 0; i < 10; ++i)
        frames.push_back(static_cast<std::int32_t>(std::int64_t{frameCount - 1} * i / 9));
    frames.erase(std::unique(frames.begin(), frames.end()), frames.end());
    return frames;
}

// How far the packed coordinates reach on each side of each axis, over every frame of the
// animation file, as a share of the field's 1024 (X, Y) or 512 (Z) steps: the nearer side's.
aiVector3D Reach(const Bytes& animation)
{
    float low[3] = {0, 0, 0}, high[3] = {0, 0, 0};
    for (std::size_t at = 4; at + 4 <= animation.size(); at += 4) {
        const std::uint32_t word = animation[at] | animation[at + 1] << 8 | animation[at + 2] << 16 |
                                   static_cast<std::uint32_t>(animation[at + 3]) << 24;
        const float c[3] = {(static_cast<int>(word << 21) >> 21) / 1024.0f,
                            (static_cast<int>(word << 10) >> 21) / 1024.0f, (static_cast<int>(word) >> 22) / 512.0f};
        for (int a = 0; a < 3; ++a) {
            low[a] = std::min(low[a], c[a]);
            high[a] = std::max(high[a], c[a]);
        }
    }
    return aiVector3D(std::min(-low[0], high[0]), std::min(-low[1], high[1]), std::min(-low[2], high[2]));
}

// The file names the script may give the texture maps of the model's materials, as lib3ds reads
// them: their base names as PCX files.
std::vector<std::string> Textures(const std::string& model)
{
    Lib3dsFile* file = lib3ds_file_load(model.c_str());
    std::vector<std::string> textures;
    for (Lib3dsMaterial* m = file ? file->materials : nullptr; m; m = m->next) {
        std::string map = m->texture1_map.name;
        if (map.empty())
            continue;
        map = map.substr(0, map.rfind('.'));
        std::replace(map.begin(), map.end(), ' ', '_');
        textures.push_back(map + ".pcx");
    }
    if (file)
        lib3ds_file_free(file);
    return textures;
}

class ScriptAssimp : public ::testing::TestWithParam<std::size_t> {};

} // namespace

TEST_P(ScriptAssimp, ScriptGivesEveryModelBackItsSizeAndNamesItsTextures)
{
    const std::string model = realmodels::AllModels()[GetParam()];
    const std::vector<std::string> textures = Textures(model);
    const ScopedTempDir dir;
    for (const FrameMode frameMode : {FrameMode::ByKeyFrame, FrameMode::ByObjectName}) {
        for (const VertexMode vertexMode : {VertexMode::UniformScale, VertexMode::XyzScale}) {
            SCOPED_TRACE(std::string(frameMode == FrameMode::ByKeyFrame ? "by key frame" : "by name") +
                         (vertexMode == VertexMode::UniformScale ? ", uniform" : ", xyz"));
            for (const std::string& name : dir.Entries())
                std::filesystem::remove(dir.File(name));
            const RunOutcome plain = Convert(model, dir.File("plain.3d"), VertexMode::ClipBounds, frameMode, false);
            const RunOutcome filled = Convert(model, dir.File("model.3d"), vertexMode, frameMode, true);
            ASSERT_EQ(filled, plain);
            if (plain != RunOutcome::Completed)
                continue; // the model cannot be converted this way (by name: objects of different sizes)

            const Bytes animation = ReadFileBytes(dir.File("model_a.3d"));
            // Assimp does not read MESH ORIGIN: the centring's offset, in packed steps, is put back here,
            // on Assimp's axes, whose Z is the file's turned over.
            const std::string text = ReadText(dir.File("model.uc"));
            const ExistingScript script = ParseScript(text);
            const float origin[3] = {static_cast<float>(script.originX), static_cast<float>(script.originY),
                                     -static_cast<float>(script.originZ)};
            for (const std::int32_t k : SampledFrames(animation[0] | animation[1] << 8)) {
                const Imported f = Import(dir.File("model_d.3d"), k);
                const Imported p = Import(dir.File("plain_d.3d"), k);
                ASSERT_EQ(f.corners.size(), p.corners.size());
                EXPECT_EQ(p.scale, aiVector3D(1.0f, 1.0f, 1.0f)); // no script beside the plain pair
                // Each packing cuts towards 0 by less than its step: the plain one (1/8, 1/4 unit) about
                // the origin, the filled one (its scale) about the centre, so the two may cut apart.
                const float quantum[3] = {0.125f + f.scale.x, 0.125f + f.scale.y, 0.25f + f.scale.z};
                const float unit[3] = {0.125f, 0.125f, 0.25f};
                const float face[3] = {1023.0f, 1023.0f, 511.0f};
                std::size_t misses = 0;
                for (std::size_t i = 0; i < f.corners.size(); ++i) {
                    for (int a = 0; a < 3; ++a) {
                        if (std::fabs(p.corners[i][a]) >= face[a])
                            continue; // clipped in the plain conversion
                        const float units = (f.corners[i][a] - origin[a]) * f.scale[a],
                                    plainUnits = p.corners[i][a] * unit[a];
                        if (!(std::fabs(units - plainUnits) <= quantum[a] * 1.0001f) && misses++ < 3)
                            ADD_FAILURE() << "frame " << k << " corner " << i << " axis " << a << ": " << units
                                          << " against " << plainUnits;
                    }
                }
                if (!textures.empty()) {
                    EXPECT_TRUE(std::any_of(f.textures.begin(), f.textures.end(), [&](const std::string& t) {
                        return std::any_of(textures.begin(), textures.end(),
                                           [&](const std::string& map) { return t.find(map) != std::string::npos; });
                    })) << "no material names a texture map of the model";
                }
            }
            // Centred, the model reaches both faces: of its largest axis, or of every axis that has an extent.
            const aiVector3D reach = Reach(animation);
            const float least = 1016.0f / 1024.0f;
            if (vertexMode == VertexMode::UniformScale)
                EXPECT_GE(std::max({reach.x, reach.y, reach.z}), least);
            else
                for (int a = 0; a < 3; ++a)
                    EXPECT_TRUE(reach[a] == 0.0f || reach[a] >= least) << "axis " << a << " reaches " << reach[a];
        }
    }
}

// size=78 makes the largest extent over all frames 78 Unreal units in Assimp's reading, whatever the
// model's own size: the jet is under 2 .3DS units long, the horse about 12.
TEST(ScriptAssimpSize, SizeGivesTheLargestExtentInUnrealUnits)
{
    for (const std::string& model : realmodels::AllModels()) {
        const std::string stem = std::filesystem::path(model).stem().string();
        if (stem != "gl-14" && stem != "horse")
            continue;
        SCOPED_TRACE(stem);
        const ScopedTempDir dir;
        ASSERT_EQ(Convert(model, dir.File("m.3d"), VertexMode::UniformScale, FrameMode::ByKeyFrame, true, "78"),
                  RunOutcome::Completed);
        // Every vertex of every frame at the scale Assimp reads from the script: the jet has points
        // in no triangle, which Assimp's meshes leave out.
        const aiVector3D scale = Import(dir.File("m_d.3d"), 0).scale;
        const Bytes animation = ReadFileBytes(dir.File("m_a.3d"));
        aiVector3D low(1e30f, 1e30f, 1e30f), high(-1e30f, -1e30f, -1e30f);
        for (std::size_t at = 4; at + 4 <= animation.size(); at += 4) {
            const std::uint32_t word = animation[at] | animation[at + 1] << 8 | animation[at + 2] << 16 |
                                       static_cast<std::uint32_t>(animation[at + 3]) << 24;
            const int c[3] = {static_cast<int>(word << 21) >> 21, static_cast<int>(word << 10) >> 21,
                              static_cast<int>(word) >> 22};
            for (int a = 0; a < 3; ++a) {
                low[a] = std::min(low[a], c[a] * scale[a]);
                high[a] = std::max(high[a], c[a] * scale[a]);
            }
        }
        const float largest = std::max({high.x - low.x, high.y - low.y, high.z - low.z});
        EXPECT_NEAR(largest, 78.0f, 1.001f * std::max({scale.x, scale.y, scale.z})) << largest; // one step
    }
}

// The jet's cockpit has a texture map of its own but a material outside the "skin" naming: with the
// word materials it gets a texture number, the script imports its map, and Assimp's materials name
// both maps.
TEST(ScriptAssimpMaterials, TheJetsCockpitGetsATextureNumberOfItsOwn)
{
    const auto models = realmodels::AllModels();
    const auto jet = std::find_if(models.begin(), models.end(), [](const std::string& model) {
        return std::filesystem::path(model).filename() == "gl-14.3ds";
    });
    ASSERT_NE(jet, models.end());
    const ScopedTempDir dir;
    CRecordingView host;
    host.options.inputPath = *jet;
    host.options.outputPath = dir.File("jet.3d");
    host.options.fill = host.options.script = host.options.materials = true;
    RunState state;
    ASSERT_EQ(RunConversion(host, state), RunOutcome::Completed);
    const std::string log = state.statusLog.Text();
    EXPECT_NE(log.find("Loading model...\r\nTexture 1: material \"01 - Standard\" (texture map GL-14_C2.TGA)\r\n"
                       "Texture 2: material \"02 - Standard\" (texture map GL-14_CH.TGA)\r\n"),
              std::string::npos)
        << log;

    const std::string text = ReadText(dir.File("jet.uc"));
    for (const char* line : {"#exec TEXTURE IMPORT NAME=jetSkin0 FILE=Textures\\jetSkin0.pcx GROUP=Skins\r\n"
                             "#exec MESHMAP SETTEXTURE MESHMAP=jet NUM=0 TEXTURE=jetSkin0\r\n",
                             "// texture map GL-14_C2.TGA\r\n"
                             "#exec TEXTURE IMPORT NAME=jetSkin1 FILE=Textures\\GL-14_C2.pcx GROUP=Skins\r\n"
                             "#exec MESHMAP SETTEXTURE MESHMAP=jet NUM=1 TEXTURE=jetSkin1\r\n",
                             "// texture map GL-14_CH.TGA\r\n"
                             "#exec TEXTURE IMPORT NAME=jetSkin2 FILE=Textures\\GL-14_CH.pcx GROUP=Skins\r\n"
                             "#exec MESHMAP SETTEXTURE MESHMAP=jet NUM=2 TEXTURE=jetSkin2\r\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line << " in\n" << text;
    const Bytes data = ReadFileBytes(dir.File("jet_d.3d"));
    std::set<int> numbers;
    for (std::size_t at = 48; at + 16 <= data.size(); at += 16)
        numbers.insert(data[at + 14]);
    EXPECT_EQ(numbers, (std::set<int>{0, 1, 2}));

    const Imported read = Import(dir.File("jet_d.3d"), 0);
    for (const char* map : {"GL-14_C2.pcx", "GL-14_CH.pcx"})
        EXPECT_TRUE(std::any_of(read.textures.begin(), read.textures.end(),
                                [&](const std::string& t) { return t.find(map) != std::string::npos; }))
            << map;
}

INSTANTIATE_TEST_SUITE_P(Models, ScriptAssimp, ::testing::Range<std::size_t>(0, realmodels::AllModels().size()),
                         [](const ::testing::TestParamInfo<std::size_t>& model) {
                             return realmodels::TestName(model.param);
                         });
