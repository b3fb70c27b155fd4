// Output files against an independent reader: every real model (and the example scene) is
// converted through RunConversion onto the real file system in both frame modes and all three
// vertex modes, and Assimp's Unreal importer must read back, frame by frame, the positions that
// the model's frames give after the range conversion and packing.
#include "convert/Conversion.h"
#include "convert/RangeConversion.h"
#include "scene/3dsModel.h"
#include "scene/FileLayer.h"
#include "tests/support/MemoryFile.h"
#include "tests/support/RealModels.h"
#include "tests/support/TempDir.h"

#include <assimp/Importer.hpp>
#include <assimp/config.h>
#include <assimp/scene.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <regex>
#include <utility>

namespace fs = std::filesystem;

namespace {

std::string LastLine(const std::string& log)
{
    if (log.size() < 2)
        return log;
    const auto start = log.rfind("\r\n", log.size() - 3);
    return start == std::string::npos ? log : log.substr(start + 2);
}

// A run may end before writing only with a limit of the format or with the reader's own error line.
bool IsExpectedRefusal(const std::string& line)
{
    static const std::regex kLines(
        "Error: The model has [0-9]+ (vertices per frame|triangles|frames), more than the (16383|65535) an Unreal "
        "\\.3D model can hold\r\n"
        "|Error: Object point counts do not match\r\n");
    return std::regex_match(line, kLines);
}

// Frames to read back. Each read is a whole import of the pair, and a sanitizer build makes each
// one slow, so an animation longer than 40 frames (the packages' models have 101, all alike) is
// sampled: its first and last frame and eight evenly spaced frames between them. The example
// scene's 36 frames are all read.
std::vector<std::int32_t> FramesToCheck(std::int32_t frameCount)
{
    constexpr std::int32_t kEveryFrameUpTo = 40;
    std::vector<std::int32_t> frames;
    if (frameCount <= kEveryFrameUpTo) {
        for (std::int32_t k = 0; k < frameCount; ++k)
            frames.push_back(k);
        return frames;
    }
    for (std::int32_t i = 0; i < 9; ++i)
        frames.push_back(static_cast<std::int32_t>(std::int64_t{frameCount - 1} * i / 9));
    frames.push_back(frameCount - 1);
    return frames;
}

// The packed fields, as signed numbers: X and Y in eighths (11 bits), Z in quarters (10 bits),
// truncated toward zero; +128 would land one past a field and is held at its largest value.
std::int32_t Field(double scaled, std::int32_t largest)
{
    const auto value = static_cast<std::int32_t>(scaled);
    return value > largest ? largest : value;
}

// The importer reports the packed integers as they stand, with z mirrored.
aiVector3D ExpectedPosition(const FrameVertex& vertex, const ScaleFactors& factors)
{
    const ScaledVertex s = ScaleVertex(vertex, factors);
    return aiVector3D(static_cast<float>(Field(static_cast<double>(s.x) * 8.0, 1023)),
                      static_cast<float>(Field(static_cast<double>(s.y) * 8.0, 1023)),
                      -static_cast<float>(Field(s.z * 4.0, 511)));
}

// The importer makes one mesh per material, that is per distinct texture number and type byte,
// in the order the materials first appear; within a mesh the triangles keep their order and each
// corner becomes its own vertex, mesh vertex 3 × face + corner.
std::vector<std::vector<std::size_t>> MaterialGroups(const MeshFrame& frame)
{
    std::vector<std::vector<std::size_t>> groups;
    std::map<std::pair<std::uint32_t, std::int32_t>, std::size_t> groupOf;
    for (std::size_t t = 0; t < frame.triangles.size(); ++t) {
        const FrameTriangle& tri = frame.triangles[t];
        const std::uint32_t type = tri.typeCode | (tri.flagW ? 0x08 : 0) | (tri.flagB ? 0x10 : 0) |
                                   (tri.flagF ? 0x20 : 0) | (tri.flagE ? 0x40 : 0) | (tri.flagN ? 0x80 : 0);
        const auto key = std::make_pair(type, tri.skinIndex & 0xFF);
        const auto found = groupOf.try_emplace(key, groups.size());
        if (found.second)
            groups.emplace_back();
        groups[found.first->second].push_back(t);
    }
    return groups;
}

struct RunCase {
    FrameMode frameMode;
    VertexMode vertexMode;
    const char* name;
};

const RunCase kRunCases[] = {
    {FrameMode::ByKeyFrame, VertexMode::UniformScale, "by key frame, uniform scale"},
    {FrameMode::ByKeyFrame, VertexMode::XyzScale, "by key frame, xyz scale"},
    {FrameMode::ByKeyFrame, VertexMode::ClipBounds, "by key frame, clip bounds"},
    {FrameMode::ByObjectName, VertexMode::UniformScale, "by object name, uniform scale"},
    {FrameMode::ByObjectName, VertexMode::XyzScale, "by object name, xyz scale"},
    {FrameMode::ByObjectName, VertexMode::ClipBounds, "by object name, clip bounds"},
};

// Reads frame k of the converted pair with Assimp and compares every corner it reports truly.
void CheckFrame(const std::string& dataPath, const C3dsModel& model, std::int32_t k,
                const std::vector<std::vector<std::size_t>>& groups, const MeshFrame& frameZero,
                const ScaleFactors& factors)
{
    SCOPED_TRACE("frame " + std::to_string(k));
    Assimp::Importer importer;
    importer.SetPropertyInteger(AI_CONFIG_IMPORT_UNREAL_KEYFRAME, k);
    const aiScene* scene = importer.ReadFile(dataPath, 0);
    ASSERT_NE(scene, nullptr) << importer.GetErrorString();
    ASSERT_EQ(scene->mNumMeshes, groups.size());

    MeshFrame frame;
    model.BuildFrame(k, frame);
    for (std::size_t g = 0; g < groups.size(); ++g) {
        const aiMesh& mesh = *scene->mMeshes[g];
        ASSERT_EQ(mesh.mNumFaces, groups[g].size());
        ASSERT_EQ(mesh.mNumVertices, 3 * mesh.mNumFaces);
        std::size_t mismatches = 0;
        for (std::size_t f = 0; f < groups[g].size(); ++f) {
            const FrameTriangle& tri = frameZero.triangles[groups[g][f]];
            const std::uint32_t corners[3] = {tri.index0, tri.index1, tri.index2};
            for (std::size_t c = 0; c < 3; ++c) {
                // The importer replaces a corner index not below the triangle count with 0.
                if (corners[c] >= frameZero.triangleCount)
                    continue;
                const aiVector3D expected = ExpectedPosition(frame.vertices.at(corners[c]), factors);
                const aiVector3D& got = mesh.mVertices[3 * f + c];
                if (got != expected && mismatches++ < 5)
                    ADD_FAILURE() << "triangle " << groups[g][f] << " corner " << c << " (vertex " << corners[c]
                                  << "): Assimp reads (" << got.x << ", " << got.y << ", " << got.z
                                  << "), expected (" << expected.x << ", " << expected.y << ", " << expected.z
                                  << ")";
            }
        }
        EXPECT_EQ(mismatches, 0u) << "mesh " << g;
    }
}

class AssimpClient : public ::testing::TestWithParam<std::size_t> {};

} // namespace

TEST_P(AssimpClient, ReadsBackEveryModeFrameByFrame)
{
    const std::string input = realmodels::AllModels()[GetParam()];
    const ScopedTempDir scratch;
    const std::string output = scratch.File("model.3d");
    const std::string dataPath = scratch.File("model_d.3d");
    const std::string animationPath = scratch.File("model_a.3d");

    for (const RunCase& run : kRunCases) {
        SCOPED_TRACE(run.name);
        fs::remove(dataPath);
        fs::remove(animationPath);

        CRecordingView host;
        host.options.inputPath = input;
        host.options.outputPath = output;
        host.options.vertexMode = run.vertexMode;
        host.options.frameMode = run.frameMode;
        RunState state;
        if (RunConversion(host, state) != RunOutcome::Completed) {
            EXPECT_TRUE(IsExpectedRefusal(LastLine(state.statusLog))) << state.statusLog << host.statusText;
            EXPECT_FALSE(fs::exists(dataPath));
            EXPECT_FALSE(fs::exists(animationPath));
            continue;
        }

        // The same scene, loaded again on its own, gives the expected frames.
        CRecordingView view;
        std::string log;
        C3dsModel model(view, kStatusControlId, log);
        std::unique_ptr<CFile> file = CFileSystem::Native().OpenRead(input);
        ASSERT_NE(file, nullptr);
        ASSERT_EQ(model.Load(*file, run.frameMode == FrameMode::ByObjectName ? 1 : 0), 1) << log;
        const std::int32_t frameCount = model.GetFrameCount();
        ScaleFactors factors;
        if (run.vertexMode != VertexMode::ClipBounds) {
            std::string scaleLine;
            factors = ComputeScaleFactors(MeasureExtents(model, frameCount), run.vertexMode, scaleLine);
            EXPECT_NE(state.statusLog.find(scaleLine), std::string::npos) << state.statusLog;
        }

        MeshFrame frameZero;
        model.BuildFrame(0, frameZero);
        const auto groups = MaterialGroups(frameZero);
        for (const std::int32_t k : FramesToCheck(frameCount))
            CheckFrame(dataPath, model, k, groups, frameZero, factors);
    }
}

INSTANTIATE_TEST_SUITE_P(Models, AssimpClient, ::testing::Range<std::size_t>(0, realmodels::AllModels().size()),
                         [](const ::testing::TestParamInfo<std::size_t>& info) {
                             return realmodels::TestName(info.param);
                         });
