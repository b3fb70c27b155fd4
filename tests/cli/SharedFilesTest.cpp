// Files shared with other runs and other users: runs of tarnex-cli started together on the same
// files, an append into a folder the user cannot write, and a run that runs out of memory.
#include "tests/support/CliProcess.h"
#include "tests/support/Files.h"
#include "tests/support/SceneGenerator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fcntl.h>
#include <memory>
#include <regex>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A generated scene of two objects, converted by key frame.
Bytes TwoObjects(std::uint32_t vertices, std::uint32_t frames)
{
    scenegen::SceneShape shape;
    shape.objectCount = 2;
    shape.verticesPerObject = vertices;
    shape.frames = frames;
    return scenegen::GenerateScene(shape);
}

std::uint32_t FrameCountOf(const Bytes& animation)
{
    return animation.size() < 4 ? 0 : animation[0] | animation[1] << 8;
}

// Starts every run at once and waits for all of them.
std::vector<CliOutcome> RunTogether(const std::vector<std::vector<std::string>>& runs, const ScopedTempDir& logs)
{
    std::vector<std::unique_ptr<ScopedTempDir>> folders;
    std::vector<std::unique_ptr<CCliProcess>> processes;
    for (const auto& arguments : runs) {
        folders.push_back(std::make_unique<ScopedTempDir>());
        processes.push_back(std::make_unique<CCliProcess>(arguments, folders.back()->Path()));
    }
    std::vector<CliOutcome> outcomes;
    for (auto& process : processes)
        outcomes.push_back(process->Wait());
    (void)logs;
    return outcomes;
}

} // namespace

TEST(SharedFiles, AppendsStartedTogetherAllLand)
{
    ScopedTempDir dir, logs;
    WriteFileBytes(dir.File("in.3ds"), TwoObjects(300, 36));
    ASSERT_EQ(RunCli({dir.File("in.3ds"), dir.File("ship.3d")}, logs.Path()).exitStatus, 0);
    const Bytes first = ReadFileBytes(dir.File("ship_a.3d"));
    ASSERT_EQ(FrameCountOf(first), 36u);

    constexpr int kRuns = 8;
    const std::vector<std::vector<std::string>> runs(kRuns, {dir.File("in.3ds"), dir.File("ship_a.3d"), "append"});
    std::vector<int> totals;
    const std::regex appended("\n36 frame\\(s\\) appended, ([0-9]+) total frames\n");
    for (const CliOutcome& outcome : RunTogether(runs, logs)) {
        EXPECT_EQ(outcome.exitStatus, 0) << outcome.out << outcome.err;
        std::smatch line;
        if (std::regex_search(outcome.out, line, appended))
            totals.push_back(std::stoi(line[1]));
        else
            ADD_FAILURE() << outcome.out;
    }
    // One after another, each append found the frames of those before it.
    std::sort(totals.begin(), totals.end());
    std::vector<int> expected;
    for (int run = 1; run <= kRuns; ++run)
        expected.push_back(36 * (run + 1));
    EXPECT_EQ(totals, expected);
    const Bytes all = ReadFileBytes(dir.File("ship_a.3d"));
    EXPECT_EQ(FrameCountOf(all), 36u * (kRuns + 1));
    ASSERT_EQ(all.size(), 4 + (first.size() - 4) * (kRuns + 1));
    // Every append wrote the same frames after the ones before it.
    for (int run = 1; run <= kRuns; ++run)
        EXPECT_TRUE(std::equal(first.begin() + 4, first.end(), all.begin() + 4 + run * (first.size() - 4))) << run;
}

TEST(SharedFiles, NewPairsWrittenTogetherComeFromOneRun)
{
    ScopedTempDir dir, logs;
    WriteFileBytes(dir.File("small.3ds"), TwoObjects(100, 20));
    WriteFileBytes(dir.File("large.3ds"), TwoObjects(900, 30));
    // Each scene's pair, converted alone.
    std::map<Bytes, Bytes> pairs; // animation file by data file
    for (const char* scene : {"small", "large"}) {
        ASSERT_EQ(RunCli({dir.File(std::string(scene) + ".3ds"), dir.File(scene + std::string(".3d"))}, logs.Path())
                      .exitStatus,
                  0);
        pairs[ReadFileBytes(dir.File(scene + std::string("_d.3d")))] =
            ReadFileBytes(dir.File(scene + std::string("_a.3d")));
    }
    std::vector<std::vector<std::string>> runs;
    for (int i = 0; i < 8; ++i)
        runs.push_back({dir.File(i % 2 ? "large.3ds" : "small.3ds"), dir.File("ship.3d")});
    for (const CliOutcome& outcome : RunTogether(runs, logs))
        EXPECT_EQ(outcome.exitStatus, 0) << outcome.out << outcome.err;
    const auto pair = pairs.find(ReadFileBytes(dir.File("ship_d.3d")));
    ASSERT_NE(pair, pairs.end());
    EXPECT_TRUE(ReadFileBytes(dir.File("ship_a.3d")) == pair->second) << "the data and animation files of two runs";
}

TEST(SharedFiles, AppendWritesInPlaceEvenWhereTheFolderCannotBeWritten)
{
    ScopedTempDir dir, logs, programFolder;
    const std::string program = CliReachableByAll(programFolder.Path());
    ASSERT_FALSE(program.empty());
    WriteFileBytes(dir.File("in.3ds"), TwoObjects(50, 4));
    ASSERT_EQ(RunCli({dir.File("in.3ds"), dir.File("ship.3d")}, logs.Path()).exitStatus, 0);
    // Another name for the file, and a folder that the converting user may read but not change.
    ASSERT_EQ(::link(dir.File("ship_a.3d").c_str(), dir.File("other_a.3d").c_str()), 0);
    ASSERT_EQ(::chmod(dir.File("ship_a.3d").c_str(), 0666), 0);
    ASSERT_EQ(::chmod(dir.File("in.3ds").c_str(), 0644), 0);
    ASSERT_EQ(::chmod(dir.Path().c_str(), 0555), 0);
    struct stat before {};
    ASSERT_EQ(::stat(dir.File("ship_a.3d").c_str(), &before), 0);

    const CliOutcome run = RunCli({dir.File("in.3ds"), dir.File("ship_a.3d"), "append"}, logs.Path(), DropRoot, program);
    ::chmod(dir.Path().c_str(), 0755);
    if (run.exitStatus == CCliProcess::kPrepareFailed)
        GTEST_SKIP() << "user nobody cannot start the program from " << programFolder.Path();
    EXPECT_EQ(run.exitStatus, 0) << run.out << run.err;
    struct stat after {};
    ASSERT_EQ(::stat(dir.File("ship_a.3d").c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_EQ(after.st_mode, before.st_mode);
    EXPECT_EQ(FrameCountOf(ReadFileBytes(dir.File("other_a.3d"))), 8u);
}

TEST(SharedFiles, RunningOutOfMemoryEndsTheRunWithALine)
{
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the sanitizers reserve more address space than any limit allows";
#else
    ScopedTempDir dir, logs;
    scenegen::SceneShape shape;
    shape.objectCount = 80;
    shape.verticesPerObject = 16000;
    ASSERT_GT(scenegen::WriteSceneFile(shape, dir.File("in.3ds")), 40u << 20);
    // The scene model alone needs more than the whole process may hold.
    const CliOutcome run = RunCli({dir.File("in.3ds"), dir.File("ship.3d"), "byname"}, logs.Path(), [] {
        const rlimit limit{40u << 20, 40u << 20};
        return ::setrlimit(RLIMIT_AS, &limit) == 0;
    });
    EXPECT_EQ(run.signal, 0);
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(run.out, "Loading model...\nError: The scene is too large to convert\n");
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"in.3ds"});
#endif
}
