// Reading a converted pair back, at the largest model the format holds: 16383 vertices, 65535
// triangles and 65535 frames, a 4.3 GB animation file. Measured: tarnex-cli --info's pass over
// every frame beside a plain read of the same bytes, and the viewer's frames a second while it
// plays, while the slider jumps and while a drag turns the view (offscreen, painting included); and
// the preview of a frame of 65535 triangles that each cross the whole picture (a 1 MB pair), whose
// work the drawing bounds.
// Run by scripts/bench.sh --inspect; the pair is generated once into the working folder.
#include "convert/Conversion.h"
#include "inspect/MeshInfo.h"
#include "inspect/Preview.h"
#include "platform/FileLayer.h"
#include "ui/MeshViewer.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr std::uint32_t kColumns = 127, kRows = 129; // 16383 vertices
constexpr std::uint32_t kVertices = kColumns * kRows;
constexpr std::uint32_t kTriangles = 65535;

OutputNames names;
std::uint32_t frameCount = 65535;

void PutU16(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value)
{
    bytes[at] = static_cast<std::uint8_t>(value);
    bytes[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

// A rippling sheet that spans the cube: the grid's two triangles per cell, then the same again
// with the polygon types in turn, until the format's triangle count is reached.
bool WriteData(const std::string& path)
{
    std::vector<std::uint8_t> bytes(48 + 16 * std::size_t{kTriangles}, 0);
    PutU16(bytes, 0, kTriangles);
    PutU16(bytes, 2, kVertices);
    std::size_t at = 48;
    for (std::uint32_t t = 0; t < kTriangles; ++t, at += 16) {
        const std::uint32_t cell = (t / 2) % ((kColumns - 1) * (kRows - 1));
        const std::uint32_t v = cell / (kColumns - 1) * kColumns + cell % (kColumns - 1);
        const bool second = t % 2 != 0;
        PutU16(bytes, at, v);
        PutU16(bytes, at + 2, second ? v + kColumns + 1 : v + 1);
        PutU16(bytes, at + 4, second ? v + kColumns : v + kColumns + 1);
        bytes[at + 6] = static_cast<std::uint8_t>(t / (2 * (kColumns - 1) * (kRows - 1)) % 5);
    }
    std::FILE* file = std::fopen(path.c_str(), "wb");
    const bool ok = file && std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return file && std::fclose(file) == 0 && ok;
}

bool WriteAnimation(const std::string& path)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    const std::uint8_t header[4] = {static_cast<std::uint8_t>(frameCount), static_cast<std::uint8_t>(frameCount >> 8),
                                    static_cast<std::uint8_t>(4 * kVertices), static_cast<std::uint8_t>(4 * kVertices >> 8)};
    bool ok = std::fwrite(header, 1, 4, file) == 4;
    std::vector<std::uint8_t> frame(4 * std::size_t{kVertices});
    for (std::uint32_t f = 0; f < frameCount && ok; ++f) {
        for (std::uint32_t v = 0; v < kVertices; ++v) {
            const std::uint32_t column = v % kColumns, row = v / kColumns;
            const auto x = static_cast<std::int32_t>(column * 16) - 1008;
            const std::int32_t y = std::min<std::int32_t>(static_cast<std::int32_t>(row * 16) - 1024, 1023);
            const std::int32_t z = static_cast<std::int32_t>((column + row + f) % 64) * 8 - 256;
            const std::uint32_t word = (static_cast<std::uint32_t>(x) & 0x7FF) |
                                       (static_cast<std::uint32_t>(y) & 0x7FF) << 11 |
                                       (static_cast<std::uint32_t>(z) & 0x3FF) << 22;
            std::memcpy(frame.data() + 4 * std::size_t{v}, &word, 4);
        }
        ok = std::fwrite(frame.data(), 1, frame.size(), file) == frame.size();
    }
    return std::fclose(file) == 0 && ok;
}

bool PreparePair(const std::string& folder)
{
    std::filesystem::create_directories(folder);
    names = {folder + "/limit_d.3d", folder + "/limit_a.3d"};
    std::error_code error;
    const auto have = std::filesystem::file_size(names.animationPath, error);
    if (!error && have == 4 + std::uint64_t{4} * kVertices * frameCount && std::filesystem::exists(names.dataPath))
        return true;
    std::fprintf(stderr, "Generating the format-limit pair in %s...\n", folder.c_str());
    return WriteData(names.dataPath) && WriteAnimation(names.animationPath);
}

void RawRead(benchmark::State& state)
{
    std::vector<std::uint8_t> buffer(std::size_t{8} << 20);
    std::uint64_t total = 0;
    for (auto _ : state) {
        std::FILE* file = std::fopen(names.animationPath.c_str(), "rb");
        std::size_t got = 0;
        while (file && (got = std::fread(buffer.data(), 1, buffer.size(), file)) > 0)
            total += got;
        if (file)
            std::fclose(file);
        benchmark::DoNotOptimize(buffer.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(total));
}

void Info(benchmark::State& state)
{
    std::uint64_t total = 0;
    for (auto _ : state) {
        CMeshPair pair;
        MeshInfo info;
        std::string fault;
        if (!pair.Open(CFileSystem::Native(), names, fault) || !InspectMeshPair(pair, info, fault)) {
            state.SkipWithError(fault.c_str());
            return;
        }
        total += std::uint64_t{info.frames} * info.frameSize;
        benchmark::DoNotOptimize(info.onFace);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(total));
}

// Twelve vertices round the cube, and 65535 triangles of every type, each across three of them.
void LargeTriangles(benchmark::State& state)
{
    constexpr std::uint32_t kRound = 12;
    std::vector<DataTriangle> triangles(kTriangles);
    for (std::uint32_t t = 0; t < kTriangles; ++t) {
        const auto a = static_cast<std::uint16_t>(t % kRound);
        triangles[t].corners[0] = a;
        triangles[t].corners[1] = static_cast<std::uint16_t>((a + kRound / 3) % kRound);
        triangles[t].corners[2] = static_cast<std::uint16_t>((a + 2 * kRound / 3) % kRound);
        triangles[t].type = static_cast<std::uint8_t>(t % 7 != 0 ? t % 5 : 0);
    }
    std::vector<std::uint8_t> frame(4 * kRound);
    for (std::uint32_t v = 0; v < kRound; ++v) {
        const double angle = 6.283185307179586 * v / kRound;
        const auto x = static_cast<std::int32_t>(1000 * std::cos(angle));
        const auto y = static_cast<std::int32_t>(1000 * std::sin(angle));
        const auto z = static_cast<std::int32_t>(v % 3) * 400 - 400;
        const std::uint32_t word = (static_cast<std::uint32_t>(x) & 0x7FF) | (static_cast<std::uint32_t>(y) & 0x7FF) << 11 |
                                   (static_cast<std::uint32_t>(z) & 0x3FF) << 22;
        std::memcpy(frame.data() + 4 * v, &word, 4);
    }
    const int size = static_cast<int>(state.range(0));
    PreviewImage image;
    for (auto _ : state) {
        DrawFrame(triangles, frame.data(), kRound, ViewAngles{}, size, image);
        benchmark::DoNotOptimize(image.pixels.data());
    }
    state.counters["drawn at"] = DrawingSide(triangles, frame.data(), kRound, ViewAngles{}, size);
}

enum class ViewerAction { Play, Seek, Turn };

// The viewer at a window size, doing one step of the action and painting it, per iteration.
void Viewer(benchmark::State& state, ViewerAction action)
{
    CMeshViewer viewer;
    viewer.resize(static_cast<int>(state.range(0)), static_cast<int>(state.range(0)) + 40);
    viewer.show();
    std::string fault;
    if (!viewer.Open(names, fault)) {
        state.SkipWithError(fault.c_str());
        return;
    }
    std::uint32_t step = 0;
    for (auto _ : state) {
        ++step;
        if (action == ViewerAction::Play)
            viewer.ShowFrame(static_cast<int>(step % frameCount));
        else if (action == ViewerAction::Seek)
            viewer.ShowFrame(static_cast<int>(step * 40503u % frameCount));
        else
            viewer.Turn(3, step % 2 ? 1 : -1);
        viewer.repaint();
    }
    state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["picture"] = viewer.Picture().width();
}

} // namespace

int main(int argc, char** argv)
{
    // Own flags: --tarnex_dir=FOLDER (default $TMPDIR/tarnex-bench), --tarnex_frames=N (default
    // 65535; fewer for a quick look).
    const char* tmp = std::getenv("TMPDIR");
    std::string folder = std::string(tmp && *tmp ? tmp : "/tmp") + "/tarnex-bench";
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--tarnex_dir=", 13) == 0)
            folder = argv[i] + 13;
        else if (std::strncmp(argv[i], "--tarnex_frames=", 16) == 0)
            frameCount = static_cast<std::uint32_t>(std::clamp(std::atol(argv[i] + 16), 1L, 65535L));
        else
            argv[kept++] = argv[i];
    }
    argc = kept;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    if (!PreparePair(folder)) {
        std::fprintf(stderr, "Could not write the pair into %s\n", folder.c_str());
        return 1;
    }
    benchmark::RegisterBenchmark("RawRead", RawRead)->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RegisterBenchmark("Info", Info)->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RegisterBenchmark("PreviewLargeTriangles", LargeTriangles)
        ->Arg(512)
        ->Arg(4096)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    for (const auto& [name, action] : {std::pair{"ViewerPlay", ViewerAction::Play},
                                       std::pair{"ViewerSeek", ViewerAction::Seek},
                                       std::pair{"ViewerTurn", ViewerAction::Turn}})
        benchmark::RegisterBenchmark(name, Viewer, action)
            ->Arg(560)
            ->Arg(1000)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
