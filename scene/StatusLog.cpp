#include "scene/StatusLog.h"

void CStatusLog::Append(const std::string& line)
{
    text_ += line;
    if (view_)
        view_->ShowLog(text_, line);
}

void CStatusLog::ShowProgress(const std::string& line) const
{
    if (view_)
        view_->ShowProgress(text_, line);
}
