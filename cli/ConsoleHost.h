// The conversion host of tarnex-cli: log lines go to standard output as they are appended,
// progress lines to standard error when it is a terminal, a refused request's message to
// standard error.
#pragma once

#include "convert/ConversionHost.h"

#include <cstdio>
#include <string>

class CConsoleHost final : public ConversionHost {
public:
    CConsoleHost(ConversionOptions options, std::FILE* out, std::FILE* err, bool showProgress);

    ConversionOptions ReadOptions() override { return options_; }
    void GrowWindow(int) override {}
    void SetStatusText(const std::string& text) override;
    void DisableControls() override {}
    void SetGoCaption(const std::string&) override {}
    void EnableGo() override {}
    void CloseDialog() override {}
    void ShowLog(const std::string& log, const std::string& line) override;
    void ShowProgress(const std::string& log, const std::string& line) override;

private:
    void ClearProgress();

    ConversionOptions options_;
    std::FILE* out_;
    std::FILE* err_;
    bool showProgress_;
    bool progressShown_ = false;
};
