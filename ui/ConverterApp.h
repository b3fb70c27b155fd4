// Start-up of the desktop tool: the command line presets the main dialog, which runs modally;
// when it closes, the application ends.
#pragma once

#include "convert/ConverterCommandLineInfo.h"


class CConverterApp {
public:
    // The paths and option words of the arguments that follow the program name, as the process
    // got them: bytes, so that a path need not be valid UTF-8.
    static CConverterCommandLineInfo CollectCommandLine(int argc, char** argv);

    // Runs the main dialog with the presets of the command line (what Qt left of it after taking
    // its own options) until it closes. Always false: there is nothing to continue with after.
    bool InitInstance(int argc, char** argv);
};
