// One conversion request, from Go to "Done.", over the host that shows it.
//
// RunConversion checks the request (paths, output names), loads the scene, checks it against the
// format's limits, measures it for the scale factors, writes the files and reports every stage as
// a line of the status log. It touches the window only through ConversionHost and the RunState
// that the window keeps, so the command line and the tests drive it as the window does.
#pragma once

#include "convert/ConversionHost.h"

#include <chrono>

class CFileSystem;

enum class RunOutcome {
    Closed,    // the run had finished: the request closed the dialog
    Refused,   // a check of the request failed; every control stays enabled
    Failed,    // the load or a later stage failed; the controls are enabled again for another try
    Completed, // "Done."; Go reads "Close"
};

// A completed run leaves the names of the pair it wrote in state.written. A run after a failed
// one appends to the same log, after a separator line.
RunOutcome RunConversion(ConversionHost& host, RunState& state, CFileSystem& fileSystem);
RunOutcome RunConversion(ConversionHost& host, RunState& state);

// The separator between the lines of two runs in one log.
extern const char* const kRunSeparator;

// Whether a Go request on a dialog whose run has completed closes it. A request whose press
// began before the run ended, or that comes within a double-click's interval of the end, is the
// tail of the click that started the run (or a double-click on Go): it does not close.
bool GoRequestCloses(const RunState& state, std::chrono::steady_clock::time_point pressedAt,
                     std::chrono::steady_clock::time_point now, std::chrono::milliseconds doubleClickInterval);
