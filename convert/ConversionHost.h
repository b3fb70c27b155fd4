// The window's side of a run: what the run asks of the main dialog, and the state the dialog
// keeps for the run from its opening to its end. The window, the command line and the tests
// implement the host.
#pragma once

#include "convert/ConversionOptions.h"
#include "convert/OutputNames.h"
#include "scene/StatusLog.h"

#include <chrono>
#include <string>

// How much taller the first request makes the window: the dialog opens that much shorter, with
// its status area out of sight.
constexpr int kWindowGrowth = 130;

// Where a failed run leaves the keyboard focus: on the control most likely to fix it.
enum class RetryFocus {
    InputPath,  // the scene could not be read or converted as it is
    OutputPath, // the files could not be written there
    FrameMode,  // the other frame mode may fit (the vertex limit, point counts by name)
    Append,     // the frames do not fit the animation file appended to
    Script,     // the import script appended to could not be read
};

class ConversionHost : public CStatusView {
public:
    virtual ConversionOptions ReadOptions() = 0;
    virtual void GrowWindow(int pixels) = 0;
    // Replaces the whole status box text; used for a refused request's one message.
    virtual void SetStatusText(const std::string& text) = 0;
    virtual void DisableControls() = 0;
    // After a failed run: every control the run disabled is enabled again, Go reads "Go", and
    // the keyboard focus goes to focus.
    virtual void EnableControls(RetryFocus focus) = 0;
    virtual void SetGoCaption(const std::string& text) = 0;
    virtual void EnableGo() = 0;
    virtual void CloseDialog() = 0;

    // The log is shown by setting the whole status box text.
    void ShowLog(const std::string& log, const std::string&) override { SetStatusText(log); }
};

// Run state owned by the dialog for its whole life.
struct RunState {
    bool windowGrown = false;
    bool runFinished = false;
    bool wordNotesShown = false; // the notes on unknown option words enter the log once
    CStatusLog statusLog; // a run shows it on its host
    OutputNames written; // the pair of the run that completed; empty until one has
    std::chrono::steady_clock::time_point finishedAt{}; // when the completed run ended
};
