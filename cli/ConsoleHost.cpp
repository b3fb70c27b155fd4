#include "cli/ConsoleHost.h"

#include "platform/StatusLine.h"

#include <string_view>
#include <utility>

namespace {

// The log's lines end in kLineEnd; a terminal or a pipe wants "\n".
std::string WithoutCarriageReturns(const std::string& text)
{
    const std::string_view end(kLineEnd);
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text.compare(i, end.size(), end) == 0) {
            out.push_back('\n');
            i += end.size() - 1;
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

} // namespace

CConsoleHost::CConsoleHost(ConversionOptions options, std::FILE* out, std::FILE* err, bool showProgress)
    : options_(std::move(options)), out_(out), err_(err), showProgress_(showProgress)
{
}

void CConsoleHost::SetStatusText(const std::string& text)
{
    ClearProgress();
    std::fprintf(err_, "%s\n", WithoutCarriageReturns(text).c_str());
    std::fflush(err_);
}

void CConsoleHost::ShowLog(const std::string&, const std::string& line)
{
    ClearProgress();
    const std::string fresh = WithoutCarriageReturns(line);
    std::fwrite(fresh.data(), 1, fresh.size(), out_);
    std::fflush(out_);
}

void CConsoleHost::ShowProgress(const std::string&, const std::string& line)
{
    if (!showProgress_)
        return;
    std::string text = line;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    std::fprintf(err_, "\r%s\033[K", text.c_str());
    std::fflush(err_);
    progressShown_ = true;
}

void CConsoleHost::ClearProgress()
{
    if (!progressShown_)
        return;
    std::fprintf(err_, "\r\033[K");
    std::fflush(err_);
    progressShown_ = false;
}
