// The usage text both front ends print for -h and --help, and what the window's first argument
// asks before any window opens.
#pragma once

extern const char* const kCommandLineUsage;

enum class WindowStart {
    Window,        // open the window with the command line as its presets
    Help,          // -h or --help: print the usage and end
    Version,       // --version: print the version and end
    UnknownOption, // "--" and a name that is no option: print the usage as an error and end
};

// firstArgument is null when there is none.
WindowStart WindowStartRequest(const char* firstArgument);
