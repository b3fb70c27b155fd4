// Start-up of tarnex.exe: the command line presets the main dialog, which runs modally; when it
// closes, the program ends.
#pragma once

#include "convert/ConverterCommandLineInfo.h"

#include <string>

class CConverterApp {
public:
    // The paths and option words of the arguments that follow the program name, in UTF-8.
    static CConverterCommandLineInfo CollectCommandLine(int argc, wchar_t** argv);

    // Runs the main dialog with the presets of the command line until it closes. Always false:
    // there is nothing to continue with after.
    bool InitInstance(int argc, wchar_t** argv);
};
