// The three costs of a conversion (Load, BuildFrame and the positions-only build that the passes
// use, the whole run to files), two peers loading the same files (Assimp, lib3ds) and three floors
// (reading the file, filling the scene model's memory, writing the output's size).
// Run by scripts/bench.sh; a summary of ratios against the targets follows the table.
#include "bench/BenchSupport.h"
#include "bench/Peers.h"
#include "input3ds/3dsModel.h"
#include "platform/FileLayer.h"
#include "scene/StatusLog.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <algorithm>
#include <map>
#include <thread>
#include <unistd.h>

namespace bench {
namespace {

constexpr double kMiB = 1024.0 * 1024.0;

// Results shared between the benchmarks and the summary.
struct Facts {
    std::uint64_t sceneHeap = 0;     // heap held by the loaded model
    std::uint64_t frameBytes = 0;    // heap of one built frame
    std::uint64_t convertHeap = 0;   // peak heap of a whole conversion above the start
    std::uint64_t outputBytes = 0;   // both output files
    std::uint64_t vertexFrames = 0;  // vertices written to the animation file
};
std::map<std::string, Facts> facts;           // by scene name
// By benchmark name: the same operation in fresh processes, three times; the median time and the
// peak above an idle process.
struct Fresh {
    double milliseconds = 0;
    std::uint64_t peakAboveIdle = 0;
};
std::map<std::string, Fresh> fresh;

std::uint64_t PeakAboveIdle(const std::string& benchmark, const std::string& operation, const BenchScene& scene)
{
    auto found = fresh.find(benchmark);
    if (found != fresh.end())
        return found->second.peakAboveIdle;
    static const ProbeResult idle = Probe("idle", "", "");
    std::vector<double> times;
    std::uint64_t peak = 0;
    for (int run = 0; run < 3; ++run) {
        const ProbeResult result = Probe(operation, scene.path, WorkFolder());
        if (!result.ok)
            return fresh[benchmark].peakAboveIdle;
        times.push_back(result.milliseconds);
        peak = std::max(peak, result.peakRss);
    }
    std::sort(times.begin(), times.end());
    Fresh& f = fresh[benchmark];
    f.milliseconds = times[1];
    f.peakAboveIdle = peak > idle.peakRss ? peak - idle.peakRss : 0;
    return f.peakAboveIdle;
}

std::uint64_t TrianglesPerFrame(const BenchScene& scene)
{
    const std::uint64_t t = scenegen::TrianglesPerObject(scene.shape.verticesPerObject);
    return scene.ByName() ? t : t * scene.shape.objectCount;
}

std::uint64_t VerticesPerFrame(const BenchScene& scene)
{
    const std::uint64_t v = scene.shape.verticesPerObject;
    return scene.ByName() ? v : v * scene.shape.objectCount;
}

std::uint64_t FrameCount(const BenchScene& scene)
{
    return scene.ByName() ? scene.shape.objectCount : std::max<std::uint32_t>(scene.shape.frames, 1);
}

std::unique_ptr<C3dsModel> LoadModel(const BenchScene& scene, CStatusLog& log)
{
    auto file = CFileSystem::Native().OpenRead(scene.path);
    auto model = std::make_unique<C3dsModel>(log);
    if (!file || !model->Load(*file, scene.frameMode))
        return nullptr;
    return model;
}

void ReadFileFloor(benchmark::State& state, const BenchScene* scene)
{
    std::vector<std::uint8_t> bytes;
    for (auto _ : state) {
        const int fd = ::open(scene->path.c_str(), O_RDONLY | O_CLOEXEC);
        bytes.resize(scene->bytes);
        std::size_t done = 0;
        while (fd >= 0 && done < bytes.size()) {
            const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
            if (n <= 0)
                break;
            done += static_cast<std::size_t>(n);
        }
        ::close(fd);
        if (done != scene->bytes)
            state.SkipWithError("short read");
        benchmark::DoNotOptimize(bytes.data());
        std::vector<std::uint8_t>().swap(bytes);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * scene->bytes));
}

// Filling as much fresh memory as the loaded scene model holds, array by array as the model
// allocates it, and freeing it: no loader that builds this model can take less.
void ModelFloor(benchmark::State& state, const BenchScene* scene)
{
    const std::size_t vertices = scene->shape.verticesPerObject;
    const std::size_t triangles = scenegen::TrianglesPerObject(scene->shape.verticesPerObject);
    for (auto _ : state) {
        std::vector<std::vector<FrameVertex>> vertexArrays(scene->shape.objectCount);
        std::vector<std::vector<MeshTriangle>> triangleArrays(scene->shape.objectCount);
        for (std::size_t i = 0; i < scene->shape.objectCount; ++i) {
            vertexArrays[i].assign(vertices, FrameVertex{});
            triangleArrays[i].assign(triangles, MeshTriangle{});
        }
        benchmark::DoNotOptimize(triangleArrays.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(
        state.iterations() * scene->shape.objectCount * (vertices * sizeof(FrameVertex) + triangles * sizeof(MeshTriangle))));
}

void Load(benchmark::State& state, const BenchScene* scene)
{
    state.counters["peak_MB"] =
        static_cast<double>(PeakAboveIdle("Load/" + scene->name, scene->ByName() ? "load-byname" : "load-key", *scene)) / kMiB;
    for (auto _ : state) {
        CStatusLog log;
        const std::uint64_t before = HeapLive();
        auto model = LoadModel(*scene, log);
        if (!model) {
            state.SkipWithError("load failed");
            break;
        }
        facts[scene->name].sceneHeap = HeapLive() - before;
    }
    state.counters["scene_MB"] = static_cast<double>(facts[scene->name].sceneHeap) / kMiB;
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * scene->bytes));
}

void PeerLoad(benchmark::State& state, const BenchScene* scene, bool assimp)
{
    state.counters["peak_MB"] =
        static_cast<double>(PeakAboveIdle((assimp ? "Assimp/" : "Lib3ds/") + scene->name, assimp ? "assimp" : "lib3ds", *scene)) / kMiB;
    for (auto _ : state) {
        if (!(assimp ? LoadWithAssimp(scene->path) : LoadWithLib3ds(scene->path))) {
            state.SkipWithError("the peer refused the file");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * scene->bytes));
}

// Every frame of the scene built once, each into the same arrays, as a pass does; build(model, i)
// builds frame i and returns its vertex count.
template <typename Build> void PassOverFrames(benchmark::State& state, const BenchScene* scene, Build build)
{
    CStatusLog log;
    auto model = LoadModel(*scene, log);
    if (!model) {
        state.SkipWithError("load failed");
        return;
    }
    const std::int32_t frames = model->GetFrameCount();
    std::uint64_t vertexFrames = 0;
    for (auto _ : state)
        for (std::int32_t i = 0; i < frames; ++i)
            vertexFrames += build(*model, i);
    state.SetItemsProcessed(static_cast<std::int64_t>(vertexFrames));
    state.SetLabel(scene->ByName() ? "by name" : "by key frame");
}

// Whole frames, released after each.
void BuildFrames(benchmark::State& state, const BenchScene* scene)
{
    MeshFrame frame;
    PassOverFrames(state, scene, [&](const C3dsModel& model, std::int32_t i) {
        model.BuildFrame(i, frame);
        benchmark::DoNotOptimize(frame.vertices.data());
        const std::uint64_t count = frame.vertexCount;
        frame.Release();
        return count;
    });
}

// The positions alone: what the scale check and the writer ask of the model.
void BuildPositions(benchmark::State& state, const BenchScene* scene)
{
    FramePositions positions;
    PassOverFrames(state, scene, [&](const C3dsModel& model, std::int32_t i) {
        model.BuildFramePositions(i, positions);
        benchmark::DoNotOptimize(positions.x.data());
        return static_cast<std::uint64_t>(positions.Count());
    });
}

void Convert(benchmark::State& state, const BenchScene* scene)
{
    state.counters["peak_MB"] =
        static_cast<double>(PeakAboveIdle("Convert/" + scene->name, scene->ByName() ? "convert-byname" : "convert-key", *scene)) /
        kMiB;
    Facts& f = facts[scene->name];
    f.frameBytes = VerticesPerFrame(*scene) * sizeof(FrameVertex) + TrianglesPerFrame(*scene) * sizeof(FrameTriangle);
    f.vertexFrames = FrameCount(*scene) * VerticesPerFrame(*scene);
    if (f.sceneHeap == 0) {
        CStatusLog log;
        const std::uint64_t before = HeapLive();
        auto model = LoadModel(*scene, log);
        f.sceneHeap = HeapLive() - before;
    }
    for (auto _ : state) {
        state.PauseTiming();
        RemoveOutputs(WorkFolder());
        const std::uint64_t before = HeapLive();
        ResetHeapPeak();
        state.ResumeTiming();
        if (!ConvertScene(*scene, WorkFolder())) {
            state.SkipWithError("conversion failed");
            break;
        }
        f.convertHeap = std::max(f.convertHeap, HeapPeak() - before);
    }
    f.outputBytes = OutputBytes(WorkFolder());
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * f.outputBytes));
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * f.vertexFrames));
    state.counters["heap_MB"] = static_cast<double>(f.convertHeap) / kMiB;
    state.counters["budget_MB"] = static_cast<double>(f.sceneHeap + 2 * f.frameBytes) / kMiB + 32.0;
}

// The conversion with the exact animation, to set beside Convert: the nodes' splines, matrices and
// the hierarchy in place of each object's own tracks.
void ConvertExact(benchmark::State& state, const BenchScene* scene)
{
    for (auto _ : state) {
        state.PauseTiming();
        RemoveOutputs(WorkFolder());
        state.ResumeTiming();
        if (!ConvertScene(*scene, WorkFolder(), 0, true)) {
            state.SkipWithError("conversion failed");
            break;
        }
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * FrameCount(*scene) * VerticesPerFrame(*scene)));
}

// The peak memory of a whole conversion in a fresh process, in one frame mode, beside its target:
// 64 MB, 16 times the scene file, and the frames being built (a whole frame 0, the positions of a
// frame and, by key frame, the points every pose starts from).
struct MemoryFigures {
    double peak = 0;
    double target = 0;
    bool converted = false;
};
std::map<std::string, MemoryFigures> memory; // by benchmark name

void MemoryPeak(benchmark::State& state, const BenchScene* scene, FrameMode mode)
{
    const bool byName = mode == FrameMode::ByObjectName;
    const std::uint64_t vertices = byName ? scene->shape.verticesPerObject
                                          : std::uint64_t{scene->shape.verticesPerObject} * scene->shape.objectCount;
    const std::uint64_t triangles = byName ? scenegen::TrianglesPerObject(scene->shape.verticesPerObject)
                                           : scenegen::TrianglesPerObject(scene->shape.verticesPerObject) *
                                                 std::uint64_t{scene->shape.objectCount};
    const std::uint64_t frames = vertices * (sizeof(FrameVertex) + 2 * 3 * sizeof(float)) + triangles * sizeof(FrameTriangle);
    MemoryFigures& figures = memory[scene->name + (byName ? " by name" : " by key frame")];
    figures.target = (64.0 * 1e6 + 16.0 * static_cast<double>(scene->bytes) + static_cast<double>(frames)) / 1e6;
    for (auto _ : state) {
        const ProbeResult result = Probe(byName ? "convert-byname" : "convert-key", scene->path, WorkFolder());
        if (!result.measured) {
            state.SkipWithError("the probe did not report");
            return;
        }
        figures.peak = static_cast<double>(result.peakRss) / 1e6;
        figures.converted = result.ok;
    }
    state.counters["peak_MB"] = figures.peak;
    state.counters["target_MB"] = figures.target;
    state.SetLabel(figures.converted ? "converted" : "refused");
}

// Writing as many bytes as the conversion writes, in 1 MiB blocks, flushed to the disk as the
// writer flushes its files.
void WriteFloor(benchmark::State& state, const BenchScene* scene)
{
    const std::uint64_t data = 48 + 16 * TrianglesPerFrame(*scene);
    const std::uint64_t animation = 4 + 4 * VerticesPerFrame(*scene) * FrameCount(*scene);
    const std::vector<std::uint8_t> block(std::size_t{1} << 20, 0x5A);
    const std::string path = WorkFolder() + "/floor.bin";
    for (auto _ : state) {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        bool ok = fd >= 0;
        for (std::uint64_t left = data + animation; ok && left > 0;) {
            const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(left, block.size()));
            ok = ::write(fd, block.data(), n) == static_cast<ssize_t>(n);
            left -= n;
        }
        ok = ok && ::fsync(fd) == 0;
        ::close(fd);
        state.PauseTiming();
        ::unlink(path.c_str());
        state.ResumeTiming();
        if (!ok) {
            state.SkipWithError("write failed");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * (data + animation)));
}

// A whole conversion on a given number of threads (0: all the machine's cores), as Convert but
// without its memory counts, to set beside the write floor of the same bytes.
void ConvertThreads(benchmark::State& state, const BenchScene* scene, unsigned threads)
{
    const unsigned used = threads > 0 ? threads : std::max(1u, std::thread::hardware_concurrency());
    for (auto _ : state) {
        state.PauseTiming();
        RemoveOutputs(WorkFolder());
        state.ResumeTiming();
        if (!ConvertScene(*scene, WorkFolder(), used)) {
            state.SkipWithError("conversion failed");
            break;
        }
    }
    const std::uint64_t bytes = OutputBytes(WorkFolder());
    RemoveOutputs(WorkFolder());
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
    state.counters["threads"] = used;
}

// The thread counts the key-frame passes are measured with: "all" is the machine's cores.
const std::pair<const char*, unsigned> kThreadCounts[] = {{"1", 1}, {"2", 2}, {"all", 0}};

// The console table, then the ratios that the targets are stated in, from medians when the run
// has repetitions.
class CSummaryReporter final : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred)
                continue;
            const std::string& name = run.run_name.function_name;
            if (run.run_type == Run::RT_Aggregate) {
                if (run.aggregate_name == "median")
                    median_[name] = run.GetAdjustedRealTime();
            } else {
                last_[name] = run.GetAdjustedRealTime();
            }
        }
    }

    void PrintSummary() const
    {
        std::printf("\nSummary (%s real time, ms)\n", median_.empty() ? "single-run" : "median");
        std::printf("Peak resident memory of whole conversions, against 64 MB + 16 x the file + the frames built:\n");
        for (const auto& [name, figures] : memory)
            std::printf("  %-40s %8.1f MB  target %8.1f MB  %s%s\n", name.c_str(), figures.peak, figures.target,
                        figures.peak <= figures.target ? "within" : "OVER", figures.converted ? "" : " (refused)");
        std::printf("Whole key-frame conversions by threads, against writing and flushing the same bytes "
                    "(target <= 1.6x):\n");
        for (const BenchScene& scene : Scenes()) {
            if (!scene.threadsCompared || Time("WriteFloor/" + scene.name) <= 0.0)
                continue;
            const double write = Time("WriteFloor/" + scene.name);
            std::printf("  %s: write floor %.1f ms\n", scene.name.c_str(), write);
            for (const auto& [label, threads] : kThreadCounts) {
                const double convert = Time(std::string("ConvertThreads:") + label + "/" + scene.name);
                if (convert > 0.0)
                    std::printf("    %-3s thread(s) %8.1f ms  %.2fx the write\n", label, convert, convert / write);
            }
        }
        for (const BenchScene& scene : Scenes()) {
            if (scene.memoryOnly)
                continue;
            const std::string& s = scene.name;
            const double load = Time("Load/" + s), lib3ds = Time("Lib3ds/" + s), assimp = Time("Assimp/" + s);
            const double convert = Time("Convert/" + s), read = Time("ReadFile/" + s), write = Time("WriteFloor/" + s);
            const Facts& f = Fact(s);
            std::printf("%s (%.1f MB):\n", s.c_str(), static_cast<double>(scene.bytes) / 1e6);
            Line("  Load %.1f ms; reading the file %.1f ms: Load takes %.2fx the read\n", load, read, load / read);
            Line("  filling and freeing the model's memory %.1f ms: Load takes %.2fx\n", Time("ModelFloor/" + s),
                 load / Time("ModelFloor/" + s));
            // The speed targets: loads and the whole run against the peers on the by-name scene,
            // the whole run against the write floor on the key-frame scene.
            const char* const target = scene.ByName() ? " (target >= %s)\n" : "\n";
            Line(("  lib3ds load %.1f ms: Load is %.1fx faster" + Format(target, "8x")).c_str(), lib3ds, lib3ds / load);
            Line(("  Assimp load %.1f ms: Load is %.1fx faster" + Format(target, "20x")).c_str(), assimp,
                 assimp / load);
            Line(("  whole conversion %.1f ms: %.1fx faster than lib3ds loading" + Format(target, "3x")).c_str(),
                 convert, lib3ds / convert);
            const char* const keyTarget = scene.ByName() ? "\n" : " (target %s)\n";
            Line(("  writing the output's size %.1f ms: the conversion takes %.2fx" + Format(keyTarget, "<= 3x")).c_str(),
                 write, convert / write);
            Line(("  %.0f M vertex-frames/s end to end" + Format(keyTarget, ">= 150 M")).c_str(),
                 convert > 0.0 ? static_cast<double>(f.vertexFrames) / (convert / 1000.0) / 1e6 : 0.0, convert);
            if (f.convertHeap > 0)
                std::printf("  conversion heap peak %.1f MB; budget scene %.1f MB + two frames %.1f MB + 32 MB = %.1f MB\n",
                            static_cast<double>(f.convertHeap) / kMiB, static_cast<double>(f.sceneHeap) / kMiB,
                            2.0 * static_cast<double>(f.frameBytes) / kMiB,
                            static_cast<double>(f.sceneHeap + 2 * f.frameBytes) / kMiB + 32.0);
            for (const char* what : {"Load/", "Convert/", "Lib3ds/", "Assimp/"}) {
                const auto found = fresh.find(what + s);
                if (found != fresh.end())
                    std::printf("  fresh process, %-8s %8.1f ms, peak resident memory above an idle process %.1f MB\n",
                                what, found->second.milliseconds,
                                static_cast<double>(found->second.peakAboveIdle) / kMiB);
            }
            const auto freshTime = [&](const char* what) {
                const auto found = fresh.find(what + s);
                return found != fresh.end() ? found->second.milliseconds : 0.0;
            };
            const double freshLoad = freshTime("Load/"), freshConvert = freshTime("Convert/");
            Line("  fresh processes: Load is %.1fx faster than lib3ds and %.1fx faster than Assimp\n",
                 freshTime("Lib3ds/") / freshLoad, freshTime("Assimp/") / freshLoad);
            if (scene.ByName())
                Line("  fresh processes: the whole conversion is %.1fx faster than lib3ds loading\n",
                     freshTime("Lib3ds/") / freshConvert, 1.0);
        }
    }

private:
    double Time(const std::string& name) const
    {
        const auto m = median_.find(name);
        if (m != median_.end())
            return m->second;
        const auto l = last_.find(name);
        return l != last_.end() ? l->second : 0.0;
    }
    static const Facts& Fact(const std::string& scene)
    {
        static const Facts none;
        const auto found = facts.find(scene);
        return found != facts.end() ? found->second : none;
    }
    static std::string Format(const char* format, const char* value)
    {
        char text[64];
        std::snprintf(text, sizeof text, format, value);
        return text;
    }
    // Prints a line only when both of its figures were measured.
    static void Line(const char* format, double a, double b, double c = 1.0)
    {
        if (a > 0.0 && b > 0.0 && c > 0.0)
            std::printf(format, a, b, c);
    }

    std::map<std::string, double> median_;
    std::map<std::string, double> last_;
};

void Register()
{
    for (BenchScene& scene : Scenes()) {
        const std::string& s = scene.name;
        const auto add = [&](const std::string& name, auto function, auto... extra) {
            return benchmark::RegisterBenchmark((name + "/" + s).c_str(), function, &scene, extra...)
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime();
        };
        add("MemoryByKeyFrame", MemoryPeak, FrameMode::ByKeyFrame)->Iterations(1);
        add("MemoryByName", MemoryPeak, FrameMode::ByObjectName)->Iterations(1);
        if (scene.threadsCompared) {
            add("WriteFloor", WriteFloor);
            for (const auto& [label, threads] : kThreadCounts)
                add(std::string("ConvertThreads:") + label, ConvertThreads, threads);
        }
        if (scene.memoryOnly)
            continue;
        add("ReadFile", ReadFileFloor);
        add("ModelFloor", ModelFloor);
        add("Load", Load);
        if (HaveLib3ds())
            add("Lib3ds", PeerLoad, false);
        if (HaveAssimp())
            add("Assimp", PeerLoad, true);
        add("BuildFrame", BuildFrames);
        add("BuildPositions", BuildPositions);
        add("Convert", Convert);
        if (!scene.ByName())
            add("ConvertExact", ConvertExact);
        if (!scene.threadsCompared)
            add("WriteFloor", WriteFloor);
    }
}

} // namespace
} // namespace bench

int main(int argc, char** argv)
{
    if (argc >= 3 && std::strcmp(argv[1], "--tarnex_probe") == 0)
        return bench::RunProbe(argv[2], argc > 3 ? argv[3] : "", argc > 4 ? argv[4] : "");
    // --tarnex_generate OBJECTS VERTICES FRAMES KEY_EVERY SHUFFLED PATH: one scene, for scripts.
    if (argc == 8 && std::strcmp(argv[1], "--tarnex_generate") == 0) {
        scenegen::SceneShape shape;
        shape.objectCount = static_cast<std::uint32_t>(std::strtoul(argv[2], nullptr, 10));
        shape.verticesPerObject = static_cast<std::uint32_t>(std::strtoul(argv[3], nullptr, 10));
        shape.frames = static_cast<std::uint32_t>(std::strtoul(argv[4], nullptr, 10));
        shape.keyEvery = static_cast<std::uint32_t>(std::strtoul(argv[5], nullptr, 10));
        shape.shuffled = std::strcmp(argv[6], "0") != 0;
        return scenegen::WriteSceneFile(shape, argv[7]) > 0 ? 0 : 1;
    }

    // Own flags: --tarnex_quick (scenes a tenth the size), --tarnex_dir=FOLDER (where the scenes and
    // outputs go; default $TMPDIR/tarnex-bench).
    bool quick = false;
    const char* tmp = std::getenv("TMPDIR");
    std::string folder = std::string(tmp && *tmp ? tmp : "/tmp") + "/tarnex-bench";
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--tarnex_quick") == 0)
            quick = true;
        else if (std::strncmp(argv[i], "--tarnex_dir=", 13) == 0)
            folder = argv[i] + 13;
        else
            argv[kept++] = argv[i];
    }
    argc = kept;

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    std::fprintf(stderr, "Generating the scenes in %s...\n", folder.c_str());
    bench::PrepareScenes(folder, quick);
    bench::Register();
    bench::CSummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintSummary();
    benchmark::Shutdown();
    bench::RemoveOutputs(folder);
    return 0;
}
