// tarnex.exe as the user starts it: from the command line, with a window or without one.
#include "platform/Win32Handles.h"
#include "tests/support/Files.h"
#include "tests/support/SceneGenerator.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

// Starts tarnex.exe (or another program) with the arguments; its standard output goes to outPath
// when one is given. A console program starts without a console (Wine's console helper would
// otherwise hold the test's output).
PROCESS_INFORMATION Start(const std::wstring& arguments, const std::string& outPath = {},
                          const char* program = TARNEX_GUI_PATH)
{
    std::wstring line = L"\"" + win32::Wide(program) + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE out = nullptr;
    if (!outPath.empty()) {
        out = ::CreateFileW(win32::Wide(outPath).c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0,
                            nullptr);
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = out;
        startup.hStdError = out;
    }
    PROCESS_INFORMATION process{};
    EXPECT_TRUE(::CreateProcessW(nullptr, line.data(), nullptr, nullptr, out != nullptr, DETACHED_PROCESS, nullptr,
                                 nullptr, &startup, &process));
    if (out)
        ::CloseHandle(out);
    ::CloseHandle(process.hThread);
    return process;
}

DWORD WaitFor(HANDLE process, DWORD limit = 30000)
{
    DWORD status = 259;
    if (::WaitForSingleObject(process, limit) != WAIT_OBJECT_0)
        ::TerminateProcess(process, 1);
    ::GetExitCodeProcess(process, &status);
    ::CloseHandle(process);
    return status;
}

} // namespace

TEST(Program, ConvertsWhatItsCommandLineNamesAsTheCommandLineProgramDoes)
{
    ScopedTempDir dir, cliDir;
    scenegen::SceneShape shape;
    shape.objectCount = 2;
    shape.verticesPerObject = 30;
    shape.frames = 10;
    WriteFileBytes(dir.File("ship.3ds"), scenegen::GenerateScene(shape));
    const PROCESS_INFORMATION process =
        Start(L"\"" + win32::Wide(dir.File("ship.3ds")) + L"\" \"" + win32::Wide(dir.File("ship.3d")) + L"\" -xyz");
    HWND window = nullptr;
    for (int i = 0; i < 600 && !window; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        HWND found = ::FindWindowW(nullptr, L"Tarnex Model Converter");
        wchar_t go[16] = {};
        if (found && ::GetDlgItemTextW(found, 1012, go, 16) && std::wstring(go) == L"&Close")
            window = found;
    }
    ASSERT_NE(window, nullptr) << "no window with a completed run";
    EXPECT_EQ(ReadFileBytes(dir.File("ship_d.3d")).size() > 0, true);
    wchar_t status[4096] = {};
    ::GetDlgItemTextW(window, 1009, status, 4096);
    EXPECT_NE(win32::Narrow(status).find("Scale applied: X:"), std::string::npos) << win32::Narrow(status);
    ::PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitFor(process.hProcess), 0u);

    const std::wstring cliArguments =
        L"\"" + win32::Wide(dir.File("ship.3ds")) + L"\" \"" + win32::Wide(cliDir.File("ship.3d")) + L"\" -xyz";
    ASSERT_EQ(WaitFor(Start(cliArguments, cliDir.File("out.txt"), TARNEX_CLI_PATH).hProcess), 0u);
    for (const char* file : {"ship_d.3d", "ship_a.3d"})
        EXPECT_TRUE(ReadFileBytes(dir.File(file)) == ReadFileBytes(cliDir.File(file))) << file;
}

TEST(Program, AnswersVersionAndUnknownOptionsWithoutAWindow)
{
    ScopedTempDir dir;
    EXPECT_EQ(WaitFor(Start(L"--version", dir.File("out.txt")).hProcess), 0u);
    const auto version = ReadFileBytes(dir.File("out.txt"));
    EXPECT_EQ(std::string(version.begin(), version.end()), "tarnex " TARNEX_EXPECTED_VERSION "\n");
    EXPECT_EQ(WaitFor(Start(L"--bogus", dir.File("err.txt")).hProcess), 2u);
    const auto error = ReadFileBytes(dir.File("err.txt"));
    EXPECT_EQ(std::string(error.begin(), error.end()).rfind("tarnex: unknown option \"--bogus\"", 0), 0u);
}
