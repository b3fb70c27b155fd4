// Status lines. Every line that enters the status log ends in carriage return and line feed; this
// is the one place that adds them.
#pragma once

#include <string>

inline constexpr const char* kLineEnd = "\r\n";

// MinGW's printf, which the build selects (__USE_MINGW_ANSI_STDIO), is the C99 one: its format
// checks are GNU's, not the Microsoft C library's.
#if defined(__MINGW32__)
#define TARNEX_PRINTF_FORMAT gnu_printf
#else
#define TARNEX_PRINTF_FORMAT printf
#endif

// Formats one status line printf-style and ends it with kLineEnd.
std::string FormatLine(const char* format, ...) __attribute__((format(TARNEX_PRINTF_FORMAT, 1, 2)));

// A failure's message with the system's reason on a second line, in brackets: "(Permission
// denied)". A message that ends in kLineEnd keeps it after the reason; one without (a refusal
// shown on its own) gets kLineEnd between the two lines only. No reason: the message as it is.
std::string WithReason(const std::string& message, const std::string& reason);
