#include "convert/CommandLine.h"

void CommandLineSlots::ParseParam(const std::string& argument)
{
    const std::string text = (!argument.empty() && argument[0] == '-') ? argument.substr(1) : argument;
    for (std::string& slot : slots) {
        if (slot.empty()) {
            slot = text;
            return;
        }
    }
}

OptionWord ParseOptionWord(const std::string& word)
{
    std::string lower;
    for (char c : word)
        lower.push_back((c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c);
    const char* space = " \t\r\n\v\f";
    const auto first = lower.find_first_not_of(space);
    if (first == std::string::npos)
        return OptionWord::None;
    lower = lower.substr(first, lower.find_last_not_of(space) - first + 1);
    if (lower == "append")
        return OptionWord::Append;
    if (lower == "clip")
        return OptionWord::Clip;
    if (lower == "xyz")
        return OptionWord::Xyz;
    if (lower == "byname")
        return OptionWord::ByName;
    return OptionWord::None;
}

void ConversionChoices::Apply(OptionWord word)
{
    switch (word) {
    case OptionWord::Append: append = true; break;
    case OptionWord::Clip: vertexMode = VertexMode::ClipBounds; break;
    case OptionWord::Xyz: vertexMode = VertexMode::XyzScale; break;
    case OptionWord::ByName: frameMode = FrameMode::ByObjectName; break;
    case OptionWord::None: break;
    }
}
