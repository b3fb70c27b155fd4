#include "convert/MeshWriter.h"

#include "convert/Conversion.h"
#include "convert/VertexPacking.h"
#include "platform/ByteWriter.h"
#include "platform/FileCommit.h"
#include "platform/StatusLine.h"
#include "scene/FormatLimits.h"
#include "scene/MeshModel.h"

#include <algorithm>
#include <vector>

namespace {

constexpr std::size_t kDataHeaderBytes = 48;
constexpr std::size_t kAnimationHeaderBytes = 4;

std::uint8_t TypeByte(const FrameTriangle& t)
{
    std::uint8_t type = t.typeCode;
    if (t.flagW)
        type |= 0x08;
    if (t.flagB)
        type |= 0x10;
    if (t.flagF)
        type |= 0x20;
    if (t.flagE)
        type |= 0x40;
    if (t.flagN)
        type |= 0x80;
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
        if (frame.perVertexUV) {
            for (const std::uint32_t corner : {t.index0, t.index1, t.index2}) {
                out.U8(vertexUV(corner, true));
                out.U8(vertexUV(corner, false));
            }
        } else {
            for (const float value : {t.mapU0, t.mapV0, t.mapU1, t.mapV1, t.mapU2, t.mapV2})
                out.U8(TextureByte(value));
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

bool WriteNewPair(const CMeshModel& model, const OutputNames& names, const ScaleFactors& factors,
                  CFileSystem& fs, WriteResult& result, std::string& errorLine)
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

    std::size_t failed = 0;
    if (!CommitFiles(fs, {&data, &animation}, {dataTarget, animationTarget}, failed)) {
        errorLine = WriteFailure(failed == 0 ? names.dataPath : names.animationPath);
        return false;
    }
    result.framesWritten = n;
    return true;
}

bool Append(const CMeshModel& model, const OutputNames& names, const ScaleFactors& factors, CFileSystem& fs,
            WriteResult& result, std::string& errorLine)
{
    const std::string& path = names.animationPath;
    auto existing = fs.OpenReadWrite(path);
    if (!existing) {
        errorLine = FormatLine("Error: Could not open Output file: %s", path.c_str());
        return false;
    }
    const std::uint64_t length = existing->Length();
    std::uint8_t header[kAnimationHeaderBytes] = {};
    if (length < kAnimationHeaderBytes || !existing->Seek(0) ||
        existing->Read(header, sizeof header) != sizeof header) {
        errorLine = NotAnAnimationFile(path);
        return false;
    }
    const std::int64_t old = header[0] | header[1] << 8;
    const std::int64_t frameSize = header[2] | header[3] << 8;
    if (length != kAnimationHeaderBytes + static_cast<std::uint64_t>(frameSize * old)) {
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

    // The old frames are copied to a temporary file, the new ones written after them and the new
    // count set; only then does the temporary replace the file, which so is never half appended.
    const std::string target = fs.ResolveTarget(path);
    CTempFile grown(fs, target);
    if (!grown.File()) {
        errorLine = WriteFailure(path);
        return false;
    }
    CByteWriter out(*grown.File());
    const std::int64_t total = old + (n > 0 ? n : 0);
    out.U16(static_cast<std::uint32_t>(total));
    out.U16(static_cast<std::uint32_t>(frameSize));
    bool ok = out.Drain();
    std::vector<std::uint8_t> copy(out.Capacity());
    for (std::uint64_t left = length - kAnimationHeaderBytes; ok && left > 0;) {
        const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(left, copy.size()));
        ok = existing->Read(copy.data(), want) == want && grown.File()->Write(copy.data(), want);
        left -= want;
    }
    if (ok) {
        WriteFrames(out, model, n, factors);
        ok = out.Drain();
    }
    existing->Close();
    std::size_t failed = 0;
    if (!ok || !grown.Finish() || !CommitFiles(fs, {&grown}, {target}, failed)) {
        errorLine = WriteFailure(path);
        return false;
    }
    result.framesWritten = n;
    result.totalFrames = static_cast<std::int32_t>(old + n);
    return true;
}

} // namespace

bool WriteMeshFiles(const CMeshModel& model, const OutputNames& names, bool append, const ScaleFactors& factors,
                    CFileSystem& fileSystem, WriteResult& result, std::string& errorLine)
{
    result = WriteResult{};
    return append ? Append(model, names, factors, fileSystem, result, errorLine)
                  : WriteNewPair(model, names, factors, fileSystem, result, errorLine);
}
