// Writing the Unreal vertex-mesh pair, laid out in MeshFormat.h.
#pragma once

#include "convert/MeshFormat.h"
#include "convert/PairCommit.h"
#include "convert/RangeConversion.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CMeshModel;
class CStatusLog;
struct OutputNames;

struct WriteResult {
    std::int32_t framesWritten = 0;
    std::int32_t totalFrames = 0; // when appending: old count + framesWritten
};

// Writes a new pair to temporary files and puts them in place together with the finished files
// (the script, a package's textures). On failure returns false with the status line in errorLine;
// the targets stay as they were. Waits at most patience for an append to the file it replaces.
// The frames are in format, packed by threads threads (FramePipeline.h); the bytes are the same
// for any number.
bool WriteNewPair(const CMeshModel& model, const OutputNames& names, const ScaleFactors& factors,
                  CFileSystem& fileSystem, CStatusLog& log, const std::vector<FinishedFile>& finished,
                  WriteResult& result, std::string& errorLine, std::chrono::milliseconds patience = kLockPatience,
                  VertexFormat format = VertexFormat::Standard, unsigned threads = 1);

// An animation file opened for an append: locked until it is released, its header read and checked
// against the model's frames.
struct AppendTarget {
    std::unique_ptr<CFile> file;
    std::string path;
    std::uint64_t length = 0;  // the file's bytes when opened
    std::uint64_t counted = 0; // the header and the frames its count takes in
    std::int64_t oldFrames = 0;
    VertexFormat format = VertexFormat::Standard; // of the file's frames and the new ones
};

// Opens the animation file at path, takes its lock (waiting at most patience while another run
// holds it) and checks that the model's frames can be appended in format, which the file's frames
// must have too; false with the status line in errorLine.
bool OpenForAppend(const CMeshModel& model, const std::string& path, CFileSystem& fileSystem, CStatusLog& log,
                   AppendTarget& target, std::string& errorLine, std::chrono::milliseconds patience = kLockPatience,
                   VertexFormat format = VertexFormat::Standard);

// Appends the frames after the file's last counted frame and then, as the last step, writes the new
// frame count: until then the file reads as it was, and a failure cuts it back. The finished files
// are put in place right after the count, and a failure to do so takes the append back. The frames
// are packed by threads threads, as WriteNewPair's.
bool AppendFrames(const CMeshModel& model, AppendTarget& target, const ScaleFactors& factors,
                  CFileSystem& fileSystem, CStatusLog& log, const std::vector<FinishedFile>& finished,
                  WriteResult& result, std::string& errorLine, unsigned threads = 1);

// Takes the folder's turn (PairCommit.h) and writes a new pair or appends the frames; either way the
// files change all at once or not at all. An append also holds the animation file's lock from its
// checks to its count, and a new pair the lock of the animation file it replaces while it puts its
// files in place. A run that has to wait says so on its progress line.
bool WriteMeshFiles(const CMeshModel& model, const OutputNames& names, bool append,
                    const ScaleFactors& factors, CFileSystem& fileSystem, CStatusLog& log,
                    WriteResult& result, std::string& errorLine, unsigned threads = 1);
