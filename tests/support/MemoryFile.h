// Test doubles: an in-memory CFile and a status view / conversion host that records everything.
#pragma once

#include "convert/ConversionHost.h"
#include "platform/FileLayer.h"

#include <cstdint>
#include <string>
#include <vector>

class CMemoryFile final : public CFile {
public:
    explicit CMemoryFile(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}

    bool Seek(std::uint64_t position) override
    {
        at_ = position;
        return true;
    }
    std::size_t Read(void* buffer, std::size_t count) override;
    bool Write(const void* data, std::size_t count) override;
    std::uint64_t Length() override { return bytes_.size(); }
    bool Flush() override { return true; }
    bool Truncate(std::uint64_t length) override
    {
        bytes_.resize(static_cast<std::size_t>(length));
        return true;
    }
    bool Close() override { return true; }
    FileInfo Info() override
    {
        FileInfo info;
        info.exists = info.regular = true;
        info.size = bytes_.size();
        return info;
    }
    LockResult Lock(bool) override { return LockResult::Locked; }
    bool SetMode(std::uint32_t) override { return true; }
    bool LinkAs(const std::string&) override { return false; }

    const std::vector<std::uint8_t>& Bytes() const { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
    std::uint64_t at_ = 0;
};

// Records what the model and the run show: the last status text, every progress line and the
// log each progress line was shown after.
class CRecordingView : public ConversionHost {
public:
    ConversionOptions options;
    std::string statusText;
    std::vector<std::string> progressLines;
    std::vector<std::string> progressLogs;
    std::vector<std::string> calls; // host operations in order
    std::string goCaption = "Go";

    ConversionOptions ReadOptions() override
    {
        calls.push_back("ReadOptions");
        return options;
    }
    void GrowWindow(int pixels) override { calls.push_back("GrowWindow " + std::to_string(pixels)); }
    void SetStatusText(const std::string& text) override { statusText = text; }
    void DisableControls() override { calls.push_back("DisableControls"); }
    void SetGoCaption(const std::string& text) override
    {
        goCaption = text;
        calls.push_back("SetGoCaption " + text);
    }
    void EnableGo() override { calls.push_back("EnableGo"); }
    void CloseDialog() override { calls.push_back("CloseDialog"); }
    void ShowProgress(const std::string& log, const std::string& line) override
    {
        statusText = log + line;
        progressLogs.push_back(log);
        progressLines.push_back(line);
    }
};
