// The command line shared by the window and tarnex-cli: five positional slots (input path, output
// path, three option words) and the option words' effect on a request's options.
#pragma once

#include "convert/Conversion.h"

#include <array>
#include <string>

class CConverterCommandLineInfo {
public:
    std::array<std::string, 5> slots; // input path, output path, option words 1 to 3

    // Removes one leading "-" (a flag marker; "/" is not one here, absolute paths begin with it)
    // and stores the text in the first empty slot. An empty text leaves every slot as it was.
    void ParseParam(const std::string& argument);

    const std::string& InputPath() const { return slots[0]; }
    const std::string& OutputPath() const { return slots[1]; }
    // The request the command line describes: its paths, and its words applied in order to the
    // options a dialog starts with (UniformScale, ByKeyFrame, no append).
    ConversionOptions Options() const;
};

enum class OptionWord { None, Append, Clip, Xyz, ByName };

// Lower-cases the word, trims white space from both ends and matches it whole.
OptionWord ParseOptionWord(const std::string& word);

// A word's effect on the options; of two words for the same choice the later one wins, and no
// word clears append. An unknown word changes nothing.
void ApplyOptionWord(OptionWord word, ConversionOptions& options);
