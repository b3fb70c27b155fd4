#include "convert/MeshWriter.h"

#include "convert/OutputNames.h"
#include "convert/VertexPacking.h"
#include "platform/ByteWriter.h"
#include "platform/FileCommit.h"
#include "platform/StatusLine.h"
#include "scene/FormatLimits.h"
#include "scene/MeshModel.h"
#include "scene/StatusLog.h"

#include <algorithm>
#include <vector>

namespace {

std::uint8_t TypeByte(const FrameTriangle& t)
{
    std::uint8_t type = t.typeCode;
    if (t.flagW)
        type |= kFlagW;
    if (t.flagB)
        type |= kFlagB;
    if (t.flagF)
        type |= kFlagF;
    if (t.flagE)
        type |= kFlagE;
    if (t.flagN)
        type |= kFlagN;
    return type;
}

void WriteDataFile(CByteWriter& out, const MeshFrame& frame)
{
    out.U16(frame.triangleCount);
    out.U16(frame.vertexCount);
    for (std::size_t i = 4; i < kDataHeaderBytes; ++i)
        out.U8(0);
    const auto vertexUV = [&](std::uint32_t index, bool u) -> std::uint8_t {
        // A corner that names no vertex has no coordinates of its own; it gets 0.
        if (index >= frame.vertices.size())
            return 0;
        return TextureByte(u ? frame.vertices[index].u : frame.vertices[index].v);
    };
    for (const FrameTriangle& t : frame.triangles) {
        out.U16(t.index0);
        out.U16(t.index1);
        out.U16(t.index2);
        out.U8(TypeByte(t));
        out.U8(t.cByte);
        // Frame assembly always gives per-vertex coordinates: each corner takes its vertex's u, v.
        for (const std::uint32_t corner : {t.index0, t.index1, t.index2}) {
            out.U8(vertexUV(corner, true));
            out.U8(vertexUV(corner, false));
        }
        out.U8(static_cast<std::uint8_t>(t.skinIndex));
        out.U8(t.xByte);
    }
}

// The frames' packed words, frame after frame built into one set of position arrays.
void WriteFrames(CByteWriter& out, const CMeshModel& model, std::int32_t count, const ScaleFactors& factors)
{
    FramePositions positions;
    for (std::int32_t i = 0; i < count; ++i) {
        model.BuildFramePositions(i, positions);
        for (std::size_t done = 0; done < positions.Count();) {
            const std::size_t room = out.Free() >= 4 ? out.Free() : out.Capacity();
            const std::size_t n = std::min(positions.Count() - done, room / 4);
            PackPositions(positions, done, n, factors, out.Room(4 * n));
            out.Commit(4 * n);
            done += n;
        }
    }
}

std::string WriteFailure(const std::string& path)
{
    return FormatLine("Error: Could not write output file: %s", path.c_str());
}

std::string NotAnAnimationFile(const std::string& path)
{
    return FormatLine("Error: %s is not a valid Unreal .3D animation file", path.c_str());
}

// The script composed for oldFrames frames before this run's, written to a temporary beside it.
std::unique_ptr<CTempFile> WriteScript(const ScriptJob& script, std::int64_t oldFrames, CFileSystem& fs,
                                       std::string& errorLine)
{
    std::string text;
    if (!script.compose(oldFrames, text, errorLine))
        return nullptr;
    auto temp = std::make_unique<CTempFile>(fs, fs.ResolveTarget(script.path));
    if (!temp->File() || !temp->File()->Write(text.data(), text.size()) || !temp->Finish()) {
        errorLine = WriteFailure(script.path);
        return nullptr;
    }
    return temp;
}

// Takes the file's lock, waiting for it while another run holds it. Where the file system has no
// locks the run goes ahead without one.
LockResult TakeLock(CFile& file, const std::string& path, CStatusLog& log)
{
    const LockResult result = file.Lock(false);
    if (result != LockResult::Busy)
        return result;
    log.ShowProgress(FormatLine("  Waiting for another conversion to finish with %s", path.c_str()));
    return file.Lock(true);
}

// Runs of this program that write into one folder take turns, for as long as they write. So while
// a run holds the folder's lock no other run is putting a file in place there, and names left by a
// run that was killed while it did can go: a file can only be put over an existing name by a
// rename from a name of its own, and a kill between the two steps leaves that name.
class CFolderTurn {
public:
    CFolderTurn(CFileSystem& fs, const std::string& nearPath, const std::string& what, CStatusLog& log)
        : folder_(fs.OpenFolder(nearPath))
    {
        if (folder_ && TakeLock(*folder_, what, log) == LockResult::Locked)
            for (const std::string& leftover : fs.Leftovers(nearPath))
                fs.Remove(leftover);
    }

private:
    std::unique_ptr<CFile> folder_;
};

bool WriteNewPair(const CMeshModel& model, const OutputNames& names, const ScaleFactors& factors,
                  CFileSystem& fs, CStatusLog& log, const ScriptJob* script, WriteResult& result,
                  std::string& errorLine)
{
    MeshFrame first;
    model.BuildFrame(0, first);

    const std::string dataTarget = fs.ResolveTarget(names.dataPath);
    const std::string animationTarget = fs.ResolveTarget(names.animationPath);
    CTempFile data(fs, dataTarget);
    if (!data.File()) {
        errorLine = WriteFailure(names.dataPath);
        return false;
    }
    {
        CByteWriter out(*data.File());
        WriteDataFile(out, first);
        if (!out.Drain() || !data.Finish()) {
            errorLine = WriteFailure(names.dataPath);
            return false;
        }
    }

    CTempFile animation(fs, animationTarget);
    if (!animation.File()) {
        errorLine = WriteFailure(names.animationPath);
        return false;
    }
    const std::int32_t n = model.GetFrameCount();
    {
        CByteWriter out(*animation.File());
        out.U16(static_cast<std::uint32_t>(n));
        out.U16(4u * first.vertexCount);
        first.Release();
        WriteFrames(out, model, n, factors);
        if (!out.Drain() || !animation.Finish()) {
            errorLine = WriteFailure(names.animationPath);
            return false;
        }
    }

    // An append to the animation file finishes before the file is replaced.
    const std::unique_ptr<CFile> replaced = fs.OpenRead(animationTarget);
    if (replaced)
        TakeLock(*replaced, names.animationPath, log);
    std::vector<CTempFile*> temps = {&data, &animation};
    std::vector<std::string> targets = {dataTarget, animationTarget};
    std::vector<std::string> paths = {names.dataPath, names.animationPath};
    std::unique_ptr<CTempFile> scriptFile;
    if (script) {
        scriptFile = WriteScript(*script, 0, fs, errorLine);
        if (!scriptFile)
            return false;
        temps.push_back(scriptFile.get());
        targets.push_back(fs.ResolveTarget(script->path));
        paths.push_back(script->path);
    }
    std::size_t failed = 0;
    if (!CommitFiles(fs, temps, targets, failed)) {
        errorLine = WriteFailure(paths[failed]);
        return false;
    }
    result.framesWritten = n;
    return true;
}

// Opens the animation file and takes its lock. A new pair may have replaced the file while this
// run waited: the lock then belongs to a file without a name, and the run opens the one that has it.
std::unique_ptr<CFile> OpenLocked(CFileSystem& fs, const std::string& path, CStatusLog& log)
{
    constexpr int kAttempts = 100;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        std::unique_ptr<CFile> file = fs.OpenReadWrite(path);
        if (!file)
            return nullptr;
        TakeLock(*file, path, log);
        const FileInfo held = file->Info(), named = fs.Stat(path);
        if (!held.exists || !named.exists || (held.device == named.device && held.inode == named.inode))
            return file;
    }
    return nullptr;
}

// Until the new count is written, a failure or an exception cuts the file back to its frames and
// puts the old count back; the count is the append's commit point.
class CAppendRollback {
public:
    CAppendRollback(CFile& file, std::uint64_t length, const std::uint8_t (&count)[2])
        : file_(file), length_(length), count_{count[0], count[1]}
    {
    }
    ~CAppendRollback()
    {
        if (committed_)
            return;
        if (file_.Seek(0))
            file_.Write(count_, sizeof count_);
        file_.Truncate(length_);
        file_.Flush();
    }
    void Commit() { committed_ = true; }

private:
    CFile& file_;
    std::uint64_t length_;
    std::uint8_t count_[2];
    bool committed_ = false;
};

bool Append(const CMeshModel& model, const OutputNames& names, const ScaleFactors& factors, CFileSystem& fs,
            CStatusLog& log, const ScriptJob* script, WriteResult& result, std::string& errorLine)
{
    const std::string& path = names.animationPath;
    const std::unique_ptr<CFile> file = OpenLocked(fs, path, log);
    if (!file) {
        errorLine = FormatLine("Error: Could not open Output file: %s", path.c_str());
        return false;
    }
    const std::uint64_t length = file->Length();
    AnimationHeader header;
    if (!ReadAnimationHeader(*file, header)) {
        errorLine = NotAnAnimationFile(path);
        return false;
    }
    const std::int64_t old = header.frameCount;
    const std::int64_t frameSize = header.frameSize;
    const std::uint64_t counted = kAnimationHeaderBytes + static_cast<std::uint64_t>(frameSize * old);
    if (length < counted) {
        errorLine = NotAnAnimationFile(path);
        return false;
    }
    const std::int32_t n = model.GetFrameCount();
    if (n > 0) {
        const std::uint64_t vertices = model.GetFrameShape(0).vertexCount;
        if (4 * vertices != static_cast<std::uint64_t>(frameSize)) {
            errorLine = FormatLine("Error: The new frames have %llu vertices, but the frames in %s have %lld",
                                   static_cast<unsigned long long>(vertices), path.c_str(),
                                   static_cast<long long>(frameSize / 4));
            return false;
        }
    }
    if (old + n > std::int64_t{kMaxFrames}) {
        errorLine = FormatLine("Error: Appending %d frame(s) to %lld would exceed the %u frames an Unreal "
                               ".3D model can hold",
                               n, static_cast<long long>(old), kMaxFrames);
        return false;
    }

    std::unique_ptr<CTempFile> scriptFile;
    if (script) {
        scriptFile = WriteScript(*script, old, fs, errorLine);
        if (!scriptFile)
            return false;
    }

    const std::uint8_t oldCount[2] = {static_cast<std::uint8_t>(old), static_cast<std::uint8_t>(old >> 8)};
    CAppendRollback rollback(*file, counted, oldCount);
    if (length > counted) {
        // Bytes after the last counted frame are what an append that never wrote its count left.
        if (!file->Truncate(counted)) {
            errorLine = WriteFailure(path);
            return false;
        }
        log.Append(FormatLine("Cut %llu bytes after the last frame of %s, left by an append that did not finish",
                              static_cast<unsigned long long>(length - counted), path.c_str()));
    }
    const std::int64_t total = old + (n > 0 ? n : 0);
    const std::uint8_t count[2] = {static_cast<std::uint8_t>(total), static_cast<std::uint8_t>(total >> 8)};
    CByteWriter out(*file);
    bool ok = file->Seek(counted);
    if (ok) {
        WriteFrames(out, model, n, factors);
        ok = out.Drain() && file->Flush();
    }
    ok = ok && file->Seek(0) && file->Write(count, sizeof count) && file->Flush();
    if (!ok) {
        errorLine = WriteFailure(path);
        return false;
    }
    std::size_t failed = 0;
    if (scriptFile && !CommitFiles(fs, {scriptFile.get()}, {fs.ResolveTarget(script->path)}, failed)) {
        errorLine = WriteFailure(script->path);
        return false;
    }
    rollback.Commit();
    result.framesWritten = n;
    result.totalFrames = static_cast<std::int32_t>(old + n);
    return true;
}

} // namespace

bool WriteMeshFiles(const CMeshModel& model, const OutputNames& names, bool append, const ScaleFactors& factors,
                    CFileSystem& fileSystem, CStatusLog& log, WriteResult& result, std::string& errorLine,
                    const ScriptJob* script)
{
    result = WriteResult{};
    const CFolderTurn turn(fileSystem, fileSystem.ResolveTarget(append ? names.animationPath : names.dataPath),
                           names.animationPath, log);
    return append ? Append(model, names, factors, fileSystem, log, script, result, errorLine)
                  : WriteNewPair(model, names, factors, fileSystem, log, script, result, errorLine);
}
