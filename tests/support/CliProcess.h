// The built tarnex-cli as a child process, for tests that need to shape its world first (a file
// size limit, dropped privileges, a private mount) or to kill it midway. On Windows the child
// starts detached from any console (a killed console child leaves Wine's console helper holding
// the parent's output), prepare is not supported, and Kill ends the child at once whatever the
// signal, which the outcome then reports.
#pragma once

#include <chrono>
#include <csignal>
#include <cstddef>
#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>

#if defined(_WIN32) && !defined(SIGKILL)
#define SIGKILL 9 // the signal a kill stands for in outcomes
#endif

struct CliOutcome {
    int exitStatus = -1; // -1 when it did not exit normally
    int signal = 0;      // the signal that ended it, if any
    bool timedOut = false; // it was still running at the time limit and was killed
    std::string out;
    std::string err;
};

class CCliProcess {
public:
    // Exit status of a child whose preparation failed before the program started.
    static constexpr int kPrepareFailed = 125;

    // Starts tarnex-cli (the built one unless program names another) with the arguments; prepare
    // runs in the child just before the program replaces it (it must return true, else the child
    // exits with kPrepareFailed). Standard output and error go to files in outputFolder.
    CCliProcess(const std::vector<std::string>& arguments, const std::string& outputFolder,
                std::function<bool()> prepare = {}, const std::string& program = {});
#ifdef _WIN32
    // Windows: tarnex-cli runs in a job that holds the memory it commits to memoryLimit bytes. The
    // limit is tried first on the child, still suspended: committing more than the limit into it
    // must fail. Where it does not, the child is ended unstarted and MemoryLimitHeld says so.
    CCliProcess(const std::vector<std::string>& arguments, const std::string& outputFolder, std::size_t memoryLimit);
    bool MemoryLimitHeld() const { return memoryLimitHeld_; }
#endif
    ~CCliProcess();
    CCliProcess(const CCliProcess&) = delete;
    CCliProcess& operator=(const CCliProcess&) = delete;

#ifdef _WIN32
    bool Started() const { return process_ != nullptr; }
#else
    bool Started() const { return pid_ > 0; }
#endif
    void Kill(int signal);
    // Waits for the end; a child still running after the limit is killed.
    CliOutcome Wait(std::chrono::milliseconds limit = std::chrono::seconds(60));

private:
#ifdef _WIN32
    void Start(const std::vector<std::string>& arguments, const std::string& program, std::size_t memoryLimit);

    void* process_ = nullptr; // the child's process handle
    int killedBy_ = 0;        // the signal Kill stood for: Windows ends a process without one
    std::string startFailure_; // why the child did not start
    bool memoryLimitHeld_ = false;
#else
    pid_t pid_ = -1;
#endif
    std::string outPath_;
    std::string errPath_;
    bool waited_ = false;
};

// Moves what the child printed, from the files it wrote, into outcome.
void TakeOutput(CliOutcome& outcome, const std::string& outPath, const std::string& errPath);

// Runs tarnex-cli to its end (killed after a minute, so that a hang fails instead of stalling).
CliOutcome RunCli(const std::vector<std::string>& arguments, const std::string& outputFolder,
                  std::function<bool()> prepare = {}, const std::string& program = {});

// A copy of tarnex-cli in folder, which is opened to everyone, so that a child that gives up root
// for another user can start it wherever the project was cloned. Empty when the copy failed.
std::string CliReachableByAll(const std::string& folder);

// In the child: gives up root for user "nobody". True when not root to begin with.
bool DropRoot();
