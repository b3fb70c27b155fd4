// Every real model whose materials have texture maps, converted with "package fill": each texture
// file the script names is in Textures/ and is an 8-bit palettized PCX of power-of-two sides up to
// 256 as ImageMagick reads it; every texture number of the data file's triangles has a SETTEXTURE
// line; Assimp's Unreal importer reads the pair with the script and its materials name the PCX
// files. Each converted texture's mean colour error against its scaled map is printed.
#include "convert/Conversion.h"
#include "convert/ImageConversion.h"
#include "convert/MeshFormat.h"
#include "convert/TextureMaps.h"
#include "tests/support/Files.h"
#include "tests/support/MemoryFile.h"
#include "tests/support/RealModels.h"

#include <assimp/Importer.hpp>
#include <assimp/material.h>
#include <assimp/scene.h>
#include <lib3ds/file.h>
#include <lib3ds/material.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <set>

namespace {

bool HasTextureMaps(const std::string& model)
{
    Lib3dsFile* file = lib3ds_file_load(model.c_str());
    bool maps = false;
    for (Lib3dsMaterial* m = file ? file->materials : nullptr; m; m = m->next)
        maps = maps || m->texture1_map.name[0] != '\0';
    if (file)
        lib3ds_file_free(file);
    return maps;
}

// What a command prints on its standard output.
std::string Output(const std::string& command)
{
    std::string out;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return out;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        out.append(buffer, n);
    ::pclose(pipe);
    return out;
}

std::string Quoted(const std::string& path)
{
    return "'" + path + "'";
}

bool PowerOfTwoUpTo256(int side)
{
    return side >= 1 && side <= 256 && (side & (side - 1)) == 0;
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < text.size();) {
        std::size_t end = text.find('\n', at);
        end = end == std::string::npos ? text.size() : end;
        lines.push_back(text.substr(at, end - at));
        if (!lines.back().empty() && lines.back().back() == '\r')
            lines.back().pop_back();
        at = end + 1;
    }
    return lines;
}

class PackageReal : public ::testing::TestWithParam<std::size_t> { };

} // namespace

TEST_P(PackageReal, EveryTextureIsAPcxTheEngineTakesAndAssimpNamesThem)
{
    const std::string model = realmodels::AllModels()[GetParam()];
    if (!HasTextureMaps(model))
        GTEST_SKIP() << "no texture maps";
    const ScopedTempDir dir;
    CRecordingView host;
    host.options.inputPath = model;
    host.options.outputPath = dir.File("m.3d");
    host.options.fill = host.options.script = host.options.package = true;
    RunState state;
    const RunOutcome outcome = RunConversion(host, state);
    if (outcome != RunOutcome::Completed && state.statusLog.Text().find("Error: The model has") != std::string::npos)
        GTEST_SKIP() << "over the format's limits";
    ASSERT_EQ(outcome, RunOutcome::Completed) << state.statusLog.Text();

    const std::string script = ReadText(dir.File("Classes/m.uc"));
    const std::vector<ScriptTextureFile> files = TextureFilesOf(script);
    ASSERT_FALSE(files.empty()) << script;
    for (const ScriptTextureFile& texture : files) {
        SCOPED_TRACE(texture.file);
        const std::string path = dir.File("Textures/" + texture.file);
        ASSERT_TRUE(std::filesystem::is_regular_file(path));
        // %r is the class and colour space: PseudoClass for a palettized picture.
        const std::string format = Output("identify -format '%m %w %h %z %r' " + Quoted(path) + " 2>&1");
        char kind[16] = {}, pictureClass[64] = {};
        int width = 0, height = 0, depth = 0;
        ASSERT_EQ(std::sscanf(format.c_str(), "%15s %d %d %d %63s", kind, &width, &height, &depth, pictureClass), 5)
            << format;
        EXPECT_STREQ(kind, "PCX");
        EXPECT_EQ(depth, 8);
        EXPECT_EQ(std::string(pictureClass).rfind("PseudoClass", 0), 0u) << format;
        EXPECT_TRUE(PowerOfTwoUpTo256(width) && PowerOfTwoUpTo256(height)) << format;

        // The quantizer's error against the map turned over and scaled, as ImageMagick reads the PCX.
        const std::string map = texture.map.empty() ? "" : FindTextureMap(CFileSystem::Native(), model, texture.map);
        RgbaImage picture;
        std::string why;
        if (map.empty() || !DecodeMap(ReadFileBytes(map), false, picture, why))
            continue;
        TurnOver(picture);
        picture = ScaleToTexture(picture);
        const std::string rgb = Output("convert " + Quoted(path) + " -depth 8 rgb:-");
        ASSERT_EQ(rgb.size(), static_cast<std::size_t>(picture.width) * picture.height * 3);
        double sum = 0.0;
        for (std::size_t i = 0; i < rgb.size(); ++i)
            sum += std::abs(static_cast<int>(static_cast<std::uint8_t>(rgb[i])) - picture.pixels[i / 3 * 4 + i % 3]);
        const double error = sum / static_cast<double>(rgb.size());
        std::cout << "[quantization] " << std::filesystem::path(model).filename().string() << " " << texture.file << " "
                  << width << "x" << height << ": mean colour error " << error << " of 255\n";
        EXPECT_LT(error, 8.0);
    }

    // Every texture number the triangles carry is set.
    const Bytes data = ReadFileBytes(dir.File("Models/m_d.3d"));
    std::set<int> numbers;
    for (std::size_t at = kDataHeaderBytes; at + kTriangleRecordBytes <= data.size(); at += kTriangleRecordBytes)
        numbers.insert(data[at + 14]);
    std::set<int> set;
    for (const std::string& line : Lines(script))
        if (line.rfind("#exec MESHMAP SETTEXTURE ", 0) == 0)
            set.insert(std::atoi(line.c_str() + line.find("NUM=") + 4));
    for (const int number : numbers)
        EXPECT_EQ(set.count(number), 1u) << "texture " << number;

    // Assimp reads the script beside the pair.
    std::filesystem::copy_file(dir.File("Classes/m.uc"), dir.File("Models/m.uc"));
    Assimp::Importer importer;
    const aiScene* scene = importer.ReadFile(dir.File("Models/m_d.3d"), 0);
    ASSERT_NE(scene, nullptr) << importer.GetErrorString();
    std::size_t named = 0;
    for (unsigned m = 0; m < scene->mNumMaterials; ++m) {
        aiString file;
        if (scene->mMaterials[m]->GetTexture(aiTextureType_DIFFUSE, 0, &file) != AI_SUCCESS)
            continue;
        const std::string name = file.C_Str();
        ++named;
        EXPECT_TRUE(std::any_of(files.begin(), files.end(), [&](const ScriptTextureFile& t) {
            return name == "Textures\\" + t.file;
        })) << name;
    }
    EXPECT_GT(named, 0u);
}

INSTANTIATE_TEST_SUITE_P(Models, PackageReal, ::testing::Range<std::size_t>(0, realmodels::AllModels().size()),
                         [](const ::testing::TestParamInfo<std::size_t>& model) {
                             return realmodels::TestName(model.param);
                         });
