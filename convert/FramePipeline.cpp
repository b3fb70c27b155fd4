#include "convert/FramePipeline.h"

#include "convert/FrameThreads.h"
#include "convert/VertexPacking.h"
#include "platform/ByteWriter.h"
#include "scene/MeshModel.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace {

// How much the writer writes before it starts the disk on it, while the workers pack the next frames.
constexpr std::uint64_t kFlushStep = std::uint64_t{8} << 20;

// One thread: frames first .. count - 1 built one after the other into one set of position arrays
// and packed into out's buffer.
void PackIntoWriter(CByteWriter& out, const CMeshModel& model, std::int32_t first, std::int32_t count,
                    const ScaleFactors& factors, VertexFormat format)
{
    const std::size_t bytes = VertexBytes(format);
    FramePositions positions;
    for (std::int32_t i = first; i < count; ++i) {
        model.BuildFramePositions(i, positions);
        for (std::size_t done = 0; done < positions.Count();) {
            const std::size_t room = out.Free() >= bytes ? out.Free() : out.Capacity();
            const std::size_t n = std::min(positions.Count() - done, room / bytes);
            PackPositions(format, positions, done, n, factors, out.Room(bytes * n));
            out.Commit(bytes * n);
            done += n;
        }
    }
}

// The batches' sizes and how many are in flight, from the frames' size and the workers.
struct PipelineShape {
    std::uint64_t frameBytes = 0; // of frame 0, which the batches are sized from
    std::int32_t framesPerBatch = 1;
    std::int64_t batches = 0;
    std::size_t slots = 2; // batches in flight: packed or being packed, not yet written
    unsigned workers = 1;
};

PipelineShape ShapeOf(std::uint64_t frameBytes, std::int32_t count, unsigned threads)
{
    PipelineShape shape;
    shape.frameBytes = frameBytes;
    // Each worker gets several batches where the scene is small, so that every frame count spreads
    // over the workers; the batches in flight stay within kBytesInFlight.
    const std::uint64_t bytes = std::max<std::uint64_t>(frameBytes, 1);
    const std::uint64_t target = std::min<std::uint64_t>(kBatchBytes, kBytesInFlight / (2 * std::uint64_t{threads}));
    const std::uint64_t spread = (std::uint64_t{static_cast<std::uint32_t>(count)} + 4 * threads - 1) / (4 * threads);
    shape.framesPerBatch = static_cast<std::int32_t>(std::clamp<std::uint64_t>(std::min(target / bytes, spread), 1,
                                                                                static_cast<std::uint32_t>(count)));
    shape.batches = (std::int64_t{count} + shape.framesPerBatch - 1) / shape.framesPerBatch;
    const std::uint64_t batchBytes = bytes * static_cast<std::uint64_t>(shape.framesPerBatch);
    shape.slots = static_cast<std::size_t>(
        std::clamp<std::uint64_t>(kBytesInFlight / batchBytes, 2, 2 * std::uint64_t{threads}));
    shape.workers = static_cast<unsigned>(
        std::min<std::uint64_t>({threads, shape.slots, static_cast<std::uint64_t>(shape.batches)}));
    return shape;
}

struct Batch {
    std::vector<std::uint8_t> bytes; // grows to the largest batch and keeps its storage
    std::size_t used = 0;
    std::int64_t number = -1; // the batch it holds once ready
    bool ready = false;
};

// Workers claim batches in frame order and pack each into the slot of its number; the writer
// takes the slots in order and frees each once written. A worker waits while its slot still
// holds a batch the writer has not written, which bounds what is in flight.
class CFramePipeline {
public:
    CFramePipeline(const CMeshModel& model, std::int32_t count, const ScaleFactors& factors, VertexFormat format,
                   const PipelineShape& shape)
        : model_(model), count_(count), factors_(factors), format_(format), shape_(shape), slots_(shape.slots)
    {
    }
    CFramePipeline(const CFramePipeline&) = delete;
    CFramePipeline& operator=(const CFramePipeline&) = delete;
    ~CFramePipeline()
    {
        Stop();
        workers_.clear(); // joins
    }

    // Starts the workers; how many could be started.
    unsigned Start()
    {
        workers_.reserve(shape_.workers);
        for (unsigned i = 0; i < shape_.workers; ++i) {
            try {
                workers_.emplace_back([this] { Work(); });
            } catch (const std::exception&) { // no thread to be had: std::system_error, std::bad_alloc
                break;
            }
        }
        return static_cast<unsigned>(workers_.size());
    }

    // The writer: every batch in order through out. False when a write failed. Where a worker
    // failed (memory that the threads held running out, most likely), the workers stop and the
    // calling thread packs and writes the frames from the first batch not written on, alone; what
    // fails there is thrown.
    bool WriteAll(CByteWriter& out)
    {
        std::uint64_t unflushed = 0;
        std::int64_t number = 0;
        for (; number < shape_.batches; ++number) {
            Batch& batch = slots_[static_cast<std::size_t>(number) % slots_.size()];
            {
                std::unique_lock lock(mutex_);
                ready_.wait(lock, [&] { return failure_ || (batch.ready && batch.number == number); });
                if (failure_)
                    break;
            }
            if (!out.WriteThrough(batch.bytes.data(), batch.used)) {
                Stop();
                return false;
            }
            unflushed += batch.used;
            if (unflushed >= kFlushStep) {
                out.StartFlush();
                unflushed = 0;
            }
            {
                const std::lock_guard lock(mutex_);
                batch.ready = false;
                written_ = number + 1;
            }
            free_.notify_all();
        }
        Stop();
        workers_.clear();
        if (!failure_)
            return true;
        failure_ = nullptr;
        std::vector<Batch>().swap(slots_); // their memory goes back before the rest is packed
        PackIntoWriter(out, model_, static_cast<std::int32_t>(number * shape_.framesPerBatch), count_, factors_,
                       format_);
        return !out.Failed();
    }

private:
    void Work()
    {
        FramePositions positions;
        try {
            for (;;) {
                std::int64_t number = 0;
                Batch* batch = nullptr;
                {
                    std::unique_lock lock(mutex_);
                    if (stopping_ || next_ >= shape_.batches)
                        return;
                    number = next_++;
                    free_.wait(lock, [&] {
                        return stopping_ || number < written_ + static_cast<std::int64_t>(slots_.size());
                    });
                    if (stopping_)
                        return;
                    batch = &slots_[static_cast<std::size_t>(number) % slots_.size()];
                }
                if (!Pack(number, *batch, positions))
                    return;
                {
                    const std::lock_guard lock(mutex_);
                    batch->number = number;
                    batch->ready = true;
                }
                ready_.notify_one(); // only the writer waits for a batch
            }
        } catch (...) {
            {
                const std::lock_guard lock(mutex_);
                if (!failure_)
                    failure_ = std::current_exception();
            }
            Stop();
        }
    }

    // Packs the frames of batch number into batch; false when the pipeline stopped meanwhile.
    bool Pack(std::int64_t number, Batch& batch, FramePositions& positions)
    {
        const std::int64_t first = number * shape_.framesPerBatch;
        const std::int64_t end = std::min<std::int64_t>(first + shape_.framesPerBatch, count_);
        batch.used = 0;
        const std::uint64_t expected = shape_.frameBytes * static_cast<std::uint64_t>(end - first);
        if (batch.bytes.size() < expected)
            batch.bytes.resize(static_cast<std::size_t>(expected));
        for (std::int64_t i = first; i < end; ++i) {
            if (stop_.load(std::memory_order_relaxed))
                return false;
            model_.BuildFramePositions(static_cast<std::int32_t>(i), positions);
            const std::size_t need = batch.used + VertexBytes(format_) * positions.Count();
            if (batch.bytes.size() < need)
                batch.bytes.resize(std::max(need, batch.bytes.size() + batch.bytes.size() / 2));
            PackPositions(format_, positions, 0, positions.Count(), factors_, batch.bytes.data() + batch.used);
            batch.used = need;
        }
        return true;
    }

    void Stop()
    {
        {
            const std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        stop_.store(true, std::memory_order_relaxed);
        free_.notify_all();
        ready_.notify_all();
    }

    const CMeshModel& model_;
    const std::int32_t count_;
    const ScaleFactors factors_;
    const VertexFormat format_;
    const PipelineShape shape_;
    std::vector<Batch> slots_;

    std::mutex mutex_; // guards what follows, and each slot's number and ready
    std::condition_variable free_;  // a slot was written, or the pipeline stops
    std::condition_variable ready_; // a batch was packed, or a worker failed
    std::int64_t next_ = 0;         // the next batch a worker claims
    std::int64_t written_ = 0;      // the batches the writer has written
    bool stopping_ = false;
    std::exception_ptr failure_;
    std::atomic<bool> stop_{false}; // stopping_, read by the workers between frames without the lock
    std::vector<std::jthread> workers_; // last: joined before the rest goes
};

} // namespace

bool WritePackedFrames(CByteWriter& out, const CMeshModel& model, std::int32_t count, const ScaleFactors& factors,
                       VertexFormat format, unsigned threads)
{
    if (threads > 1 && count > 1) {
        if (!out.Drain())
            return false;
        const std::uint64_t frameBytes = VertexBytes(format) * std::uint64_t{model.GetFrameShape(0).vertexCount};
        CFramePipeline pipeline(model, count, factors, format,
                                ShapeOf(frameBytes, count, std::min(threads, kMaxPassThreads)));
        if (pipeline.Start() > 0)
            return pipeline.WriteAll(out);
    }
    PackIntoWriter(out, model, 0, count, factors, format);
    return !out.Failed();
}
