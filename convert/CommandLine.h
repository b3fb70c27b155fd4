// The command line shared by the window and tarnex-cli: five positional slots (input path,
// output path, three option words) and the option words' effect on the conversion choices.
#pragma once

#include "convert/Conversion.h"

#include <array>
#include <string>

struct CommandLineSlots {
    std::array<std::string, 5> slots; // input path, output path, option words 1 to 3

    // Removes one leading "-" (a flag marker; "/" is not one here, absolute paths begin with it)
    // and stores the text in the first empty slot. An empty text leaves every slot as it was.
    void ParseParam(const std::string& argument);

    const std::string& InputPath() const { return slots[0]; }
    const std::string& OutputPath() const { return slots[1]; }
};

enum class OptionWord { None, Append, Clip, Xyz, ByName };

// Lower-cases the word, trims white space from both ends and matches it whole.
OptionWord ParseOptionWord(const std::string& word);

// The choices a dialog starts with (UniformScale, ByKeyFrame, no append), and a word's effect on
// them; an unknown word changes nothing.
struct ConversionChoices {
    VertexMode vertexMode = VertexMode::UniformScale;
    FrameMode frameMode = FrameMode::ByKeyFrame;
    bool append = false;

    void Apply(OptionWord word);
};
