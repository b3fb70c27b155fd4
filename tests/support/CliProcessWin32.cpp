#include "tests/support/CliProcess.h"

#include "tests/support/Files.h"

#include <csignal>
#include <windows.h>

#include <cstdio>

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

// Puts the suspended child in a new job that holds its committed memory to limit, and tells whether
// the limit holds: memory committed into the child past it must be refused.
bool InLimitedJob(HANDLE process, std::size_t limit)
{
    const HANDLE job = ::CreateJobObjectW(nullptr, nullptr);
    if (!job)
        return false;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_PROCESS_MEMORY;
    limits.ProcessMemoryLimit = limit;
    const bool assigned = ::SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits) &&
                          ::AssignProcessToJobObject(job, process);
    ::CloseHandle(job); // the job lasts as long as the child
    if (!assigned)
        return false;
    void* past = ::VirtualAllocEx(process, nullptr, limit + 1, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    if (past)
        ::VirtualFreeEx(process, past, 0, MEM_RELEASE);
    return past == nullptr;
}

} // namespace

CCliProcess::CCliProcess(const std::vector<std::string>& arguments, const std::string& outputFolder,
                         std::function<bool()> prepare, const std::string& program)
    : outPath_(outputFolder + "/cli.stdout"), errPath_(outputFolder + "/cli.stderr")
{
    if (!prepare) // nothing runs between a fork and an exec here
        Start(arguments, program, 0);
}

CCliProcess::CCliProcess(const std::vector<std::string>& arguments, const std::string& outputFolder,
                         std::size_t memoryLimit)
    : outPath_(outputFolder + "/cli.stdout"), errPath_(outputFolder + "/cli.stderr")
{
    Start(arguments, {}, memoryLimit);
}

void CCliProcess::Start(const std::vector<std::string>& arguments, const std::string& program, std::size_t memoryLimit)
{
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
    const DWORD flags = DETACHED_PROCESS | (memoryLimit ? CREATE_SUSPENDED : 0);
    if (in != INVALID_HANDLE_VALUE && out != INVALID_HANDLE_VALUE && err != INVALID_HANDLE_VALUE &&
        ::CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, flags, nullptr, nullptr, &startup, &started)) {
        process_ = started.hProcess;
        if (memoryLimit) {
            memoryLimitHeld_ = InLimitedJob(process_, memoryLimit);
            if (memoryLimitHeld_)
                ::ResumeThread(started.hThread);
            else
                Kill(SIGKILL);
        }
        ::CloseHandle(started.hThread);
    } else {
        // The outcome says why, so that a failed start does not read as a silent program.
        startFailure_ = "tarnex-cli could not be started (error " + std::to_string(::GetLastError()) + ")";
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
    if (!process_ || waited_) {
        outcome.err = startFailure_;
        return outcome;
    }
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
