#include "scene/3dsModel.h"

#include "scene/StatusView.h"

C3dsModel::C3dsModel(CStatusView& statusWindow, std::int32_t statusControlId, std::string& statusLog)
    : statusLog(statusLog), statusControlId(statusControlId), statusWindow(statusWindow)
{
}

std::int32_t C3dsModel::GetFrameCount() const
{
    return static_cast<std::int32_t>(byName ? objectCount : frameCount);
}

void C3dsModel::ReportLine(const std::string& line)
{
    statusLog += line;
    statusWindow.ShowLog(statusLog);
}

void C3dsModel::ShowProgress(const std::string& line)
{
    statusWindow.ShowProgress(statusLog, line);
}
