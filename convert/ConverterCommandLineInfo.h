// The command line shared by the window and tarnex-cli: the input path, the output path and any
// number of option words, and the option words' effect on a request's options.
#pragma once

#include "convert/ConversionOptions.h"

#include <string>
#include <vector>

class CConverterCommandLineInfo {
public:
    // Removes one leading flag marker: "-", and on Windows "/" too (there absolute paths begin with
    // a drive letter or "\\"; elsewhere with "/", which is no marker there).
    // The text fills the input path, then the output path, then joins the option words; an empty
    // text is dropped.
    void ParseParam(const std::string& argument);

    const std::string& InputPath() const { return inputPath_; }
    const std::string& OutputPath() const { return outputPath_; }
    const std::vector<std::string>& Words() const { return words_; }
    // The request the command line describes: its paths, and its words applied in order to the
    // options a dialog starts with (UniformScale, ByKeyFrame, nothing else); the words that name
    // no option are kept in unknownWords for the log's notes.
    ConversionOptions Options() const;

private:
    std::string inputPath_;
    std::string outputPath_;
    std::vector<std::string> words_;
};

enum class OptionWord { None, Append, Clip, Xyz, ByName, Fill, Script, Size, Exact, Materials, DeusEx, Package };

// The word without the white space around it and without any leading dashes ("--clip" is
// "clip"), in the case it was typed.
std::string BareOptionWord(const std::string& word);
// text without the white space at its ends.
std::string Trimmed(const std::string& text);

// Matches the bare word whole, in any letter case; size=N is matched by its "size=".
OptionWord ParseOptionWord(const std::string& word);

// A word's effect on the options; of two words for the same choice the later one wins, and no
// word clears another. An unknown word changes nothing.
void ApplyOptionWord(OptionWord word, ConversionOptions& options);
// The same for a word as given, size=N included: its N, trimmed, becomes the options' size.
void ApplyOptionWord(const std::string& word, ConversionOptions& options);
