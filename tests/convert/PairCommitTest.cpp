// The turns runs take in one folder and on one file: a run that finds them in use waits a while,
// says so, and gives up naming the file; a window may end the wait; where locks do not work the
// run stops instead of writing unlocked.
#include "convert/Conversion.h"
#include "convert/PairCommit.h"
#include "scene/StatusLog.h"

#include "tests/support/CliProcess.h"
#include "tests/support/FaultyFileSystem.h"
#include "tests/support/Files.h"
#include "tests/support/MemoryFile.h"
#include "tests/support/SceneGenerator.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

constexpr std::uint16_t kFrameBytes = 4 * 80;

struct LockFolder {
    ScopedTempDir dir;
    std::string input = dir.File("in.3ds");
    std::string data = dir.File("ship_d.3d");
    std::string animation = dir.File("ship_a.3d");

    explicit LockFolder(bool existingPair)
    {
        scenegen::SceneShape shape;
        shape.objectCount = 2;
        shape.verticesPerObject = 40;
        shape.frames = 3;
        WriteFileBytes(input, scenegen::GenerateScene(shape));
        if (existingPair) {
            WriteFileBytes(data, Bytes(48, 0));
            WriteFileBytes(animation, AnimationFile(2, kFrameBytes));
        }
    }
};

// A host whose window ends the wait after it was asked a few times.
class CImpatientView : public CRecordingView {
public:
    int asked = 0;
    int patience = 1000000;
    bool KeepWaiting() override { return ++asked < patience; }
};

struct LockedRun {
    RunOutcome outcome;
    std::string log;
    std::string status;
};

LockedRun Convert(const LockFolder& folder, bool append, CFileSystem& fs = CFileSystem::Native(),
            CImpatientView&& host = CImpatientView())
{
    host.options.inputPath = folder.input;
    host.options.outputPath = append ? folder.animation : folder.dir.File("ship.3d");
    host.options.append = append;
    host.options.lockPatience = std::chrono::milliseconds(100);
    RunState state;
    const RunOutcome outcome = RunConversion(host, state, fs);
    return {outcome, state.statusLog.Text(), host.statusText};
}

// Takes the folder's turn as another run would hold it: by the folder's lock, or on Windows, where
// folders cannot be locked, by its lock file, which then stays while it is held.
std::unique_ptr<CFile> HoldFolder(const LockFolder& folder)
{
#ifdef _WIN32
    auto held = CFileSystem::Native().CreateNew(folder.dir.File(kFolderLockName));
#else
    auto held = CFileSystem::Native().OpenFolder(folder.data);
#endif
    EXPECT_TRUE(held && held->Lock(false) == LockResult::Locked);
    return held;
}

std::string Waiting(const std::string& path)
{
    return "Waiting for another conversion to finish with " + path + "\r\n";
}

} // namespace

TEST(LockWait, ARunThatFindsTheFolderOrTheFileInUseGivesUpNamingIt)
{
    {
        SCOPED_TRACE("the folder's turn, held by another run");
        LockFolder folder(false);
        const auto held = HoldFolder(folder);
        const std::vector<std::string> before = folder.dir.Entries();
        const LockedRun run = Convert(folder, false);
        EXPECT_EQ(run.outcome, RunOutcome::Refused);
        EXPECT_EQ(run.status, "Error: Another conversion is using " + folder.animation);
        EXPECT_EQ(run.log, Waiting(folder.animation));
        EXPECT_EQ(folder.dir.Entries(), before);
    }
    for (const bool append : {true, false}) {
        SCOPED_TRACE(append ? "the animation file appended to" : "the animation file a new pair replaces");
        LockFolder folder(true);
        const Snapshot before = TakeSnapshot(folder.dir.Path());
        const auto held = CFileSystem::Native().OpenReadWrite(folder.animation);
        ASSERT_EQ(held->Lock(false), LockResult::Locked);
        const LockedRun run = Convert(folder, append);
        EXPECT_EQ(run.outcome, RunOutcome::Failed);
        const std::string tail = Waiting(folder.animation) + "Error: Another conversion is using " +
                                 folder.animation + "\r\n";
        ASSERT_GE(run.log.size(), tail.size());
        EXPECT_EQ(run.log.substr(run.log.size() - tail.size()), tail);
        EXPECT_TRUE(TakeSnapshot(folder.dir.Path()) == before);
    }
}

TEST(LockWait, TheWindowCanEndTheWaitBeforeAnythingIsWritten)
{
    LockFolder folder(true);
    const Snapshot before = TakeSnapshot(folder.dir.Path());
    const auto held = CFileSystem::Native().OpenReadWrite(folder.animation);
    ASSERT_EQ(held->Lock(false), LockResult::Locked);
    CImpatientView host;
    host.patience = 3;
    host.options.lockPatience = std::chrono::hours(1); // only the window can end this wait
    const LockedRun run = Convert(folder, true, CFileSystem::Native(), std::move(host));
    EXPECT_EQ(run.outcome, RunOutcome::Failed);
    EXPECT_NE(run.log.find("Error: Stopped while waiting for another conversion to finish with " + folder.animation +
                           "\r\n"),
              std::string::npos)
        << run.log;
    EXPECT_TRUE(TakeSnapshot(folder.dir.Path()) == before);
}

TEST(Locks, WhereLocksDoNotWorkTheRunStopsInsteadOfWritingUnlocked)
{
    for (const bool append : {false, true}) {
        SCOPED_TRACE(append ? "append" : "new pair");
        LockFolder folder(true);
        const Snapshot before = TakeSnapshot(folder.dir.Path());
        CFaultyFileSystem fs;
        fs.FailEvery(FileOp::Lock);
        const LockedRun run = Convert(folder, append, fs);
        EXPECT_EQ(run.outcome, RunOutcome::Refused);
        EXPECT_EQ(run.status, "Error: Could not lock " + folder.dir.File(kFolderLockName));
        EXPECT_TRUE(TakeSnapshot(folder.dir.Path()) == before) << "the lock file or an output was left";
    }
}

TEST(Locks, AFolderThatCannotBeOpenedTakesTurnsByALockFileItsHolderRemoves)
{
    LockFolder folder(false);
    CFaultyFileSystem fs;
    fs.FailEvery(FileOp::OpenFolder);
    EXPECT_EQ(Convert(folder, false, fs).outcome, RunOutcome::Completed);
    EXPECT_EQ(folder.dir.Entries(), (std::vector<std::string>{"in.3ds", "ship_a.3d", "ship_d.3d"}));

    // Another run holding the lock file keeps this one out, as the folder's own lock would.
    const auto held = CFileSystem::Native().CreateNew(folder.dir.File(kFolderLockName));
    ASSERT_TRUE(held);
    ASSERT_EQ(held->Lock(false), LockResult::Locked);
    const Snapshot before = TakeSnapshot(folder.dir.Path());
    const LockedRun run = Convert(folder, true, fs);
    EXPECT_EQ(run.outcome, RunOutcome::Refused);
    EXPECT_EQ(run.status, "Error: Another conversion is using " + folder.animation);
    EXPECT_TRUE(TakeSnapshot(folder.dir.Path()) == before);

    // So does a run that could lock the folder: it holds the lock file too, and removes it. (On
    // Windows no run can lock a folder, and a removed file keeps its name while it is open.)
#ifndef _WIN32
    std::filesystem::remove(folder.dir.File(kFolderLockName));
    {
        CStatusLog log;
        std::string error;
        CFolderTurn turn(CFileSystem::Native());
        ASSERT_TRUE(turn.Take(folder.data, folder.animation, kLockPatience, log, error)) << error;
        EXPECT_EQ(Convert(folder, true, fs).status, "Error: Another conversion is using " + folder.animation);
    }
    EXPECT_EQ(folder.dir.Entries(), (std::vector<std::string>{"in.3ds", "ship_a.3d", "ship_d.3d"}));
#endif
}

TEST(LockWait, TheCommandLineSaysWhatItWaitsForWithoutATerminal)
{
    LockFolder folder(false);
    ScopedTempDir logs;
    auto held = HoldFolder(folder);
    CCliProcess process({folder.input, folder.dir.File("ship.3d")}, logs.Path());
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    held.reset(); // the other run ends
    const CliOutcome outcome = process.Wait();
    EXPECT_EQ(outcome.exitStatus, 0) << outcome.out << outcome.err;
    EXPECT_NE(outcome.out.find("Waiting for another conversion to finish with " + folder.animation + "\n"),
              std::string::npos)
        << outcome.out;
}

TEST(PairCommit, ARunStoppedBetweenTheRenamesIsCompletedByTheNextRunInTheFolder)
{
    LockFolder folder(true);
    // The state a kill after the data file's rename leaves: the new data file in place, the new
    // animation file under its own name, the record naming both.
    const Bytes newData(64, 0x11), newAnimation = AnimationFile(1, kFrameBytes);
    const std::string fresh = folder.dir.File(".tarnex-00000000000000aa.tmp");
    WriteFileBytes(folder.data, newData);
    WriteFileBytes(fresh, newAnimation);
    std::string record("tarnex commit 1", 16);
    for (const std::string& path : {folder.dir.File(".tarnex-00000000000000bb.tmp"), folder.data, fresh, folder.animation})
        record += path + '\0';
    WriteFileBytes(folder.dir.File(kCommitRecordName), Bytes(record.begin(), record.end()));
    ASSERT_EQ(PendingCommit(CFileSystem::Native(), folder.data).size(), 1u);
    ScopedTempDir logs;
    const CliOutcome info = RunCli({"--info", folder.data}, logs.Path());
    EXPECT_EQ(info.exitStatus, 1);
    EXPECT_NE((info.out + info.err).find("Error: The pair " + folder.data + " is mid-commit"), std::string::npos)
        << info.out << info.err;

    CStatusLog log;
    std::string error;
    {
        CFolderTurn turn(CFileSystem::Native());
        ASSERT_TRUE(turn.Take(folder.data, folder.animation, kLockPatience, log, error)) << error;
    }
    EXPECT_EQ(log.Text(), "Completed putting " + folder.animation +
                              " in place, which a conversion that was stopped left half done\r\n");
    EXPECT_EQ(ReadFileBytes(folder.animation), newAnimation);
    EXPECT_EQ(ReadFileBytes(folder.data), newData);
    EXPECT_EQ(folder.dir.Entries(), (std::vector<std::string>{"in.3ds", "ship_a.3d", "ship_d.3d"}));
    EXPECT_TRUE(PendingCommit(CFileSystem::Native(), folder.data).empty());
}
