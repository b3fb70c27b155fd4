// Every operation of the file layer, one at a time, fails during a whole conversion run: a new
// pair into an empty folder, a new pair over existing files, and an append. Each run must either
// complete with exactly the bytes of a run without faults, or end with an error message and leave
// every file that existed as it was; no temporary file may stay behind.
#include "convert/Conversion.h"

#include "tests/support/FaultyFileSystem.h"
#include "tests/support/MemoryFile.h"
#include "tests/support/SceneGenerator.h"
#include "tests/support/Files.h"

#include <gtest/gtest.h>

#include <set>

namespace {

// Large enough for several reads of the input (about 290 KiB) and several writes of the
// animation file (about 1.3 MiB), so that a fault can strike between two of them.
scenegen::SceneShape FaultScene()
{
    scenegen::SceneShape shape;
    shape.objectCount = 2;
    shape.verticesPerObject = 4000;
    shape.frames = 40;
    shape.keyEvery = 7;
    return shape;
}

constexpr std::uint16_t kFrameBytes = 4 * 8000;

enum class Target { NewPair, OverExisting, Append };

struct Folder {
    ScopedTempDir dir;
    std::string input = dir.File("in.3ds");
    std::string data = dir.File("ship_d.3d");
    std::string animation = dir.File("ship_a.3d");
    Snapshot before; // the folder before the run

    Folder(const Bytes& scene, Target target)
    {
        WriteFileBytes(input, scene);
        if (target == Target::OverExisting) {
            WriteFileBytes(data, Bytes(80, 0xDD));
            WriteFileBytes(animation, AnimationFile(2, kFrameBytes));
        } else if (target == Target::Append) {
            WriteFileBytes(animation, AnimationFile(3, kFrameBytes));
        }
        before = Contents();
    }

    Snapshot Contents() const { return TakeSnapshot(dir.Path()); }
};

struct RunResult {
    RunOutcome outcome;
    std::string log;
    std::string statusText;
};

RunResult Convert(const Folder& folder, Target target, CFileSystem& fs)
{
    CRecordingView host;
    host.options.inputPath = folder.input;
    host.options.outputPath = target == Target::Append ? folder.animation : folder.dir.File("ship.3d");
    host.options.append = target == Target::Append;
    RunState state;
    const RunOutcome outcome = RunConversion(host, state, fs);
    return {outcome, state.statusLog.Text(), host.statusText};
}

std::string LastLine(const std::string& log)
{
    const std::size_t end = log.size() >= 2 ? log.size() - 2 : 0;
    const std::size_t start = log.rfind("\r\n", end == 0 ? 0 : end - 1);
    return log.substr(start == std::string::npos ? 0 : start + 2);
}

// Sweeps k = 1, 2, ... until the k-th operation is past the end of the run.
void SweepEveryOperation(Target target)
{
    const Bytes scene = scenegen::GenerateScene(FaultScene());

    Folder clean(scene, target);
    CFaultyFileSystem counting;
    ASSERT_EQ(Convert(clean, target, counting).outcome, RunOutcome::Completed);
    const Snapshot finished = clean.Contents();
    const int operations = counting.OperationCount();
    ASSERT_GT(operations, 20);

    std::set<std::string> toleratedFaults; // operations whose failure the run may survive
    for (int k = 1; k <= operations; ++k) {
        Folder folder(scene, target);
        CFaultyFileSystem fs;
        fs.FailNth(k);
        const RunResult run = Convert(folder, target, fs);
        ASSERT_TRUE(fs.Injected());
        const FileOp op = fs.Operations()[static_cast<std::size_t>(k) - 1];
        SCOPED_TRACE("operation " + std::to_string(k) + " of " + std::to_string(operations) + ": " +
                     FileOpName(op) + "\nlog:\n" + run.log + "status: " + run.statusText);

        const Snapshot after = folder.Contents();
        switch (run.outcome) {
        case RunOutcome::Completed:
            // A survived fault changes no byte. A temporary name whose removal failed may remain.
            for (const auto& [name, bytes] : finished) {
                ASSERT_TRUE(after.count(name)) << name;
                EXPECT_TRUE(after.at(name) == bytes) << name << " differs from a run without faults";
            }
            if (op != FileOp::Remove) {
                EXPECT_EQ(after.size(), finished.size());
            }
            toleratedFaults.insert(FileOpName(op));
            break;
        case RunOutcome::Failed:
            EXPECT_EQ(LastLine(run.log).rfind("Error", 0), 0u);
            break;
        case RunOutcome::Refused:
            EXPECT_EQ(run.statusText.rfind("Error: ", 0), 0u);
            EXPECT_TRUE(run.log.empty());
            break;
        case RunOutcome::Closed:
            ADD_FAILURE() << "a first request cannot close the dialog";
            break;
        }
        if (run.outcome == RunOutcome::Completed)
            continue;
        // Files that existed are byte-identical, and nothing is left behind, except what a failed
        // removal could not remove.
        for (const auto& [name, bytes] : folder.before) {
            ASSERT_TRUE(after.count(name)) << name;
            EXPECT_TRUE(after.at(name) == bytes) << name << " changed";
        }
        if (op != FileOp::Remove) {
            EXPECT_EQ(after.size(), folder.before.size());
        }
    }
    // Only operations whose failure loses nothing may pass unnoticed: closing the input after
    // it was read, a look-up that only guards, removing a temporary name (the next run in the
    // folder removes what is left), the locks by which runs take turns and what opens and checks
    // them (file systems without locks go without), giving a new file the old one's permission
    // bits, and naming an unnamed temporary directly (it is then named by way of a fresh name).
    const std::set<std::string> harmless = {"Close", "Stat", "Remove", "Lock", "OpenFolder",
                                            "OpenRead", "Info", "SetMode", "LinkAs"};
    for (const std::string& op : toleratedFaults)
        EXPECT_TRUE(harmless.count(op)) << op << " failed unnoticed";
}

} // namespace

TEST(FaultInjection, EveryFaultDuringNewPairIntoEmptyFolderIsReported)
{
    SweepEveryOperation(Target::NewPair);
}

TEST(FaultInjection, EveryFaultDuringNewPairLeavesOldFilesOrWritesNewOnes)
{
    SweepEveryOperation(Target::OverExisting);
}

TEST(FaultInjection, EveryFaultDuringAppendLeavesTheFileOrAppendsCompletely)
{
    SweepEveryOperation(Target::Append);
}

TEST(FaultInjection, InputThatCannotBeReadWholeFailsTheLoadInsteadOfConvertingPart)
{
    const Bytes scene = scenegen::GenerateScene(FaultScene());
    for (const FileOp op : {FileOp::Read, FileOp::Seek}) {
        for (int occurrence : {1, 2}) {
            SCOPED_TRACE(std::string(FileOpName(op)) + " #" + std::to_string(occurrence));
            Folder folder(scene, Target::NewPair);
            CFaultyFileSystem fs;
            fs.FailNth(op, occurrence);
            const RunResult run = Convert(folder, Target::NewPair, fs);
            EXPECT_EQ(run.outcome, RunOutcome::Failed);
            EXPECT_EQ(run.log, "Loading model...\r\nError: Could not read Input file\r\n");
            EXPECT_EQ(folder.dir.Entries(), std::vector<std::string>{"in.3ds"});
        }
    }
}
