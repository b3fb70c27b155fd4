// Formats one status line printf-style. Lines carry their own "\r\n" in the format.
#pragma once

#include <string>

std::string FormatLine(const char* format, ...) __attribute__((format(printf, 1, 2)));
