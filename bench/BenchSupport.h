// What the benchmarks share: the generated scenes, a silent conversion host, heap counting and
// peak-memory probes in child processes.
#pragma once

#include "convert/Conversion.h"
#include "tests/support/SceneGenerator.h"

#include <cstdint>
#include <string>
#include <vector>

namespace bench {

struct BenchScene {
    std::string name;        // "byname-big", "keyframe-heavy"
    scenegen::SceneShape shape;
    FrameMode frameMode = FrameMode::ByKeyFrame; // the mode the scene is converted in
    bool memoryOnly = false; // measured only for the peak memory of its conversions
    bool threadsCompared = false; // converted with 1, 2 and all threads beside the write floor
    // Scenes of empty meshes only: the meshes in each named object, and the name of object i
    // (all the same unless numbered).
    std::uint32_t meshesPerName = 1;
    std::string emptyName = "m";
    bool numberedNames = false;
    bool ByName() const { return frameMode == FrameMode::ByObjectName; }
    std::string path;        // the generated .3DS file
    std::uint64_t bytes = 0; // its size
};

// The scenes of the benchmark run, generated into the working folder on first use.
std::vector<BenchScene>& Scenes();
void PrepareScenes(const std::string& folder, bool quick);
const std::string& WorkFolder();

// A conversion host that shows nothing.
class CQuietHost final : public ConversionHost {
public:
    explicit CQuietHost(ConversionOptions options) : options_(std::move(options)) {}
    ConversionOptions ReadOptions() override { return options_; }
    void GrowWindow(int) override {}
    void SetStatusText(const std::string& text) override { lastText = text; }
    void DisableControls() override {}
    void EnableControls(RetryFocus) override {}
    void SetGoCaption(const std::string&) override {}
    void EnableGo() override {}
    void CloseDialog() override {}
    void ShowLog(const std::string&, const std::string&) override {}
    void ShowProgress(const std::string&, const std::string&) override {}

    std::string lastText;

private:
    ConversionOptions options_;
};

// One whole conversion into folder/out_d.3d and folder/out_a.3d, uniform scale, on threads
// threads (0: TARNEX_THREADS or the machine's cores); with exact, by key frame the exact
// animation. The caller removes earlier outputs, which the writer would otherwise keep as backups
// while it renames.
bool ConvertScene(const BenchScene& scene, const std::string& folder, unsigned threads = 0, bool exact = false);
std::uint64_t OutputBytes(const std::string& folder);
void RemoveOutputs(const std::string& folder);

// Heap bytes held by operator new and its peak since the last ResetHeapPeak.
std::uint64_t HeapLive();
std::uint64_t HeapPeak();
void ResetHeapPeak();

// What one operation costs in a fresh process, as a conversion from the command line runs it.
struct ProbeResult {
    std::uint64_t peakRss = 0; // peak resident memory of the whole process, in bytes
    double milliseconds = 0;   // the operation alone, without the process's start and end
    bool ok = false;           // the operation succeeded
    bool measured = false;     // the figures were read, whatever the outcome
};

// Runs this program again as `--tarnex_probe OPERATION PATH FOLDER`.
ProbeResult Probe(const std::string& operation, const std::string& path, const std::string& folder);
// The probe side: performs the operation in this process. Returns the exit status.
int RunProbe(const std::string& operation, const std::string& path, const std::string& folder);

} // namespace bench
