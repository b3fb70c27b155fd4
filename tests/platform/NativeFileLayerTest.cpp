// The native file layer's refusals: what it will not replace or open, and the reason it keeps.
#include "platform/FileCommit.h"
#include "platform/FileLayer.h"
#include "platform/StatusLine.h"
#include "tests/support/Files.h"

#include <gtest/gtest.h>

// FIFOs and the C library's words for the reasons are POSIX's; Win32FileLayerTest covers Windows.
#ifndef _WIN32
#include <sys/stat.h>

TEST(NativeFileLayer, NothingButARegularFileIsReplacedAndTheReasonIsKept)
{
    CFileSystem& fs = CFileSystem::Native();
    ScopedTempDir dir;
    const std::string fifo = dir.File("pipe"), folder = dir.File("sub");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    std::filesystem::create_directory(folder);

    // Putting a finished file in place is the last step of every write: it leaves the FIFO alone.
    CTempFile temp(fs, fifo);
    ASSERT_TRUE(temp.File() && temp.File()->Write("x", 1) && temp.Finish());
    std::size_t failed = 9;
    EXPECT_FALSE(CommitFiles(fs, {&temp}, {fifo}, failed));
    EXPECT_EQ(failed, 0u);
    EXPECT_EQ(fs.LastFailure(), "not a regular file");
    EXPECT_TRUE(std::filesystem::is_fifo(fifo));

    EXPECT_EQ(fs.OpenReadWrite(folder), nullptr);
    EXPECT_EQ(fs.LastFailure(), "Is a directory");
    EXPECT_EQ(fs.OpenRead(dir.File("none")), nullptr);
    EXPECT_EQ(fs.LastFailure(), "No such file or directory");
    // A query that finds nothing is no failure: the reason stays.
    EXPECT_FALSE(fs.Stat(dir.File("none2")).exists);
    EXPECT_EQ(fs.LastFailure(), "No such file or directory");

    EXPECT_EQ(WhyNotRegular(fs.Stat(fifo)), "not a regular file");
    EXPECT_EQ(WhyNotRegular(fs.Stat(folder)), "Is a directory");
    EXPECT_EQ(WhyNotRegular(fs.Stat(dir.File("none"))), "");
    EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"pipe", "sub"}));
}
#endif // _WIN32

TEST(NativeFileLayer, TheReasonGoesOnASecondLineOfTheMessage)
{
    EXPECT_EQ(WithReason("Error: Could not open Output file: x", "Permission denied"),
              "Error: Could not open Output file: x\r\n(Permission denied)");
    EXPECT_EQ(WithReason(FormatLine("Error: Could not write output file: x"), "File too large"),
              "Error: Could not write output file: x\r\n(File too large)\r\n");
    EXPECT_EQ(WithReason("Error: No reason", ""), "Error: No reason");
}
