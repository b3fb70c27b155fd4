// Every real model's conversion read back: the pair opens sound, its figures agree with what was
// converted, and its preview shows the model, not an empty cube.
#include "convert/Conversion.h"
#include "inspect/MeshInfo.h"
#include "inspect/Preview.h"

#include "platform/FileLayer.h"
#include "tests/support/Files.h"
#include "tests/support/MemoryFile.h"
#include "tests/support/RealModels.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

class RealPairs : public ::testing::TestWithParam<std::size_t> { };

} // namespace

TEST_P(RealPairs, ReadBackSoundAndPreviewShowsTheModel)
{
    const ScopedTempDir dir;
    CRecordingView host;
    host.options.inputPath = realmodels::AllModels()[GetParam()];
    host.options.outputPath = dir.File("model.3d");
    host.options.fill = true; // fills the picture whatever the model's size
    RunState state;
    if (RunConversion(host, state) != RunOutcome::Completed)
        GTEST_SKIP() << "not converted by key frame: " << state.statusLog.Text();

    CMeshPair pair;
    std::string fault;
    ASSERT_TRUE(pair.Open(CFileSystem::Native(), {dir.File("model_d.3d"), dir.File("model_a.3d")}, fault)) << fault;
    MeshInfo info;
    ASSERT_TRUE(InspectMeshPair(pair, info, fault)) << fault;
    EXPECT_GT(info.triangles, 0u);
    EXPECT_NE(state.statusLog.Text().find(std::to_string(info.frames) + " frame(s) converted"), std::string::npos);
    // Filling the cube, the model reaches a face on its largest axis.
    EXPECT_GT(info.onFace, 0u);

    std::vector<std::uint8_t> frame;
    ASSERT_TRUE(pair.ReadFrames(0, 1, frame));
    PreviewImage image;
    DrawFrame(pair.Triangles(), frame.data(), pair.VertexCount(), ViewAngles{}, 256, image);
    const auto drawn = std::count_if(image.pixels.begin(), image.pixels.end(), [](std::uint32_t pixel) {
        return pixel != 0xFF1E1E26u && pixel != 0xFF6E6E80u; // neither background nor the cube's outline
    });
    // A model that collapsed onto a line (one with an infinite coordinate) shows only its markers.
    const int flatAxes =
        (info.lowest.x == info.highest.x) + (info.lowest.y == info.highest.y) + (info.lowest.z == info.highest.z);
    EXPECT_GT(drawn, flatAxes >= 2 ? 0 : 100) << "the preview shows hardly more than the empty cube";
}

INSTANTIATE_TEST_SUITE_P(Models, RealPairs, ::testing::Range<std::size_t>(0, realmodels::AllModels().size()),
                         [](const ::testing::TestParamInfo<std::size_t>& model) {
                             return realmodels::TestName(model.param);
                         });
