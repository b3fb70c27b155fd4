#include "scene/StatusLog.h"

void CStatusLog::Append(const std::string& line)
{
    text_ += line;
    progressShown_ = false; // the next progress line follows a new line: it is news at once
    if (view_)
        view_->ShowLog(text_, line);
}

void CStatusLog::ShowProgress(const std::string& line)
{
    if (!view_)
        return;
    const Clock::time_point now = now_();
    if (progressShown_ && now - lastProgress_ < kProgressInterval)
        return;
    progressShown_ = true;
    lastProgress_ = now;
    view_->ShowProgress(text_, line);
}
