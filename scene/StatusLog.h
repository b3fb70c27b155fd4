// The status log: one growing text, never cleared, shown on a view as it grows. The reader, the
// model, the run and the writer append to it; a progress line is shown after it without
// entering it.
#pragma once

#include "scene/StatusView.h"

#include <string>

class CStatusLog {
public:
    // A log shown nowhere: it only keeps its text.
    CStatusLog() = default;
    explicit CStatusLog(CStatusView& view) : view_(&view) {}

    // From now on the log is shown on view.
    void ShowOn(CStatusView& view) { view_ = &view; }

    // Appends a status line, which FormatLine has ended in CR LF, and tells the view.
    void Append(const std::string& line);
    // Shows line after the log without entering it.
    void ShowProgress(const std::string& line) const;

    const std::string& Text() const { return text_; }

private:
    CStatusView* view_ = nullptr;
    std::string text_;
};
