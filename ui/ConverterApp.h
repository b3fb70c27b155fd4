// Start-up of the desktop tool: the command line presets the main dialog, which runs modally;
// when it closes, the application ends.
#pragma once

#include "convert/ConverterCommandLineInfo.h"

#include <QStringList>

class CConverterApp {
public:
    // Fills the five slots from the arguments that follow the program name.
    static CConverterCommandLineInfo CollectCommandLine(const QStringList& arguments);

    // Runs the main dialog with the presets of this process's command line until it closes.
    // Always false: there is nothing to continue with after the dialog.
    bool InitInstance();
};
