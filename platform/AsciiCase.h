// Letter case of ASCII letters alone: names in .3DS files, option words, extensions and script
// keywords compare this way, whatever the locale and whatever bytes above 127 they hold.
#pragma once

#include <string>

inline char AsciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

inline char AsciiUpper(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

inline std::string AsciiLower(std::string text)
{
    for (char& c : text)
        c = AsciiLower(c);
    return text;
}

inline std::string AsciiUpper(std::string text)
{
    for (char& c : text)
        c = AsciiUpper(c);
    return text;
}
