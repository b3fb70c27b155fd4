// One conversion request, from Go to "Done.", over the host that shows it.
//
// RunConversion checks the request (paths, output names), loads the scene, checks it against the
// format's limits, measures it for the scale factors, writes the files and reports every stage as
// a line of the status log. It touches the window only through ConversionHost and the RunState
// that the window keeps, so the command line and the tests drive it as the window does.
#pragma once

#include "convert/ConversionHost.h"

class CFileSystem;

enum class RunOutcome {
    Closed,    // the run had finished: the request closed the dialog
    Refused,   // a check of the request failed; every control stays enabled
    Failed,    // the load or a later stage failed; the input controls stay disabled
    Completed, // "Done."; Go reads "Close"
};

// A completed run leaves the names of the pair it wrote in state.written.
RunOutcome RunConversion(ConversionHost& host, RunState& state, CFileSystem& fileSystem);
RunOutcome RunConversion(ConversionHost& host, RunState& state);
