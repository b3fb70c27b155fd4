// Writing the Unreal vertex-mesh pair, laid out in MeshFormat.h.
#pragma once

#include "convert/MeshFormat.h"
#include "convert/RangeConversion.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

class CMeshModel;
class CFileSystem;
class CStatusLog;
struct OutputNames;

struct WriteResult {
    std::int32_t framesWritten = 0;
    std::int32_t totalFrames = 0; // when appending: old count + framesWritten
};

// The import script that goes with the files: its path, and its text for an animation file that
// held oldFrames frames before this run's (0 for a new pair), composed once the run holds the lock
// of the files; false with the status line in errorLine when it may not be written.
struct ScriptJob {
    std::string path;
    std::function<bool(std::int64_t oldFrames, std::string& text, std::string& errorLine)> compose;
};

// Writes a new pair, or appends the frames to the existing animation file; either way the files
// change all at once or not at all. A new pair is written to temporary files that are put in place
// together at the end. An append writes the new frames after the file's last counted frame and
// then, as the last step, the new frame count: until then the file reads as it was, and a failure
// cuts it back. On failure returns false with the status line in errorLine.
//
// Runs of this program take turns: each holds the lock of the output folder while it writes, an
// append also the animation file's lock from its checks to its count, and a new pair the lock of
// the animation file it replaces while it puts its files in place. A run that has to wait says so
// on its progress line. While a run holds the folder's lock it removes the names a run killed
// while putting its files in place may have left.
//
// With a script, a new pair's three files are put in place together; an append replaces the
// script right after its count, and a failure to do so takes the append back.
bool WriteMeshFiles(const CMeshModel& model, const OutputNames& names, bool append,
                    const ScaleFactors& factors, CFileSystem& fileSystem, CStatusLog& log,
                    WriteResult& result, std::string& errorLine, const ScriptJob* script = nullptr);
