// What a run with the word "script" does beyond the pair: the checks of its request, and the
// script's text composed from the loaded scene for the writer to put in place.
#pragma once

#include "convert/ConversionOptions.h"
#include "convert/OutputNames.h"
#include "convert/ImportScript.h"
#include "convert/MaterialNumbers.h"
#include "convert/RangeConversion.h"

#include <string>

class C3dsModel;
class CFileSystem;

// Checks a request for its script before the input is read: its name, a file at its path that
// this program did not write, and, when appending, a script of this program to append to. Returns
// the refusal's message, or an empty text. The run holds the folder's turn, so what it reads of a
// script there (in existing) stands until the run ends.
std::string CheckScriptRequest(CFileSystem& fs, const std::string& scriptPath, bool append,
                               ExistingScript& existing);

// Reads the script at path; false when there is none or it cannot be read.
bool ReadScript(CFileSystem& fs, const std::string& path, ExistingScript& script);

// The script's text for the run: the model's frame names, sequences and textures, the run's
// choices, factors, extents and Unreal units per .3DS unit (size: N of size=N, or 0); when appending to an animation
// file of oldFrames frames, the sequences and textures of the existing script. The textures' maps
// follow the run's texture numbers.
std::string ComposeRunScript(const C3dsModel& model, const ConversionOptions& options, const OutputNames& names,
                             const ScaleFactors& factors, const Extents& extents, double units, double size,
                             const ExistingScript& existing, std::int64_t oldFrames,
                             const MaterialNumbering& numbering = {});
