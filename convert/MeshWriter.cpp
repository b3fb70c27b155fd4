#include "convert/MeshWriter.h"

#include "convert/FramePipeline.h"
#include "convert/OutputNames.h"
#include "convert/VertexPacking.h"
#include "platform/ByteWriter.h"
#include "convert/PairCommit.h"
#include "platform/FileCommit.h"
#include "platform/StatusLine.h"
#include "scene/FormatLimits.h"
#include "scene/MeshModel.h"
#include "scene/StatusLog.h"

#include <algorithm>

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

std::string NotAnAnimationFile(const std::string& path)
{
    return FormatLine("Error: %s is not a valid Unreal .3D animation file", path.c_str());
}

} // namespace

bool WriteNewPair(const CMeshModel& model, const OutputNames& names, const ScaleFactors& factors, CFileSystem& fs,
                  CStatusLog& log, const std::vector<FinishedFile>& finished, WriteResult& result,
                  std::string& errorLine, std::chrono::milliseconds patience, VertexFormat format, unsigned threads)
{
    result = WriteResult{};
    MeshFrame first;
    model.BuildFrame(0, first);

    const std::string dataTarget = fs.ResolveTarget(names.dataPath);
    const std::string animationTarget = fs.ResolveTarget(names.animationPath);
    CTempFile data(fs, dataTarget);
    if (!data.File()) {
        errorLine = WriteFailure(fs, names.dataPath);
        return false;
    }
    {
        CByteWriter out(*data.File());
        WriteDataFile(out, first);
        if (!out.Drain() || !data.Finish()) {
            errorLine = WriteFailure(fs, names.dataPath);
            return false;
        }
    }

    CTempFile animation(fs, animationTarget);
    if (!animation.File()) {
        errorLine = WriteFailure(fs, names.animationPath);
        return false;
    }
    const std::int32_t n = model.GetFrameCount();
    {
        CByteWriter out(*animation.File());
        out.U16(static_cast<std::uint32_t>(n));
        out.U16(static_cast<std::uint32_t>(VertexBytes(format)) * first.vertexCount);
        first.Release();
        if (!WritePackedFrames(out, model, n, factors, format, threads) || !out.Drain() || !animation.Finish()) {
            errorLine = WriteFailure(fs, names.animationPath);
            return false;
        }
    }
    if (!CommitNewPair(fs, {&data, dataTarget, names.dataPath}, {&animation, animationTarget, names.animationPath},
                       finished, patience, log, errorLine))
        return false;
    result.framesWritten = n;
    return true;
}

bool OpenForAppend(const CMeshModel& model, const std::string& path, CFileSystem& fs, CStatusLog& log,
                   AppendTarget& target, std::string& errorLine, std::chrono::milliseconds patience,
                   VertexFormat format)
{
    errorLine.clear();
    target.file = OpenLocked(fs, path, patience, log, errorLine);
    if (!target.file) {
        if (errorLine.empty())
            errorLine = WithReason(FormatLine("Error: Could not open Output file: %s", path.c_str()), fs.LastFailure());
        return false;
    }
    target.path = path;
    target.length = target.file->Length();
    AnimationHeader header;
    if (!ReadAnimationHeader(*target.file, header)) {
        errorLine = NotAnAnimationFile(path);
        return false;
    }
    const std::int64_t old = header.frameCount;
    const std::int64_t frameSize = header.frameSize;
    target.oldFrames = old;
    target.counted = kAnimationHeaderBytes + static_cast<std::uint64_t>(frameSize * old);
    if (target.length < target.counted) {
        errorLine = NotAnAnimationFile(path);
        return false;
    }
    const std::int32_t n = model.GetFrameCount();
    target.format = format;
    if (n > 0) {
        const std::uint64_t vertices = model.GetFrameShape(0).vertexCount;
        const VertexFormat other = format == VertexFormat::DeusEx ? VertexFormat::Standard : VertexFormat::DeusEx;
        if (vertices > 0 && VertexBytes(other) * vertices == static_cast<std::uint64_t>(frameSize)) {
            errorLine = FormatLine("Error: The frames in %s are in the %s format (%zu bytes a vertex); the new "
                                   "frames, in the %s format (%zu bytes a vertex), cannot be appended to them",
                                   path.c_str(), VertexFormatName(other), VertexBytes(other), VertexFormatName(format),
                                   VertexBytes(format));
            return false;
        }
        if (VertexBytes(format) * vertices != static_cast<std::uint64_t>(frameSize)) {
            errorLine = FormatLine("Error: The new frames have %llu vertices, but the frames in %s have %lld",
                                   static_cast<unsigned long long>(vertices), path.c_str(),
                                   static_cast<long long>(frameSize / static_cast<std::int64_t>(VertexBytes(format))));
            return false;
        }
    }
    if (old + n > std::int64_t{kMaxFrames}) {
        errorLine = FormatLine("Error: Appending %d frame(s) to %lld would exceed the %u frames an Unreal "
                               ".3D model can hold",
                               n, static_cast<long long>(old), kMaxFrames);
        return false;
    }
    return true;
}

bool AppendFrames(const CMeshModel& model, AppendTarget& target, const ScaleFactors& factors, CFileSystem& fs,
                  CStatusLog& log, const std::vector<FinishedFile>& finished, WriteResult& result,
                  std::string& errorLine, unsigned threads)
{
    result = WriteResult{};
    CFile& file = *target.file;
    const std::string& path = target.path;
    std::vector<std::unique_ptr<CTempFile>> finishedFiles;
    if (!WriteAllFinished(fs, finished, finishedFiles, errorLine))
        return false;

    CAppendRollback rollback(file, target.counted, target.oldFrames);
    if (target.length > target.counted) {
        // Bytes after the last counted frame are what an append that never wrote its count left.
        if (!file.Truncate(target.counted)) {
            errorLine = WriteFailure(fs, path);
            return false;
        }
        log.Append(FormatLine("Cut %llu bytes after the last frame of %s, left by an append that did not finish",
                              static_cast<unsigned long long>(target.length - target.counted), path.c_str()));
    }
    const std::int32_t n = model.GetFrameCount();
    CByteWriter out(file);
    bool ok = file.Seek(target.counted);
    if (ok)
        ok = WritePackedFrames(out, model, n, factors, target.format, threads) && out.Drain() && file.Flush();
    if (!ok) {
        errorLine = WriteFailure(fs, path);
        return false;
    }
    const std::int64_t total = target.oldFrames + (n > 0 ? n : 0);
    if (!CommitAppend(fs, file, path, total, finishedFiles, finished, rollback, errorLine))
        return false;
    result.framesWritten = n;
    result.totalFrames = static_cast<std::int32_t>(target.oldFrames + n);
    return true;
}

bool WriteMeshFiles(const CMeshModel& model, const OutputNames& names, bool append, const ScaleFactors& factors,
                    CFileSystem& fileSystem, CStatusLog& log, WriteResult& result, std::string& errorLine,
                    unsigned threads)
{
    result = WriteResult{};
    CFolderTurn turn(fileSystem);
    if (!turn.Take(fileSystem.ResolveTarget(append ? names.animationPath : names.dataPath), names.animationPath,
                   kLockPatience, log, errorLine))
        return false;
    if (!append)
        return WriteNewPair(model, names, factors, fileSystem, log, {}, result, errorLine, kLockPatience,
                            VertexFormat::Standard, threads);
    AppendTarget target;
    return OpenForAppend(model, names.animationPath, fileSystem, log, target, errorLine) &&
           AppendFrames(model, target, factors, fileSystem, log, {}, result, errorLine, threads);
}
