// Where the model's and the run's status reports reach the screen. The window, the command
// line and the tests each implement it.
#pragma once

#include <functional>
#include <string>

class CStatusView {
public:
    virtual ~CStatusView() = default;
    // Shows the whole status log in the status box (control 1009).
    virtual void ShowLog(const std::string& log) = 0;
    // Shows the log followed by a transient progress line, and paints it at once: the load
    // that reports it keeps the one thread busy. The line never enters the log.
    virtual void ShowProgress(const std::string& log, const std::string& line) = 0;
};

// How a stage of a run reports: a line for the status log, and a transient progress line.
struct StatusReport {
    std::function<void(const std::string&)> reportLine;
    std::function<void(const std::string&)> showProgress;
};
