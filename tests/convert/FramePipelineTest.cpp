// The key-frame passes on several threads: the same files as on one thread for any thread count,
// the workers stopped by a failed write with the files taken back, a worker's failure left to one
// thread, and a run cancelled after a threaded write leaving the folder as it was.
#include "convert/Conversion.h"
#include "convert/FramePipeline.h"
#include "convert/FrameThreads.h"

#include "platform/ByteWriter.h"
#include "tests/support/CliProcess.h"
#include "tests/support/FaultyFileSystem.h"
#include "tests/support/Files.h"
#include "tests/support/FrameModel.h"
#include "tests/support/MemoryFile.h"
#include "tests/support/SceneGenerator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <new>

namespace {

// A key-frame scene of frames frames whose frames are 4 × 2 × 1500 bytes: several batches for any
// thread count the tests use.
Bytes KeyScene(std::uint32_t frames, std::uint32_t objects = 2)
{
    scenegen::SceneShape shape;
    shape.objectCount = objects;
    shape.verticesPerObject = 1500;
    shape.frames = frames;
    shape.keyEvery = 7;
    return scenegen::GenerateScene(shape);
}

struct ThreadedRun {
    RunOutcome outcome;
    std::string log;
};

ThreadedRun RunWith(const std::string& input, const std::string& output, unsigned threads, ConversionOptions options,
                CFileSystem& fs = CFileSystem::Native())
{
    CRecordingView host;
    host.options = options;
    host.options.inputPath = input;
    host.options.outputPath = output;
    host.options.threads = threads;
    RunState state;
    const RunOutcome outcome = RunConversion(host, state, fs);
    return {outcome, state.statusLog.Text() + host.statusText};
}

// What a new pair and then an append of the same scene leave in a folder of their own.
Snapshot ConvertAndAppend(const Bytes& scene, unsigned threads, ConversionOptions options)
{
    ScopedTempDir dir;
    WriteFileBytes(dir.File("in.3ds"), scene);
    EXPECT_EQ(RunWith(dir.File("in.3ds"), dir.File("ship.3d"), threads, options).outcome, RunOutcome::Completed);
    options.append = true;
    EXPECT_EQ(RunWith(dir.File("in.3ds"), dir.File("ship_a.3d"), threads, options).outcome, RunOutcome::Completed);
    return TakeSnapshot(dir.Path());
}

// A file in memory whose write number failAt (1-based) fails, and every one after it.
class CFailingFile final : public CFile {
public:
    explicit CFailingFile(int failAt) : failAt_(failAt) {}
    bool Seek(std::uint64_t) override { return true; }
    std::size_t Read(void*, std::size_t) override { return 0; }
    bool Write(const void* data, std::size_t count) override
    {
        if (++writes >= failAt_ && failAt_ > 0)
            return false;
        const auto* in = static_cast<const std::uint8_t*>(data);
        bytes.insert(bytes.end(), in, in + count);
        return true;
    }
    std::uint64_t Length() override { return bytes.size(); }
    bool Flush() override { return true; }
    bool Truncate(std::uint64_t) override { return true; }
    bool Close() override { return true; }
    FileInfo Info() override { return {}; }
    LockResult Lock(bool) override { return LockResult::Locked; }
    bool SetMode(std::uint32_t) override { return true; }
    bool LinkAs(const std::string&) override { return false; }

    Bytes bytes;
    int writes = 0;

private:
    int failAt_;
};

// The packed frames of model as one thread writes them.
Bytes PackedOnOneThread(const CMeshModel& model)
{
    CFailingFile file(0);
    CByteWriter out(file);
    EXPECT_TRUE(WritePackedFrames(out, model, model.GetFrameCount(), ScaleFactors{}, VertexFormat::Standard, 1) && out.Drain());
    return file.bytes;
}

// Adds count frames of vertices vertices each, every frame different.
void AddFrames(CFrameModel& model, int count, int vertices)
{
    for (int f = 0; f < count; ++f) {
        std::vector<FrameVertex> points;
        for (int v = 0; v < vertices; ++v)
            points.push_back(At(static_cast<float>(f % 200) - 100.0f, static_cast<float>(v % 250) * 0.5f,
                                static_cast<float>(f + v) * 0.01f - 60.0f));
        model.AddFrame(points);
    }
}

// A model that runs out of memory when frame failAt is built: every time, or only the first time.
class CExhaustedModel final : public CMeshModel {
public:
    CExhaustedModel(int count, int vertices, int failAt, bool lasting) : failAt_(failAt), lasting_(lasting)
    {
        AddFrames(frames_, count, vertices);
    }
    void BuildFrame(std::int32_t frameIndex, MeshFrame& frame) const override
    {
        if (frameIndex == failAt_ && (lasting_ || !failed_.exchange(true)))
            throw std::bad_alloc();
        frames_.BuildFrame(frameIndex, frame);
    }
    int Load(CFile&) override { return 1; }
    std::int32_t GetFrameCount() const override { return frames_.GetFrameCount(); }

private:
    CFrameModel frames_;
    int failAt_;
    bool lasting_;
    mutable std::atomic<bool> failed_ = false;
};

} // namespace

TEST(PassThreads, TheSettingIsAWholeNumberFromOneElseTheMachinesCores)
{
    EXPECT_EQ(ThreadsFromSetting(nullptr, 8), 8u);
    EXPECT_EQ(ThreadsFromSetting("1", 8), 1u);
    EXPECT_EQ(ThreadsFromSetting(" 3 ", 8), 3u);
    EXPECT_EQ(ThreadsFromSetting("256", 8), 256u);
    for (const char* ignored : {"", "0", "-2", "2x", "1.5", "257", "99999999999999999999", "four"})
        EXPECT_EQ(ThreadsFromSetting(ignored, 6), 6u) << ignored;
    EXPECT_EQ(ThreadsFromSetting(nullptr, 0), 1u); // a machine that cannot say
    EXPECT_EQ(ThreadsFromSetting(nullptr, 1000), kMaxPassThreads);
}

TEST(PassThreads, RangesCoverEveryFrameOnceInOrderAndFailuresComeBackAfterAllRanges)
{
    for (const auto& [count, threads] : {std::pair{10, 3}, {2, 5}, {1, 4}, {7, 7}, {1000, 1}}) {
        SCOPED_TRACE(std::to_string(count) + " frames, " + std::to_string(threads) + " threads");
        std::vector<std::pair<std::int32_t, std::int32_t>> ranges(FrameRangeCount(count, threads));
        ForEachFrameRange(count, threads, [&](std::int32_t begin, std::int32_t end, unsigned part) {
            ranges[part] = {begin, end};
        });
        ASSERT_EQ(ranges.size(), static_cast<std::size_t>(std::min(count, threads)));
        std::int32_t next = 0;
        for (const auto& [begin, end] : ranges) {
            EXPECT_EQ(begin, next);
            EXPECT_GT(end, begin);
            next = end;
        }
        EXPECT_EQ(next, count);
    }
    EXPECT_EQ(FrameRangeCount(0, 4), 0u);

    // A range that fails on its thread runs again on the calling one once the others have ended:
    // a failure that does not come back is overcome, one that does is thrown.
    for (const bool lasting : {false, true}) {
        SCOPED_TRACE(lasting ? "lasting failure" : "passing failure");
        std::atomic<int> runs = 0, failed = 0;
        std::vector<int> done(8, 0);
        const auto pass = [&](std::int32_t begin, std::int32_t end, unsigned) {
            ++runs;
            if (begin == 2 && (lasting || failed == 0)) {
                ++failed;
                throw std::bad_alloc();
            }
            for (std::int32_t i = begin; i < end; ++i)
                ++done[static_cast<std::size_t>(i)];
        };
        if (lasting) {
            EXPECT_THROW(ForEachFrameRange(8, 4, pass), std::bad_alloc);
        } else {
            ForEachFrameRange(8, 4, pass);
            EXPECT_EQ(done, std::vector<int>(8, 1));
        }
        EXPECT_EQ(runs, 5);
        EXPECT_EQ(failed, lasting ? 2 : 1);
    }
}

TEST(PassThreads, ExtentsAndClampCountDoNotDependOnTheThreads)
{
    // The largest magnitude lies in one frame of each axis, a frame holds a coordinate that is not
    // a number and another -0, so the ranges see very different parts.
    CFrameModel model;
    AddFrames(model, 23, 5);
    model.frames[3].vertices[1].x = -700.0f;
    model.frames[17].vertices[4].y = std::numeric_limits<float>::quiet_NaN();
    model.frames[22].vertices[0].z = 900.5f;
    model.frames[9].vertices[2].x = -0.0f;
    const ScaleFactors factors{0.25, 1.5, 0.125};
    const Extents one = MeasureExtents(model, 23, 1);
    const std::uint64_t outside = CountOutsideCube(model, 23, factors, 1);
    EXPECT_EQ(one.mx, 700.0);
    EXPECT_EQ(one.mz, 900.5);
    for (const unsigned threads : {2u, 3u, 4u, 7u, 23u, 64u}) {
        SCOPED_TRACE(threads);
        const Extents e = MeasureExtents(model, 23, threads);
        EXPECT_EQ(e.mx, one.mx);
        EXPECT_EQ(e.my, one.my);
        EXPECT_EQ(e.mz, one.mz);
        EXPECT_EQ(CountOutsideCube(model, 23, factors, threads), outside);
    }
}

TEST(FramePipeline, EveryThreadCountWritesTheFilesOfOneThread)
{
    // New pairs and appends, frame counts that no thread count divides, every vertex mode, a
    // script (whose append counts the clamped coordinates), by name, centred in the other format, and exact.
    struct Case {
        const char* what;
        Bytes scene;
        ConversionOptions options;
    };
    std::vector<Case> cases;
    cases.push_back({"uniform, 97 key frames", KeyScene(97), {}});
    cases.push_back({"xyz with script, 41 key frames", KeyScene(41), {}});
    cases.back().options.vertexMode = VertexMode::XyzScale;
    cases.back().options.script = true;
    cases.push_back({"clip, 2 key frames", KeyScene(2), {}});
    cases.back().options.vertexMode = VertexMode::ClipBounds;
    cases.push_back({"by name, 13 objects", KeyScene(0, 13), {}});
    cases.back().options.frameMode = FrameMode::ByObjectName;
    cases.back().options.fill = true;
    cases.push_back({"centred fill in the Deus Ex format, 53 key frames", KeyScene(53), {}});
    cases.back().options.fill = true;
    cases.back().options.vertexFormat = VertexFormat::DeusEx;
    cases.push_back({"exact, 29 key frames", KeyScene(29), {}});
    cases.back().options.exact = true;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Snapshot single = ConvertAndAppend(c.scene, 1, c.options);
        ASSERT_GE(single.size(), 3u);
        for (const unsigned threads : {2u, 3u, 4u, 8u}) {
            SCOPED_TRACE(std::to_string(threads) + " threads");
            EXPECT_TRUE(ConvertAndAppend(c.scene, threads, c.options) == single);
        }
    }
}

TEST(FramePipeline, AFailedWriteStopsTheWorkersAndWritesNothingMore)
{
    // 400 frames of 4 KB: many batches; the third write fails while frames are still being packed.
    CFrameModel model;
    AddFrames(model, 400, 1024);
    const Bytes whole = PackedOnOneThread(model);
    for (const unsigned threads : {2u, 3u, 8u}) {
        SCOPED_TRACE(threads);
        model.builds = 0;
        CFailingFile file(3);
        CByteWriter out(file);
        EXPECT_FALSE(WritePackedFrames(out, model, 400, ScaleFactors{}, VertexFormat::Standard, threads));
        EXPECT_FALSE(out.Drain());
        EXPECT_EQ(file.writes, 3);
        // What was written is the start of the whole, and the workers stopped within the frames in
        // flight: the two batches written and 2 × threads more of 400 / (4 × threads) frames each,
        // rounded up, and frame 0 once for the frames' size.
        ASSERT_LE(file.bytes.size(), whole.size());
        EXPECT_TRUE(std::equal(file.bytes.begin(), file.bytes.end(), whole.begin()));
        const unsigned perBatch = (400 + 4 * threads - 1) / (4 * threads);
        EXPECT_LE(model.builds.load(), static_cast<int>(1 + (2 + 2 * threads) * perBatch));
        EXPECT_LT(model.builds.load(), 400);
    }
}

TEST(FramePipeline, AWorkerThatRunsOutOfMemoryLeavesTheRestToTheWriterAlone)
{
    // The writer packs the frames from the first batch not written on by itself: a failure that
    // does not come back costs nothing, one that does reaches the caller.
    CFrameModel frames;
    AddFrames(frames, 300, 64);
    const Bytes whole = PackedOnOneThread(frames);
    {
        const CExhaustedModel model(300, 64, 170, false);
        CFailingFile file(0);
        CByteWriter out(file);
        EXPECT_TRUE(WritePackedFrames(out, model, 300, ScaleFactors{}, VertexFormat::Standard, 3) && out.Drain());
        EXPECT_TRUE(file.bytes == whole);
    }
    const CExhaustedModel model(300, 64, 170, true);
    CFailingFile file(0);
    CByteWriter out(file);
    EXPECT_THROW(WritePackedFrames(out, model, 300, ScaleFactors{}, VertexFormat::Standard, 3), std::bad_alloc);
    EXPECT_LE(file.bytes.size(), 4u * 64 * 170);
    EXPECT_TRUE(std::equal(file.bytes.begin(), file.bytes.end(), whole.begin()));
}

TEST(FramePipeline, AWriteThatFailsMidwayTakesTheFilesBack)
{
    // The run's Write number 4 is a batch of frames in the middle of the animation file, for the
    // new pair over old files and for the append alike.
    const Bytes scene = KeyScene(120);
    for (const bool append : {false, true}) {
        SCOPED_TRACE(append ? "append" : "new pair over old files");
        ScopedTempDir dir;
        WriteFileBytes(dir.File("in.3ds"), scene);
        WriteFileBytes(dir.File("ship_d.3d"), Bytes(80, 0xDD));
        WriteFileBytes(dir.File("ship_a.3d"), AnimationFile(2, 4 * 3000));
        const Snapshot before = TakeSnapshot(dir.Path());
        CFaultyFileSystem fs;
        fs.FailNth(FileOp::Write, 4);
        ConversionOptions options;
        options.append = append;
        const ThreadedRun run = RunWith(dir.File("in.3ds"), dir.File(append ? "ship_a.3d" : "ship.3d"), 3, options, fs);
        EXPECT_TRUE(fs.Injected());
        EXPECT_EQ(run.outcome, RunOutcome::Failed);
        EXPECT_NE(run.log.find("Error: Could not write output file: " + dir.File("ship_a.3d")), std::string::npos) << run.log;
        EXPECT_TRUE(TakeSnapshot(dir.Path()) == before);
    }
}

TEST(FramePipeline, TheWindowEndingTheWaitAfterAThreadedWriteLeavesTheOldPair)
{
    // A new pair waits for the lock of the animation file it replaces once its frames are written;
    // the window ends the wait.
    class CCancellingView final : public CRecordingView {
    public:
        int asked = 0;
        bool KeepWaiting() override { return ++asked < 3; }
    };
    ScopedTempDir dir;
    WriteFileBytes(dir.File("in.3ds"), KeyScene(150));
    WriteFileBytes(dir.File("ship_d.3d"), Bytes(80, 0xDD));
    WriteFileBytes(dir.File("ship_a.3d"), AnimationFile(2, 4 * 3000));
    const Snapshot before = TakeSnapshot(dir.Path());
    const auto held = CFileSystem::Native().OpenReadWrite(dir.File("ship_a.3d"));
    ASSERT_EQ(held->Lock(false), LockResult::Locked);

    CCancellingView host;
    host.options.inputPath = dir.File("in.3ds");
    host.options.outputPath = dir.File("ship.3d");
    host.options.threads = 4;
    host.options.lockPatience = std::chrono::hours(1); // only the window ends this wait
    RunState state;
    EXPECT_EQ(RunConversion(host, state), RunOutcome::Failed);
    EXPECT_EQ(host.asked, 3);
    EXPECT_NE(state.statusLog.Text().find("Error: Stopped while waiting for another conversion to finish with " +
                                          dir.File("ship_a.3d")),
              std::string::npos)
        << state.statusLog.Text();
    EXPECT_TRUE(TakeSnapshot(dir.Path()) == before);
}

#ifndef _WIN32 // the child's environment is set between fork and exec
TEST(FramePipeline, TheCommandLineWritesTheSameFilesForAnyTarnexThreads)
{
    ScopedTempDir dir;
    WriteFileBytes(dir.File("in.3ds"), KeyScene(61));
    std::vector<Bytes> first;
    for (const char* threads : {"1", "5", "none"}) {
        SCOPED_TRACE(threads);
        const CliOutcome r = RunCli({dir.File("in.3ds"), dir.File("ship.3d")}, dir.Path(), [threads] {
            return ::setenv("TARNEX_THREADS", threads, 1) == 0;
        });
        ASSERT_EQ(r.exitStatus, 0) << r.err;
        const std::vector<Bytes> files = {ReadFileBytes(dir.File("ship_d.3d")), ReadFileBytes(dir.File("ship_a.3d"))};
        if (first.empty())
            first = files;
        else
            EXPECT_TRUE(files == first);
    }
}
#endif // _WIN32
