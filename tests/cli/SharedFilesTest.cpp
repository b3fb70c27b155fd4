// Files shared with other runs and other users: runs of tarnex-cli started together on the same
// files, also where locks fail, an append into a folder the user cannot write, and a run that runs
// out of memory.
#include "tests/support/CliProcess.h"
#include "tests/support/Files.h"
#include "tests/support/SceneGenerator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <regex>
#ifndef _WIN32
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

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

// Starts every run at once, each prepared by prepare, and waits for all of them.
std::vector<CliOutcome> RunTogether(const std::vector<std::vector<std::string>>& runs,
                                    const std::function<bool()>& prepare = {})
{
    std::vector<std::unique_ptr<ScopedTempDir>> folders;
    std::vector<std::unique_ptr<CCliProcess>> processes;
    for (const auto& arguments : runs) {
        folders.push_back(std::make_unique<ScopedTempDir>());
        processes.push_back(std::make_unique<CCliProcess>(arguments, folders.back()->Path(), prepare));
    }
    std::vector<CliOutcome> outcomes;
    for (auto& process : processes)
        outcomes.push_back(process->Wait());
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
    for (const CliOutcome& outcome : RunTogether(runs)) {
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
    for (const CliOutcome& outcome : RunTogether(runs))
        EXPECT_EQ(outcome.exitStatus, 0) << outcome.out << outcome.err;
    const auto pair = pairs.find(ReadFileBytes(dir.File("ship_d.3d")));
    ASSERT_NE(pair, pairs.end());
    EXPECT_TRUE(ReadFileBytes(dir.File("ship_a.3d")) == pair->second) << "the data and animation files of two runs";
}

// Linux holds the child's address space to the limit, Windows a job the memory the child commits.
TEST(SharedFiles, RunningOutOfMemoryEndsTheRunWithALine)
{
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the sanitizers reserve more address space than any limit allows";
#else
    constexpr std::size_t kLimit = std::size_t{40} << 20;
    ScopedTempDir dir, logs;
    scenegen::SceneShape shape;
    shape.objectCount = 80;
    shape.verticesPerObject = 16000;
    ASSERT_GT(scenegen::WriteSceneFile(shape, dir.File("in.3ds")), kLimit);
    // The scene model alone needs more than the whole process may hold.
    const std::vector<std::string> arguments = {dir.File("in.3ds"), dir.File("ship.3d"), "byname"};
#ifdef _WIN32
    CCliProcess process(arguments, logs.Path(), kLimit);
    if (!process.MemoryLimitHeld())
        GTEST_SKIP() << "Wine does not enforce job memory limits";
    const CliOutcome run = process.Wait();
#else
    const CliOutcome run = RunCli(arguments, logs.Path(), [] {
        const rlimit limit{kLimit, kLimit};
        return ::setrlimit(RLIMIT_AS, &limit) == 0;
    });
#endif
    EXPECT_EQ(run.signal, 0);
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(run.out, "Loading model...\n");
    EXPECT_EQ(run.err, "Error: The scene is too large to convert\n");
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"in.3ds"});
#endif
}

// Another user and a preloaded lock shim are Linux's.
#ifndef _WIN32
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

#if defined(__SANITIZE_ADDRESS__)
extern "C" void __asan_init();
#endif

namespace {

// The preparation of a run whose locks behave as mode says (tests/cli/NoLocksShim.cpp). A
// sanitized program refuses to start unless its sanitizer's runtime comes first of what is
// preloaded: the runtime this test runs with goes in front then.
std::function<bool()> WithLocks(const std::string& mode)
{
    std::string preload = TARNEX_NOLOCKS_SHIM;
#if defined(__SANITIZE_ADDRESS__)
    Dl_info runtime{};
    if (::dladdr(reinterpret_cast<void*>(&__asan_init), &runtime) != 0 && runtime.dli_fname &&
        std::string(runtime.dli_fname).find("libasan") != std::string::npos)
        preload = std::string(runtime.dli_fname) + ":" + preload;
#endif
    return [preload, mode] {
        return ::setenv("LD_PRELOAD", preload.c_str(), 1) == 0 && ::setenv("TARNEX_TEST_LOCKS", mode.c_str(), 1) == 0;
    };
}

// Whether what a failed run printed ends with the line that names the lock it could not take, one of
// lockedFiles, and the reason on the line after it.
bool EndsWithLockFailure(const std::string& out, const std::vector<std::string>& lockedFiles)
{
    const std::string head = "Error: Could not lock ";
    return std::any_of(lockedFiles.begin(), lockedFiles.end(), [&](const std::string& file) {
        const std::string line = head + file + "\n(";
        const std::size_t at = out.rfind(line);
        return at != std::string::npos && (at == 0 || out[at - 1] == '\n') && out.size() > at + line.size() + 2 &&
               out.ends_with(")\n") && out.find('\n', at + line.size()) == out.size() - 1;
    });
}

} // namespace

TEST(SharedFiles, WhereLocksFailNoAppendIsLostAndNoPairMixed)
{
    struct Mode {
        const char* name;
        int succeeding; // of each 8 runs; -1: any number
    };
    // Without locks every run stops; where only locks on what is open for writing work, the runs
    // lock what they can and all succeed; where locks fail at random, some do.
    const Mode modes[] = {{"none", 0}, {"write-only", 8}, {"flaky", -1}};
    constexpr int kRuns = 8;
    for (const Mode& mode : modes) {
        SCOPED_TRACE(mode.name);
        ScopedTempDir appends, pairs, logs;
        WriteFileBytes(appends.File("in.3ds"), TwoObjects(300, 36));
        ASSERT_EQ(RunCli({appends.File("in.3ds"), appends.File("ship.3d")}, logs.Path()).exitStatus, 0);
        const Bytes first = ReadFileBytes(appends.File("ship_a.3d"));
        std::map<Bytes, Bytes> made; // animation file by data file, of each scene converted alone
        WriteFileBytes(pairs.File("small.3ds"), TwoObjects(100, 20));
        WriteFileBytes(pairs.File("large.3ds"), TwoObjects(900, 30));
        for (const std::string scene : {"large", "small"}) {
            ASSERT_EQ(RunCli({pairs.File(scene + ".3ds"), pairs.File("ship.3d")}, logs.Path()).exitStatus, 0);
            made[ReadFileBytes(pairs.File("ship_d.3d"))] = ReadFileBytes(pairs.File("ship_a.3d"));
        }
        const Snapshot appendsBefore = TakeSnapshot(appends.Path()), pairsBefore = TakeSnapshot(pairs.Path());

        std::vector<std::vector<std::string>> runs;
        for (int i = 0; i < kRuns; ++i)
            runs.push_back({appends.File("in.3ds"), appends.File("ship_a.3d"), "append"});
        for (int i = 0; i < kRuns; ++i)
            runs.push_back({pairs.File(i % 2 ? "large.3ds" : "small.3ds"), pairs.File("ship.3d")});
        const std::vector<CliOutcome> outcomes = RunTogether(runs, WithLocks(mode.name));

        // Each run says "Done." with its frames in place, or names the lock it could not take.
        const std::regex appended("\n36 frame\\(s\\) appended, ([0-9]+) total frames\nDone.\n$");
        std::vector<int> totals;
        int pairsMade = 0;
        for (int i = 0; i < 2 * kRuns; ++i) {
            const CliOutcome& run = outcomes[i];
            const ScopedTempDir& dir = i < kRuns ? appends : pairs;
            std::smatch line;
            if (run.exitStatus == 0 && i < kRuns && std::regex_search(run.out, line, appended))
                totals.push_back(std::stoi(line[1]));
            else if (run.exitStatus == 0 && i >= kRuns && run.out.ends_with(" frame(s) converted\nDone.\n"))
                ++pairsMade;
            else
                EXPECT_TRUE(
                    run.exitStatus == 1 &&
                    EndsWithLockFailure(run.out + run.err, {dir.File(".tarnex-folder.lock"), dir.File("ship_a.3d")}))
                    << "run " << i << " exit " << run.exitStatus << ":\n"
                    << run.out << run.err;
        }
        std::printf("locks %s: %zu of %d appends and %d of %d new pairs done\n", mode.name, totals.size(), kRuns,
                    pairsMade, kRuns);
        if (mode.succeeding >= 0) {
            EXPECT_EQ(totals.size(), std::size_t(mode.succeeding));
            EXPECT_EQ(pairsMade, mode.succeeding);
        }

        // No append lost: each found the frames of those before it, and the file holds them all.
        std::sort(totals.begin(), totals.end());
        std::vector<int> expected;
        for (std::size_t run = 1; run <= totals.size(); ++run)
            expected.push_back(static_cast<int>(36 * (run + 1)));
        EXPECT_EQ(totals, expected);
        const Bytes all = ReadFileBytes(appends.File("ship_a.3d"));
        EXPECT_EQ(FrameCountOf(all), 36u * (totals.size() + 1));
        ASSERT_EQ(all.size(), 4 + (first.size() - 4) * (totals.size() + 1));
        for (std::size_t run = 1; run <= totals.size(); ++run)
            EXPECT_TRUE(std::equal(first.begin() + 4, first.end(), all.begin() + 4 + run * (first.size() - 4))) << run;

        // No pair mixed: the data file and the animation file come from one run.
        const auto pair = made.find(ReadFileBytes(pairs.File("ship_d.3d")));
        ASSERT_NE(pair, made.end());
        EXPECT_TRUE(ReadFileBytes(pairs.File("ship_a.3d")) == pair->second)
            << "the data and animation files of two runs";
        if (pairsMade == 0) {
            EXPECT_TRUE(TakeSnapshot(pairs.Path()) == pairsBefore);
        }
        if (totals.empty()) {
            EXPECT_TRUE(TakeSnapshot(appends.Path()) == appendsBefore);
        }
        // Nor does a lock file or a temporary stay behind.
        EXPECT_EQ(appends.Entries(), (std::vector<std::string>{"in.3ds", "ship_a.3d", "ship_d.3d"}));
        EXPECT_EQ(pairs.Entries(), (std::vector<std::string>{"large.3ds", "ship_a.3d", "ship_d.3d", "small.3ds"}));
    }
}
#endif // _WIN32
