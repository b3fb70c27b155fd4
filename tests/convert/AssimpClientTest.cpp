// Output files against an independent reader: Assimp's Unreal importer reads back what the
// conversion wrote. A scene small enough to work out by hand is checked position by position in
// every vertex mode; every real model (and the example scene) is converted in every mode and what
// Assimp reads back of it is compared with a digest recorded for it.
#include "convert/Conversion.h"
#include "tests/support/Chunk3ds.h"
#include "tests/support/Files.h"
#include "tests/support/MemoryFile.h"
#include "tests/support/RealModels.h"

#include <assimp/Importer.hpp>
#include <assimp/config.h>
#include <assimp/scene.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <map>

using namespace build3ds;

namespace {

// What Assimp reads of one frame: per mesh (one per material), each corner's packed integers
// in the importer's axes (z mirrored).
using Corners = std::vector<std::array<int, 3>>;

struct ReadBack {
    bool ok = false;
    std::vector<Corners> meshes;
};

ReadBack ReadFrame(const std::string& dataPath, std::int32_t frame)
{
    Assimp::Importer importer;
    importer.SetPropertyInteger(AI_CONFIG_IMPORT_UNREAL_KEYFRAME, frame);
    const aiScene* scene = importer.ReadFile(dataPath, 0);
    ReadBack read;
    if (!scene)
        return read;
    read.ok = true;
    for (unsigned m = 0; m < scene->mNumMeshes; ++m) {
        const aiMesh& mesh = *scene->mMeshes[m];
        Corners corners;
        for (unsigned v = 0; v < mesh.mNumVertices; ++v)
            corners.push_back({static_cast<int>(mesh.mVertices[v].x), static_cast<int>(mesh.mVertices[v].y),
                               static_cast<int>(mesh.mVertices[v].z)});
        read.meshes.push_back(corners);
    }
    return read;
}

struct Run {
    RunOutcome outcome;
    std::string log;
};

Run Convert(const std::string& input, const std::string& output, VertexMode vertexMode, FrameMode frameMode)
{
    CRecordingView host;
    host.options.inputPath = input;
    host.options.outputPath = output;
    host.options.vertexMode = vertexMode;
    host.options.frameMode = frameMode;
    RunState state;
    const RunOutcome outcome = RunConversion(host, state);
    return {outcome, state.statusLog.Text() + host.statusText};
}

// Vertices (256, -64, 32), (-128, 64, -256) and (0, 0, 0); a second frame, by key frame, moves
// them by (-64, 0, 0). Three triangles: the importer takes a corner index as valid only when it is
// below the number of triangles.
const std::array<std::uint16_t, 3> kFaces[] = {{0, 1, 2}, {2, 0, 1}, {1, 2, 0}};

Bytes HandScene()
{
    return Scene({SimpleObject("tri", {{256, -64, 32}, {-128, 64, -256}, {0, 0, 0}},
                               {kFaces[0], kFaces[1], kFaces[2]})},
                 {Segment(0, 1), ObjectNode("tri", {PositionTrackChunk({{0, 0, 0, 0}, {1, -64, 0, 0}})})});
}

// The importer gives each corner of each triangle a vertex of its own.
Corners ByCorner(const Corners& vertices)
{
    Corners corners;
    for (const auto& face : kFaces)
        for (const std::uint16_t index : face)
            corners.push_back(vertices[index]);
    return corners;
}

} // namespace

TEST(AssimpClient, ReadsHandComputedPositionsInEveryVertexMode)
{
    // Packed units: X and Y eighths, Z quarters; the importer mirrors z. +128 is held at 1023 (511).
    struct Case {
        VertexMode mode;
        Corners frame0, frame1;
    };
    const Case cases[] = {
        // Largest extent 256 (x of frame 0, z): factor 0.5 on every axis.
        {VertexMode::UniformScale,
         {{1023, -256, -64}, {-512, 256, 512}, {0, 0, 0}},
         {{768, -256, -64}, {-768, 256, 512}, {-256, 0, 0}}},
        // Extents 256, 64, 256: factors 0.5, 1 and 0.5.
        {VertexMode::XyzScale,
         {{1023, -512, -64}, {-512, 512, 512}, {0, 0, 0}},
         {{768, -512, -64}, {-768, 512, 512}, {-256, 0, 0}}},
        {VertexMode::ClipBounds,
         {{1023, -512, -128}, {-1024, 512, 512}, {0, 0, 0}},
         {{1023, -512, -128}, {-1024, 512, 512}, {-512, 0, 0}}},
    };
    const ScopedTempDir dir;
    WriteFileBytes(dir.File("in.3ds"), HandScene());
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.mode));
        ASSERT_EQ(Convert(dir.File("in.3ds"), dir.File("tri.3d"), c.mode, FrameMode::ByKeyFrame).outcome,
                  RunOutcome::Completed);
        EXPECT_EQ(ReadFrame(dir.File("tri_d.3d"), 0).meshes, std::vector<Corners>{ByCorner(c.frame0)});
        EXPECT_EQ(ReadFrame(dir.File("tri_d.3d"), 1).meshes, std::vector<Corners>{ByCorner(c.frame1)});
    }
}

namespace {

// FNV-1a, 64 bits.
struct Digest {
    std::uint64_t value = 0xcbf29ce484222325ull;
    void Add(std::int64_t number)
    {
        for (int i = 0; i < 8; ++i) {
            value ^= static_cast<std::uint8_t>(number >> (8 * i));
            value *= 0x100000001b3ull;
        }
    }
    void Add(const std::string& text)
    {
        for (const char c : text)
            Add(static_cast<std::int64_t>(c));
    }
};

// Frames to read back: every frame up to 40, else the first, the last and eight between them.
std::vector<std::int32_t> FramesToCheck(std::int32_t frameCount)
{
    std::vector<std::int32_t> frames;
    if (frameCount <= 40) {
        for (std::int32_t k = 0; k < frameCount; ++k)
            frames.push_back(k);
        return frames;
    }
    for (std::int32_t i = 0; i < 9; ++i)
        frames.push_back(static_cast<std::int32_t>(std::int64_t{frameCount - 1} * i / 9));
    frames.push_back(frameCount - 1);
    return frames;
}

// What Assimp reads of a real model converted in all six modes, as one number: the sampled frames'
// corners, or the refusal's log when a mode cannot convert the model.
std::uint64_t ReadBackDigest(const std::string& input)
{
    const ScopedTempDir dir;
    Digest digest;
    for (const FrameMode frameMode : {FrameMode::ByKeyFrame, FrameMode::ByObjectName}) {
        for (const VertexMode vertexMode : {VertexMode::UniformScale, VertexMode::XyzScale, VertexMode::ClipBounds}) {
            std::filesystem::remove(dir.File("model_d.3d"));
            std::filesystem::remove(dir.File("model_a.3d"));
            const Run run = Convert(input, dir.File("model.3d"), vertexMode, frameMode);
            if (run.outcome != RunOutcome::Completed) {
                EXPECT_FALSE(std::filesystem::exists(dir.File("model_a.3d")));
                digest.Add(run.log.substr(run.log.rfind("Error")));
                continue;
            }
            const Bytes animation = ReadFileBytes(dir.File("model_a.3d"));
            const std::int32_t frameCount = animation[0] | animation[1] << 8;
            for (const std::int32_t k : FramesToCheck(frameCount)) {
                const ReadBack read = ReadFrame(dir.File("model_d.3d"), k);
                EXPECT_TRUE(read.ok) << "frame " << k;
                digest.Add(static_cast<std::int64_t>(read.meshes.size()));
                for (const Corners& mesh : read.meshes) {
                    digest.Add(static_cast<std::int64_t>(mesh.size()));
                    for (const auto& corner : mesh)
                        for (const int c : corner)
                            digest.Add(c);
                }
            }
        }
    }
    return digest.value;
}

// Recorded when the conversion of every model was checked frame by frame against the frames the
// scene model builds; a changed conversion changes them.
const std::map<std::string, std::uint64_t> kDigests = {
    {"crate", 0x877069550fecac45ull},
    {"aster1", 0x3bb0bb792b6ace8bull}, {"barrier", 0x1c75f2c9bad00fb2ull}, {"base1", 0xd5da5ce50eeef00ull},
    {"cannon1", 0x10b3b55a8ccc5862ull}, {"cannon1b", 0x3c290ef6c2e33725ull}, {"cannon2", 0xc224a55f7c85d69bull},
    {"cannon2b", 0x893fbceb0bf146c5ull}, {"chaff1", 0x4d555d70293218ddull}, {"container1", 0xa7514a5c4cd1798ull},
    {"depot1", 0xdf198013a75b3f64ull}, {"egg", 0xaac8f70f146968a6ull}, {"flak2", 0xd4d6a9209b34460ull},
    {"flarak1", 0x4c469c6fd7b1e724ull}, {"flare1", 0x4d555d70293218ddull}, {"gl_117", 0x93344eebe773c038ull},
    {"gl_14", 0xa2139a8bc72f175bull}, {"gl_14b", 0x72640abec7d42fecull}, {"gl_14c", 0x3a4ff73693714664ull},
    {"gl_14d", 0xf56542143e7ef9a4ull}, {"gl_15", 0xa2ea6cc9025bf254ull}, {"gl_16", 0xdea5ee9dd2ca9c60ull},
    {"gl_21", 0xd8eeab7460c869c4ull}, {"gl_21b", 0x50f81382fc5146acull}, {"gl_29", 0x315d33e586d4b624ull},
    {"gl_50", 0x64138e4ead2bd524ull}, {"hall1", 0x48e0e7a83514afcull}, {"hall2", 0x7d38a7372ecb0220ull},
    {"house1", 0x74bd4fd5d08ba0e4ull}, {"mine1", 0xb1a8c7d17813a73cull}, {"missile1", 0x35e78e19fa3bbc64ull},
    {"missile2", 0x59c07f3b5efef064ull}, {"missile3", 0xb5ddd71eb4112564ull}, {"missile4", 0x2a0e5ac6cdb57124ull},
    {"missile5", 0x2a0e5ac6cdb57124ull}, {"missile6", 0x37c41b0f0df7ba24ull}, {"missile7", 0x35e78e19fa3bbc64ull},
    {"missile8", 0xb5ddd71eb4112564ull}, {"oilrig", 0x572930ec1a0b32d8ull}, {"pickup1", 0xc8a20878aeaa57c4ull},
    {"pickup2", 0x5f53ca5647bd9534ull}, {"radar", 0xea787b5904a890b0ull}, {"rubble", 0xc6425efc13bb6e11ull},
    {"ship1", 0x24dede97cc2ca9b8ull}, {"ship2", 0x2d4cf15b36dc83d8ull}, {"tank1", 0x3a53b4fb39b368ccull},
    {"tank2", 0xb87954fcdea89cc4ull}, {"tent1", 0x6608ac3f29cd0824ull}, {"tent4", 0x93a27d2b9b071615ull},
    {"transp1", 0xda68627b3e5509a4ull}, {"transp2", 0xda68627b3e5509a4ull}, {"transp4", 0x94038cbf35222dd4ull},
    {"trsam", 0x487644e569f38cc4ull}, {"truck1", 0x5f2e731be89d80fcull}, {"truck2", 0x76a8e08f4e4fe9b4ull},
    {"wall", 0x10b5699206bf25ecull}, {"asteroid_high", 0xc6b0a8911c86e145ull}, {"asteroid_low", 0x60a03a86c00fea9ull},
    {"cat", 0x61560f0e6b5fbe55ull}, {"cube", 0xbd061642707a25ull}, {"horse", 0x81d376b53504c67dull},
    {"robot", 0xaf39820e6c6b7df1ull},
};

class AssimpClient : public ::testing::TestWithParam<std::size_t> {};

} // namespace

TEST_P(AssimpClient, ReadsEveryRealModelInEveryModeAsRecorded)
{
    const std::string name = realmodels::TestName(GetParam());
    const std::uint64_t digest = ReadBackDigest(realmodels::AllModels()[GetParam()]);
    const auto recorded = kDigests.find(name);
    ASSERT_NE(recorded, kDigests.end()) << "no digest recorded; this model gives {\"" << name << "\", 0x" << std::hex
                                        << digest << "ull},";
    EXPECT_EQ(digest, recorded->second) << std::hex << "0x" << digest;
}

INSTANTIATE_TEST_SUITE_P(Models, AssimpClient, ::testing::Range<std::size_t>(0, realmodels::AllModels().size()),
                         [](const ::testing::TestParamInfo<std::size_t>& model) {
                             return realmodels::TestName(model.param);
                         });
