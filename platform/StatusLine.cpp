#include "platform/StatusLine.h"

#include <cstdarg>
#include <cstdio>

std::string FormatLine(const char* format, ...)
{
    // Formatted twice: once to measure, then into room for the text and the terminating zero
    // that vsnprintf writes, which is cut off again.
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    const int size = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string line;
    if (size > 0) {
        line.resize(static_cast<std::size_t>(size) + 1);
        std::vsnprintf(line.data(), line.size(), format, args);
        line.resize(static_cast<std::size_t>(size));
    }
    va_end(args);
    return line + kLineEnd;
}

std::string WithReason(const std::string& message, const std::string& reason)
{
    if (reason.empty())
        return message;
    const std::string end(kLineEnd);
    const bool ended = message.size() >= end.size() && message.compare(message.size() - end.size(), end.size(), end) == 0;
    return ended ? message + "(" + reason + ")" + end : message + end + "(" + reason + ")";
}
