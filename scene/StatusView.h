// Where the model's and the run's status reports reach the screen. The window, the command
// line and the tests each implement it.
#pragma once

#include <string>

class CStatusView {
public:
    virtual ~CStatusView() = default;
    // A line entered the status log: log is the whole log, line its newest line (ending in CR LF,
    // like every line of the log). The window shows the whole log in the status box (control
    // 1009); a stream writes the new line.
    virtual void ShowLog(const std::string& log, const std::string& line) = 0;
    // Shows the log followed by a transient progress line, and paints it at once: the load
    // that reports it keeps the one thread busy. The line never enters the log.
    virtual void ShowProgress(const std::string& log, const std::string& line) = 0;
};
