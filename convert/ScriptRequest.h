// What a run with the word "script" does beyond the pair: the checks of its request, and the job
// that composes the script from the loaded scene once the writer holds the files' lock.
#pragma once

#include "convert/ConversionOptions.h"
#include "convert/OutputNames.h"
#include "convert/ImportScript.h"
#include "convert/MeshWriter.h"

#include <string>

class C3dsModel;
class CFileSystem;

// Checks a request for its script before the input is read: its name, a file at its path that
// this program did not write, and, when appending, a script of this program to append to. Returns
// the refusal's message, or an empty text.
std::string CheckScriptRequest(CFileSystem& fs, const std::string& scriptPath, bool append);

// Reads the script at path; false when there is none or it cannot be read.
bool ReadScript(CFileSystem& fs, const std::string& path, ExistingScript& script);

// The job that composes the script for the run: the model's frame names, sequences and textures,
// the run's choices, factors and extents; when appending, the sequences and textures of the
// script appended to, read again under the lock.
ScriptJob MakeScriptJob(const C3dsModel& model, const ConversionOptions& options, const OutputNames& names,
                        const ScaleFactors& factors, const Extents& extents, CFileSystem& fs);
