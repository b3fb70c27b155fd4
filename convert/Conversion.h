// One conversion request, from Go to "Done.", over the host that shows it.
//
// RunConversion checks the request (paths, output names), loads the scene, checks it against the
// format's limits, measures it for the scale factors, writes the files and reports every stage as
// a line of the status log. It touches the window only through ConversionHost and the RunState
// that the window keeps, so the command line and the tests drive it as the window does.
#pragma once

#include "convert/RangeConversion.h"
#include "scene/SceneData.h"
#include "scene/StatusView.h"

#include <string>

class CFileSystem;

// One request, from the command line or the dialog's controls to the run.
struct ConversionOptions {
    std::string inputPath;
    std::string outputPath;
    VertexMode vertexMode = VertexMode::UniformScale;
    FrameMode frameMode = FrameMode::ByKeyFrame;
    bool append = false;
    bool fill = false;   // the scale factors may also grow, so that the model fills the cube
    bool script = false; // a new pair comes with its import script; an append rewrites it
    bool exact = false;  // by key frame, the animation as the keyframer shows it (ExactAnimation.h)
};

struct OutputNames {
    std::string dataPath;      // ends "_d" + ".3d" in the case typed
    std::string animationPath; // dataPath with its fourth character from the end an "a"
};

// The longest derived name the run accepts (the names were built in a 1000-character buffer).
constexpr std::size_t kMaxOutputNameLength = 999;

// Derives the two names from the typed output path. Returns false when append is set and the
// name lacks the "_a.3d"/"_d.3d" suffix.
bool DeriveOutputNames(const std::string& outputPath, bool append, OutputNames& names);

// What the run asks of the main dialog; the window, the command line and the tests implement it.
class ConversionHost : public CStatusView {
public:
    virtual ConversionOptions ReadOptions() = 0;
    virtual void GrowWindow(int pixels) = 0;
    // Replaces the whole status box text; used for a refused request's one message.
    virtual void SetStatusText(const std::string& text) = 0;
    virtual void DisableControls() = 0;
    virtual void SetGoCaption(const std::string& text) = 0;
    virtual void EnableGo() = 0;
    virtual void CloseDialog() = 0;

    // The log is shown by setting the whole status box text.
    void ShowLog(const std::string& log) override { SetStatusText(log); }
};

// Run state owned by the dialog for its whole life.
struct RunState {
    bool windowGrown = false;
    bool runFinished = false;
    std::string statusLog;
};

enum class RunOutcome {
    Closed,    // the run had finished: the request closed the dialog
    Refused,   // a check of the request failed; every control stays enabled
    Failed,    // the load or a later stage failed; the input controls stay disabled
    Completed, // "Done."; Go reads "Close"
};

constexpr int kStatusControlId = 1009;
constexpr int kWindowGrowth = 130;

RunOutcome RunConversion(ConversionHost& host, RunState& state, CFileSystem& fileSystem);
RunOutcome RunConversion(ConversionHost& host, RunState& state);
