// The status log: one growing text, never cleared, shown on a view as it grows. The reader, the
// model, the run and the writer append to it; a progress line is shown after it without
// entering it.
#pragma once

#include "scene/StatusView.h"

#include <chrono>
#include <string>

class CStatusLog {
public:
    using Clock = std::chrono::steady_clock;
    // Progress lines reach the view at most once in this interval: each one forces a repaint,
    // and a scene of many small objects reports thousands of them a second.
    static constexpr std::chrono::milliseconds kProgressInterval{50};

    // A log shown nowhere: it only keeps its text.
    CStatusLog() = default;
    explicit CStatusLog(CStatusView& view) : view_(&view) {}

    // From now on the log is shown on view.
    void ShowOn(CStatusView& view) { view_ = &view; }
    // The clock that paces the progress lines; a test gives its own.
    void SetClock(Clock::time_point (*now)()) { now_ = now; }

    // Appends a status line, which FormatLine has ended in CR LF, and tells the view.
    void Append(const std::string& line);
    // Shows line after the log without entering it, unless another progress line was shown less
    // than kProgressInterval ago with no line appended since.
    void ShowProgress(const std::string& line);
    // Asks the view, while the run waits for another, whether to go on waiting.
    bool KeepWaiting() const { return !view_ || view_->KeepWaiting(); }

    const std::string& Text() const { return text_; }

private:
    CStatusView* view_ = nullptr;
    std::string text_;
    Clock::time_point (*now_)() = &Clock::now;
    bool progressShown_ = false;
    Clock::time_point lastProgress_{};
};
