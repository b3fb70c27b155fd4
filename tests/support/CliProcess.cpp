#include "tests/support/CliProcess.h"

#include "tests/support/Files.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

bool Redirect(int fd, const std::string& path, int flags)
{
    const int opened = ::open(path.c_str(), flags, 0644);
    if (opened < 0)
        return false;
    const bool ok = ::dup2(opened, fd) == fd;
    ::close(opened);
    return ok;
}

} // namespace

CCliProcess::CCliProcess(const std::vector<std::string>& arguments, const std::string& outputFolder,
                         std::function<bool()> prepare, const std::string& program)
    : outPath_(outputFolder + "/cli.stdout"), errPath_(outputFolder + "/cli.stderr")
{
    std::vector<std::string> argv = {program.empty() ? std::string(TARNEX_CLI_PATH) : program};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<char*> raw;
    for (std::string& a : argv)
        raw.push_back(a.data());
    raw.push_back(nullptr);

    pid_ = ::fork();
    if (pid_ != 0)
        return;
    // The child: one thread, so the preparation may use the ordinary library.
    const int writeFlags = O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC;
    if (!Redirect(0, "/dev/null", O_RDONLY) || !Redirect(1, outPath_, writeFlags) ||
        !Redirect(2, errPath_, writeFlags) || (prepare && !prepare()))
        ::_exit(kPrepareFailed);
    ::execv(raw[0], raw.data());
    ::_exit(kPrepareFailed);
}

CCliProcess::~CCliProcess()
{
    if (pid_ > 0 && !waited_) {
        ::kill(pid_, SIGKILL);
        Wait();
    }
}

void CCliProcess::Kill(int signal)
{
    if (pid_ > 0 && !waited_)
        ::kill(pid_, signal);
}

CliOutcome CCliProcess::Wait(std::chrono::milliseconds limit)
{
    CliOutcome outcome;
    if (pid_ <= 0 || waited_)
        return outcome;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int status = 0;
    for (;;) {
        const pid_t done = ::waitpid(pid_, &status, WNOHANG);
        if (done == pid_ || (done < 0 && errno != EINTR))
            break;
        if (std::chrono::steady_clock::now() >= deadline) {
            outcome.timedOut = true;
            ::kill(pid_, SIGKILL);
            while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
            }
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    waited_ = true;
    if (WIFEXITED(status))
        outcome.exitStatus = WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        outcome.signal = WTERMSIG(status);
    TakeOutput(outcome, outPath_, errPath_);
    return outcome;
}

std::string CliReachableByAll(const std::string& folder)
{
    const std::string copy = folder + "/tarnex-cli";
    std::error_code error;
    std::filesystem::copy_file(TARNEX_CLI_PATH, copy, std::filesystem::copy_options::overwrite_existing, error);
    if (error || ::chmod(copy.c_str(), 0755) != 0 || ::chmod(folder.c_str(), 0755) != 0)
        return {};
    return copy;
}

bool DropRoot()
{
    return ::geteuid() != 0 || (::setgid(65534) == 0 && ::setuid(65534) == 0);
}
