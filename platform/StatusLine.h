// Status lines. Every line that enters the status log ends in carriage return and line feed; this
// is the one place that adds them.
#pragma once

#include <string>

inline constexpr const char* kLineEnd = "\r\n";

// Formats one status line printf-style and ends it with kLineEnd.
std::string FormatLine(const char* format, ...) __attribute__((format(printf, 1, 2)));
