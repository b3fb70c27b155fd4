#include "scene/3dsModel.h"
#include "tests/support/Chunk3ds.h"
#include "tests/support/MemoryFile.h"

#include <gtest/gtest.h>

using namespace build3ds;

namespace {

struct Loaded {
    CRecordingView view;
    std::string log;
    C3dsModel model{view, 1009, log};
    int result = 0;
};

void LoadBytes(Loaded& loaded, std::vector<std::uint8_t> bytes, int byName)
{
    CMemoryFile file(std::move(bytes));
    loaded.result = loaded.model.Load(file, byName);
}

const std::vector<std::array<float, 3>> kTriangle = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};

} // namespace

TEST(ChunkReader, RejectsFileWithoutMainChunk)
{
    Loaded loaded;
    LoadBytes(loaded, {0x4D, 0x4C, 6, 0, 0, 0}, 0);
    EXPECT_EQ(loaded.result, 0);
    EXPECT_EQ(loaded.log, "Error reading input file, it does not appear to be a true .3DS file.\r\n");
    EXPECT_TRUE(loaded.model.Objects().empty());
}

TEST(ChunkReader, ReadsObjectsWithProgressOutsideTheLog)
{
    Loaded loaded;
    LoadBytes(loaded,
              Scene({SimpleObject("b", kTriangle, {{0, 1, 2}}), SimpleObject("a", kTriangle, {{2, 1, 0}}),
                     SimpleObject("c", kTriangle, {{0, 2, 1}})}),
              1);
    ASSERT_EQ(loaded.result, 1);
    EXPECT_EQ(loaded.model.GetFrameCount(), 3);
    EXPECT_EQ(loaded.view.progressLines,
              (std::vector<std::string>{"  reading Object 0 of 3\r\n", "  reading Object 1 of 3\r\n",
                                        "  reading Object 2 of 3\r\n"}));
    EXPECT_EQ(loaded.log, "  Sorting objects...\r\n");
    ASSERT_EQ(loaded.model.SortedObjects().size(), 3u);
    EXPECT_EQ(loaded.model.SortedObjects()[0]->name, "a");
    EXPECT_EQ(loaded.model.SortedObjects()[2]->name, "c");
}
