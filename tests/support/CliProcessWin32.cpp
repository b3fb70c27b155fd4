#include "tests/support/CliProcess.h"

#include "tests/support/Files.h"

#include <csignal>
#include <windows.h>

namespace {

std::wstring Wide(const std::string& text)
{
    const int size = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), size);
    return wide;
}

// One argument as the C runtime's parser reads it back: quoted, with the backslashes before a
// quote doubled and the quote escaped.
std::wstring Quoted(const std::wstring& argument)
{
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, L'\\');
    return quoted + L"\"";
}

HANDLE Inheritable(const std::string& path, DWORD access, DWORD disposition)
{
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    return ::CreateFileW(Wide(path).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inherit,
                         disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

} // namespace

CCliProcess::CCliProcess(const std::vector<std::string>& arguments, const std::string& outputFolder,
                         std::function<bool()> prepare, const std::string& program)
    : outPath_(outputFolder + "/cli.stdout"), errPath_(outputFolder + "/cli.stderr")
{
    if (prepare)
        return; // nothing runs between a fork and an exec here
    std::wstring line = Quoted(Wide(program.empty() ? std::string(TARNEX_CLI_PATH) : program));
    for (const std::string& argument : arguments)
        line += L" " + Quoted(Wide(argument));
    const HANDLE in = Inheritable("NUL", GENERIC_READ, OPEN_EXISTING);
    const HANDLE out = Inheritable(outPath_, GENERIC_WRITE, CREATE_ALWAYS);
    const HANDLE err = Inheritable(errPath_, GENERIC_WRITE, CREATE_ALWAYS);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in;
    startup.hStdOutput = out;
    startup.hStdError = err;
    PROCESS_INFORMATION started{};
    if (in != INVALID_HANDLE_VALUE && out != INVALID_HANDLE_VALUE && err != INVALID_HANDLE_VALUE &&
        ::CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, DETACHED_PROCESS, nullptr, nullptr, &startup,
                         &started)) {
        ::CloseHandle(started.hThread);
        process_ = started.hProcess;
    }
    for (HANDLE handle : {in, out, err})
        if (handle != INVALID_HANDLE_VALUE)
            ::CloseHandle(handle);
}

CCliProcess::~CCliProcess()
{
    if (process_ && !waited_) {
        Kill(SIGKILL);
        Wait();
    }
    if (process_)
        ::CloseHandle(process_);
}

void CCliProcess::Kill(int signal)
{
    if (process_ && !waited_ && ::TerminateProcess(process_, 128 + static_cast<UINT>(signal)))
        killedBy_ = signal;
}

CliOutcome CCliProcess::Wait(std::chrono::milliseconds limit)
{
    CliOutcome outcome;
    if (!process_ || waited_)
        return outcome;
    if (::WaitForSingleObject(process_, static_cast<DWORD>(limit.count())) == WAIT_TIMEOUT) {
        outcome.timedOut = true;
        Kill(SIGKILL);
        ::WaitForSingleObject(process_, INFINITE);
    }
    waited_ = true;
    DWORD code = 0;
    ::GetExitCodeProcess(process_, &code);
    if (killedBy_ != 0)
        outcome.signal = killedBy_;
    else
        outcome.exitStatus = static_cast<int>(code);
    TakeOutput(outcome, outPath_, errPath_);
    return outcome;
}

std::string CliReachableByAll(const std::string&)
{
    return TARNEX_CLI_PATH; // no users to switch to
}

bool DropRoot()
{
    return true;
}
