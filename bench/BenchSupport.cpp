#include "bench/BenchSupport.h"

#include "bench/Peers.h"
#include "input3ds/3dsModel.h"
#include "platform/FileLayer.h"
#include "tests/support/Chunk3ds.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace bench {

namespace {

std::string& Folder()
{
    static std::string folder;
    return folder;
}

BenchScene MakeScene(const std::string& name, std::uint32_t objects, std::uint32_t vertices, std::uint32_t frames,
                     FrameMode frameMode)
{
    BenchScene scene;
    scene.name = name;
    scene.shape.objectCount = objects;
    scene.shape.verticesPerObject = vertices;
    scene.shape.mapping = true;
    scene.shape.skin = true;
    scene.shape.frames = frames;
    scene.shape.keyEvery = 10;
    // Numbered objects saved out of name order, as editors do.
    scene.shape.shuffled = frameMode == FrameMode::ByObjectName;
    scene.frameMode = frameMode;
    return scene;
}

// Meshes without vertices in named objects, grouped so that no level holds more than 10000
// chunks, and a keyframe segment.
std::uint64_t WriteEmptyMeshes(const BenchScene& scene, const std::string& path)
{
    build3ds::Chunk main(0x4D4D);
    std::uint32_t done = 0;
    for (std::uint32_t named = 0; done < scene.shape.objectCount;) {
        build3ds::Chunk mesh(0x3D3D);
        for (int i = 0; i < 10000 && done < scene.shape.objectCount; ++i, ++named) {
            build3ds::Chunk object(0x4000);
            object.Str(scene.numberedNames ? scenegen::ObjectName(named) : scene.emptyName);
            for (std::uint32_t k = 0; k < scene.meshesPerName && done < scene.shape.objectCount; ++k, ++done)
                object.Add(build3ds::TriangleMesh({}));
            mesh.Add(object);
        }
        main.Add(mesh);
    }
    build3ds::Chunk keyframe(0xB000);
    keyframe.Add(build3ds::Segment(0, scene.shape.frames - 1));
    const std::vector<std::uint8_t> bytes = main.Add(keyframe).Bytes();
    std::FILE* out = std::fopen(path.c_str(), "wb");
    const bool ok = out && std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    if (out)
        std::fclose(out);
    return ok ? bytes.size() : 0;
}

} // namespace

std::vector<BenchScene>& Scenes()
{
    static std::vector<BenchScene> scenes;
    return scenes;
}

const std::string& WorkFolder()
{
    return Folder();
}

void PrepareScenes(const std::string& folder, bool quick)
{
    Folder() = folder;
    ::mkdir(folder.c_str(), 0777);
    auto& scenes = Scenes();
    scenes.clear();
    // byname-big: 200 objects of 16000 vertices, no keyframes; keyframe-heavy: 40 objects of 400
    // vertices over 2000 frames, keyed every 10. The quick set keeps the shapes, a tenth the size.
    scenes.push_back(MakeScene("byname-big", quick ? 20 : 200, 16000, 0, FrameMode::ByObjectName));
    scenes.push_back(MakeScene("keyframe-heavy", 40, 400, quick ? 200 : 2000, FrameMode::ByKeyFrame));
    // Scenes for peak memory alone. hostile-empty: 256 meshes without vertices over a 65535-frame
    // segment; hostile-animated: 256 animated meshes of three vertices over 65535 frames, keyed
    // every 16384; format-limit: 40 objects of 409 vertices (16360 a frame) over 65535 frames, keyed
    // every 100, whose animation file is as large as the format allows.
    BenchScene empty = MakeScene("hostile-empty", 256, 0, 65535, FrameMode::ByKeyFrame);
    BenchScene animated = MakeScene("hostile-animated", 256, 3, 65535, FrameMode::ByKeyFrame);
    animated.shape.keyEvery = 16384;
    BenchScene limit = MakeScene("format-limit", 40, 409, 65535, FrameMode::ByKeyFrame);
    limit.shape.keyEvery = 100;
    // The name sort's and the names' worst cases: shared-name: 370000 empty meshes under one
    // 255-byte name; names-in-order: 65535 meshes named in order; equal-names: 65535 of one name.
    BenchScene shared = MakeScene("shared-name", 370000, 0, 1, FrameMode::ByKeyFrame);
    shared.meshesPerName = 10000;
    shared.emptyName = std::string(255, 'n');
    BenchScene inOrder = MakeScene("names-in-order", 65535, 0, 1, FrameMode::ByObjectName);
    inOrder.numberedNames = true;
    BenchScene equal = MakeScene("equal-names", 65535, 0, 1, FrameMode::ByObjectName);
    equal.meshesPerName = 10000;
    for (BenchScene* memory : {&empty, &animated, &limit, &shared, &inOrder, &equal}) {
        memory->memoryOnly = true;
        scenes.push_back(*memory);
    }
    // The key-frame passes on 1, 2 and all threads, beside writing as many bytes (format-limit's
    // 4.3 GB not in the quick set).
    for (BenchScene& scene : scenes)
        scene.threadsCompared = scene.name == "keyframe-heavy" || (scene.name == "format-limit" && !quick);
    for (BenchScene& scene : scenes) {
        scene.path = folder + "/" + scene.name + ".3ds";
        scene.bytes = scene.shape.verticesPerObject == 0 ? WriteEmptyMeshes(scene, scene.path)
                                                         : scenegen::WriteSceneFile(scene.shape, scene.path);
        if (scene.bytes == 0) {
            std::fprintf(stderr, "cannot write %s\n", scene.path.c_str());
            std::exit(1);
        }
    }
}

void RemoveOutputs(const std::string& folder)
{
    std::remove((folder + "/out_d.3d").c_str());
    std::remove((folder + "/out_a.3d").c_str());
}

std::uint64_t OutputBytes(const std::string& folder)
{
    auto& fs = CFileSystem::Native();
    return fs.Stat(folder + "/out_d.3d").size + fs.Stat(folder + "/out_a.3d").size;
}

bool ConvertScene(const BenchScene& scene, const std::string& folder, unsigned threads, bool exact)
{
    ConversionOptions options;
    options.inputPath = scene.path;
    options.outputPath = folder + "/out.3d";
    options.vertexMode = VertexMode::UniformScale;
    options.frameMode = scene.frameMode;
    options.exact = exact;
    options.threads = threads;
    CQuietHost host(options);
    RunState state;
    return RunConversion(host, state) == RunOutcome::Completed;
}

ProbeResult Probe(const std::string& operation, const std::string& path, const std::string& folder)
{
    // The child reports the high-water mark of its own address space: the rusage of a spawned
    // child would carry over the parent's peak from before the exec.
    ProbeResult result;
    char self[4096] = {};
    if (::readlink("/proc/self/exe", self, sizeof self - 1) <= 0)
        return result;
    std::string command;
    for (const std::string& word : {std::string(self), std::string("--tarnex_probe"), operation, path, folder}) {
        command += command.empty() ? "'" : " '";
        command += word;
        command += "'";
    }
    std::FILE* child = ::popen(command.c_str(), "r");
    if (!child)
        return result;
    unsigned long long peak = 0;
    double milliseconds = 0;
    const bool read = std::fscanf(child, "peak %llu ms %lf", &peak, &milliseconds) == 2;
    result.ok = ::pclose(child) == 0 && read;
    result.measured = read;
    result.peakRss = peak;
    result.milliseconds = milliseconds;
    return result;
}

namespace {

std::uint64_t OwnPeakRss()
{
    std::FILE* status = std::fopen("/proc/self/status", "r");
    if (!status)
        return 0;
    char line[256];
    unsigned long long kib = 0;
    while (std::fgets(line, sizeof line, status))
        if (std::sscanf(line, "VmHWM: %llu kB", &kib) == 1)
            break;
    std::fclose(status);
    return kib * 1024;
}

int Perform(const std::string& operation, const std::string& path, const std::string& folder)
{
    if (operation == "idle")
        return 0;
    if (operation == "load-byname" || operation == "load-key") {
        auto file = CFileSystem::Native().OpenRead(path);
        CStatusLog log;
        C3dsModel model(log);
        return file && model.Load(*file, operation == "load-byname" ? FrameMode::ByObjectName : FrameMode::ByKeyFrame) ? 0 : 1;
    }
    if (operation == "convert-byname" || operation == "convert-key") {
        BenchScene scene;
        scene.path = path;
        scene.frameMode = operation == "convert-byname" ? FrameMode::ByObjectName : FrameMode::ByKeyFrame;
        return ConvertScene(scene, folder) ? 0 : 1;
    }
    if (operation == "lib3ds")
        return LoadWithLib3ds(path) ? 0 : 1;
    if (operation == "assimp")
        return LoadWithAssimp(path) ? 0 : 1;
    return 2;
}

} // namespace

int RunProbe(const std::string& operation, const std::string& path, const std::string& folder)
{
    if (operation.rfind("convert-", 0) == 0)
        RemoveOutputs(folder); // outside the time, as in the benchmark
    const auto start = std::chrono::steady_clock::now();
    const int status = Perform(operation, path, folder);
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    std::printf("peak %llu ms %.3f\n", static_cast<unsigned long long>(OwnPeakRss()), took.count());
    return status;
}

} // namespace bench
