// The window's side of a run: what the run asks of the main dialog, and the state the dialog
// keeps for the run from its opening to its end. The window, the command line and the tests
// implement the host.
#pragma once

#include "convert/ConversionOptions.h"
#include "convert/OutputNames.h"
#include "scene/StatusLog.h"

#include <string>

// How much taller the first request makes the window: the dialog opens that much shorter, with
// its status area out of sight.
constexpr int kWindowGrowth = 130;

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
    void ShowLog(const std::string& log, const std::string&) override { SetStatusText(log); }
};

// Run state owned by the dialog for its whole life.
struct RunState {
    bool windowGrown = false;
    bool runFinished = false;
    CStatusLog statusLog; // a run shows it on its host
    OutputNames written; // the pair of the run that completed; empty until one has
};
