// tarnex.exe: the desktop window of the Tarnex Model Converter on Windows.
#include "convert/CommandLineUsage.h"
#include "platform/Win32Handles.h"
#include "winui/ConverterApp.h"

#include <windows.h>

#include <string>

namespace {

// A window program has no console of its own: an answer goes to the standard output or error
// the program was given (a console it was started from, a file, a pipe), or into a message box.
void Answer(const std::string& text, bool error)
{
    HANDLE stream = ::GetStdHandle(error ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
    if ((stream == nullptr || stream == INVALID_HANDLE_VALUE) && ::AttachConsole(ATTACH_PARENT_PROCESS))
        stream = ::GetStdHandle(error ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
    DWORD written = 0;
    if (stream != nullptr && stream != INVALID_HANDLE_VALUE &&
        ::WriteFile(stream, text.data(), static_cast<DWORD>(text.size()), &written, nullptr))
        return;
    ::MessageBoxW(nullptr, win32::Wide(text).c_str(), L"Tarnex Model Converter",
                  MB_OK | (error ? MB_ICONERROR : MB_ICONINFORMATION));
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    // -h, --help, --version and an unknown "--" option are answered without a window.
    const std::string first = argc > 1 ? win32::Narrow(argv[1]) : std::string();
    switch (WindowStartRequest(argc > 1 ? first.c_str() : nullptr)) {
    case WindowStart::Help: Answer(kCommandLineUsage, false); return 0;
    case WindowStart::Version: Answer(std::string("tarnex ") + TARNEX_VERSION + "\n", false); return 0;
    case WindowStart::UnknownOption:
        Answer("tarnex: unknown option \"" + first + "\"\n" + kCommandLineUsage, true);
        return 2;
    case WindowStart::Window: break;
    }
    CConverterApp app;
    app.InitInstance(argc, argv);
    return 0;
}
