#include "winui/ConverterApp.h"

#include "platform/Win32Handles.h"
#include "winui/ConverterDlg.h"

#include <commctrl.h>

CConverterCommandLineInfo CConverterApp::CollectCommandLine(int argc, wchar_t** argv)
{
    CConverterCommandLineInfo line;
    for (int i = 1; i < argc; ++i)
        line.ParseParam(win32::Narrow(argv[i]));
    return line;
}

bool CConverterApp::InitInstance(int argc, wchar_t** argv)
{
    const CConverterCommandLineInfo line = CollectCommandLine(argc, argv);
    // The common controls of the manifest's version 6: the slider, the cue text of a field.
    const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
    ::InitCommonControlsEx(&controls);
    CConverterDlg dialog;
    dialog.SetPresets(line.InputPath(), line.OutputPath(), line.Words());
    dialog.DoModal();
    return false;
}
