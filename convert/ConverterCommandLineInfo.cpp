#include "convert/ConverterCommandLineInfo.h"

#include "platform/AsciiCase.h"

#include <string_view>
#include <utility>

void CConverterCommandLineInfo::ParseParam(const std::string& argument)
{
#ifdef _WIN32
    const bool flag = !argument.empty() && (argument[0] == '-' || argument[0] == '/');
#else
    const bool flag = !argument.empty() && argument[0] == '-';
#endif
    const std::string text = flag ? argument.substr(1) : argument;
    if (text.empty())
        return;
    if (inputPath_.empty())
        inputPath_ = text;
    else if (outputPath_.empty())
        outputPath_ = text;
    else
        words_.push_back(text);
}

ConversionOptions CConverterCommandLineInfo::Options() const
{
    ConversionOptions options;
    options.inputPath = inputPath_;
    options.outputPath = outputPath_;
    for (const std::string& word : words_) {
        const OptionWord parsed = ParseOptionWord(word);
        if (parsed == OptionWord::None && !BareOptionWord(word).empty())
            options.unknownWords.push_back(BareOptionWord(word));
        ApplyOptionWord(word, options);
    }
    return options;
}

namespace {

constexpr const char* kSizeWord = "size=";

} // namespace

std::string Trimmed(const std::string& text)
{
    const char* space = " \t\r\n\v\f";
    const auto first = text.find_first_not_of(space);
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(space) - first + 1);
}

std::string BareOptionWord(const std::string& word)
{
    const std::string trimmed = Trimmed(word);
    const auto letters = trimmed.find_first_not_of('-');
    return letters == std::string::npos ? std::string() : trimmed.substr(letters);
}

OptionWord ParseOptionWord(const std::string& word)
{
    const std::string lower = AsciiLower(BareOptionWord(word));
    static constexpr std::pair<std::string_view, OptionWord> kWords[] = {
        {"append", OptionWord::Append}, {"clip", OptionWord::Clip},           {"xyz", OptionWord::Xyz},
        {"byname", OptionWord::ByName}, {"fill", OptionWord::Fill},           {"script", OptionWord::Script},
        {"exact", OptionWord::Exact},   {"materials", OptionWord::Materials}, {"deusex", OptionWord::DeusEx},
        {"package", OptionWord::Package}};
    for (const auto& [name, parsed] : kWords)
        if (lower == name)
            return parsed;
    if (lower.rfind(kSizeWord, 0) == 0)
        return OptionWord::Size;
    return OptionWord::None;
}

void ApplyOptionWord(OptionWord word, ConversionOptions& options)
{
    switch (word) {
    case OptionWord::Append: options.append = true; break;
    case OptionWord::Clip: options.vertexMode = VertexMode::ClipBounds; break;
    case OptionWord::Xyz: options.vertexMode = VertexMode::XyzScale; break;
    case OptionWord::ByName: options.frameMode = FrameMode::ByObjectName; break;
    case OptionWord::Fill: options.fill = true; break;
    case OptionWord::Script: options.script = true; break;
    case OptionWord::Exact: options.exact = true; break;
    case OptionWord::Materials: options.materials = true; break;
    case OptionWord::DeusEx: options.vertexFormat = VertexFormat::DeusEx; break;
    case OptionWord::Package: options.package = options.script = true; break;
    case OptionWord::Size:
    case OptionWord::None: break;
    }
}

void ApplyOptionWord(const std::string& word, ConversionOptions& options)
{
    const OptionWord parsed = ParseOptionWord(word);
    ApplyOptionWord(parsed, options);
    if (parsed == OptionWord::Size)
        options.size = Trimmed(BareOptionWord(word).substr(std::string(kSizeWord).size()));
}
