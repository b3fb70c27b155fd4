#include "convert/ConverterCommandLineInfo.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// The input path, the output path, then the option words.
using Texts = std::vector<std::string>;

Texts Fill(const std::vector<std::string>& arguments)
{
    CConverterCommandLineInfo line;
    for (const std::string& argument : arguments)
        line.ParseParam(argument);
    Texts texts = {line.InputPath(), line.OutputPath()};
    texts.insert(texts.end(), line.Words().begin(), line.Words().end());
    return texts;
}

// The options of a command line of two paths and these words.
ConversionOptions Apply(const std::vector<std::string>& words)
{
    CConverterCommandLineInfo line;
    for (const char* argument : {"in.3ds", "out.3d"})
        line.ParseParam(argument);
    for (const std::string& word : words)
        line.ParseParam(word);
    return line.Options();
}

} // namespace

TEST(CommandLine, PositionAloneDecidesWhatAnArgumentMeans)
{
    EXPECT_EQ(Fill({"in.3ds", "out.3d", "clip", "xyz", "byname"}),
              (Texts{"in.3ds", "out.3d", "clip", "xyz", "byname"}));
    // An option word before the paths takes the input slot, without its "-".
    EXPECT_EQ(Fill({"-clip", "in.3ds", "out.3d"}), (Texts{"clip", "in.3ds", "out.3d"}));
    EXPECT_EQ(Fill({"--clip"}), (Texts{"-clip", ""}));
}

TEST(CommandLine, EmptyArgumentsFillNoSlot)
{
    EXPECT_EQ(Fill({"", "out.3d"}), (Texts{"out.3d", ""}));
    EXPECT_EQ(Fill({"-", "in.3ds", "-", "out.3d"}), (Texts{"in.3ds", "out.3d"}));
    // Every option word given is kept, however many there are.
    EXPECT_EQ(Fill({"a", "", "b", "c", "d", "e", "f"}), (Texts{"a", "b", "c", "d", "e", "f"}));
}

#ifdef _WIN32
TEST(CommandLine, SlashIsAFlagMarkerOnWindows)
{
    EXPECT_EQ(Fill({"C:\\in.3ds", "/Append", "//clip"}), (Texts{"C:\\in.3ds", "Append", "/clip"}));
    EXPECT_EQ(Fill({"/", "out.3d"}), (Texts{"out.3d", ""}));
}
#else
TEST(CommandLine, SlashIsNotAFlagMarker)
{
    EXPECT_EQ(Fill({"/home/me/in.3ds", "/tmp/out.3d", "/append"}),
              (Texts{"/home/me/in.3ds", "/tmp/out.3d", "/append"}));
    EXPECT_EQ(Fill({"/"}), (Texts{"/", ""}));
    EXPECT_EQ(ParseOptionWord("/append"), OptionWord::None);
}
#endif

TEST(CommandLine, OptionWordsIgnoreCaseAndSurroundingWhiteSpace)
{
    struct Case {
        const char* word;
        OptionWord expected;
    };
    const Case cases[] = {
        {"append", OptionWord::Append}, {"APPEND", OptionWord::Append},   {"Append", OptionWord::Append},
        {" append ", OptionWord::Append}, {"\tappend\r\n", OptionWord::Append}, {"clip", OptionWord::Clip},
        {"CLIP", OptionWord::Clip},     {"xyz", OptionWord::Xyz},         {"XyZ", OptionWord::Xyz},
        {"byname", OptionWord::ByName}, {"ByName", OptionWord::ByName}, {" FILL", OptionWord::Fill},
        {"Script", OptionWord::Script}, {"EXACT", OptionWord::Exact},   {"Package", OptionWord::Package},
        // Whole-text matches only.
        {"clipped", OptionWord::None},  {"x,y,z", OptionWord::None},      {"-/clip", OptionWord::None},
        {"app end", OptionWord::None},  {"by name", OptionWord::None},    {"uniform", OptionWord::None},
        {"", OptionWord::None},         {"   ", OptionWord::None},        {"--", OptionWord::None},
        // Any number of leading dashes is dropped.
        {"-clip", OptionWord::Clip},    {"--clip", OptionWord::Clip},     {" ---XYZ ", OptionWord::Xyz},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseOptionWord(c.word), c.expected) << '"' << c.word << '"';
}

TEST(CommandLine, LaterWordOfAGroupWinsAndAppendIsNeverCleared)
{
    const ConversionOptions none = Apply({});
    EXPECT_EQ(none.inputPath, "in.3ds");
    EXPECT_EQ(none.outputPath, "out.3d");
    EXPECT_EQ(none.vertexMode, VertexMode::UniformScale);
    EXPECT_EQ(none.frameMode, FrameMode::ByKeyFrame);
    EXPECT_FALSE(none.append);

    EXPECT_EQ(Apply({"clip", "xyz"}).vertexMode, VertexMode::XyzScale);
    EXPECT_EQ(Apply({"xyz", "clip"}).vertexMode, VertexMode::ClipBounds);

    const ConversionOptions all = Apply({"APPEND", "byname", "clip"});
    EXPECT_TRUE(all.append);
    EXPECT_EQ(all.frameMode, FrameMode::ByObjectName);
    EXPECT_EQ(all.vertexMode, VertexMode::ClipBounds);

    // Five words: each takes effect.
    const ConversionOptions five = Apply({"append", "xyz", "byname", "fill", "script"});
    EXPECT_TRUE(five.append && five.fill && five.script);
    EXPECT_EQ(five.vertexMode, VertexMode::XyzScale);
    EXPECT_EQ(five.frameMode, FrameMode::ByObjectName);
    EXPECT_FALSE(Apply({"clip"}).fill || Apply({"clip"}).script || Apply({"clip"}).exact);
    EXPECT_TRUE(Apply({"exact"}).exact);
    // A package always has its script.
    EXPECT_TRUE(Apply({"package"}).package && Apply({"package"}).script);
    EXPECT_FALSE(Apply({"script"}).package || Apply({"clip"}).package);

    const ConversionOptions unknown = Apply({"append", "clipped", "x,y,z"});
    EXPECT_TRUE(unknown.append);
    EXPECT_EQ(unknown.vertexMode, VertexMode::UniformScale);
}

TEST(CommandLine, UnknownWordsAreKeptBareForTheLogAndEmptyOnesAreNot)
{
    EXPECT_EQ(Apply({"--scrpit", " Clipped ", "clip", "--", "  "}).unknownWords, (Texts{"scrpit", "Clipped"}));
    EXPECT_TRUE(Apply({"--clip", "-append"}).unknownWords.empty());
}
