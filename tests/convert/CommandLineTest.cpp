#include "convert/ConverterCommandLineInfo.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Slots = std::array<std::string, 5>;

Slots Fill(const std::vector<std::string>& arguments)
{
    CConverterCommandLineInfo line;
    for (const std::string& argument : arguments)
        line.ParseParam(argument);
    return line.slots;
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
              (Slots{"in.3ds", "out.3d", "clip", "xyz", "byname"}));
    // An option word before the paths takes the input slot, without its "-".
    EXPECT_EQ(Fill({"-clip", "in.3ds", "out.3d"}), (Slots{"clip", "in.3ds", "out.3d", "", ""}));
    EXPECT_EQ(Fill({"--clip"}), (Slots{"-clip", "", "", "", ""}));
}

TEST(CommandLine, EmptyArgumentsFillNoSlot)
{
    EXPECT_EQ(Fill({"", "out.3d"}), (Slots{"out.3d", "", "", "", ""}));
    EXPECT_EQ(Fill({"-", "in.3ds", "-", "out.3d"}), (Slots{"in.3ds", "out.3d", "", "", ""}));
    // Slots count non-empty arguments; the sixth non-empty one is dropped.
    EXPECT_EQ(Fill({"a", "", "b", "c", "d", "e", "f"}), (Slots{"a", "b", "c", "d", "e"}));
}

TEST(CommandLine, SlashIsNotAFlagMarker)
{
    EXPECT_EQ(Fill({"/home/me/in.3ds", "/tmp/out.3d", "/append"}),
              (Slots{"/home/me/in.3ds", "/tmp/out.3d", "/append", "", ""}));
    EXPECT_EQ(Fill({"/"}), (Slots{"/", "", "", "", ""}));
    EXPECT_EQ(ParseOptionWord("/append"), OptionWord::None);
}

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
        {"byname", OptionWord::ByName}, {"ByName", OptionWord::ByName},
        // Whole-text matches only.
        {"clipped", OptionWord::None},  {"x,y,z", OptionWord::None},      {"-clip", OptionWord::None},
        {"app end", OptionWord::None},  {"by name", OptionWord::None},    {"uniform", OptionWord::None},
        {"", OptionWord::None},         {"   ", OptionWord::None},
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

    const ConversionOptions unknown = Apply({"append", "clipped", "x,y,z"});
    EXPECT_TRUE(unknown.append);
    EXPECT_EQ(unknown.vertexMode, VertexMode::UniformScale);
}
