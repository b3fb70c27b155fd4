#include "convert/MeshWriter.h"

#include "convert/Conversion.h"
#include "scene/FileLayer.h"
#include "scene/MeshModel.h"
#include "scene/StatusLine.h"
#include "scene/VectorClones.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr std::size_t kDataHeaderBytes = 48;
constexpr std::size_t kAnimationHeaderBytes = 4;
constexpr std::int64_t kMaxFrames = 65535;
constexpr std::size_t kBufferBytes = std::size_t{1} << 18; // stays in the second-level cache

// Little-endian output through one large buffer: fields are appended in file order.
class CByteWriter {
public:
    explicit CByteWriter(CFile& file) : file_(file), buffer_(kBufferBytes) {}

    void U8(std::uint8_t value)
    {
        if (used_ == buffer_.size())
            Drain();
        buffer_[used_++] = value;
    }
    void U16(std::uint32_t value)
    {
        U8(static_cast<std::uint8_t>(value));
        U8(static_cast<std::uint8_t>(value >> 8));
    }
    void U32(std::uint32_t value)
    {
        if (buffer_.size() - used_ < 4)
            Drain();
        std::uint8_t* at = buffer_.data() + used_;
        at[0] = static_cast<std::uint8_t>(value);
        at[1] = static_cast<std::uint8_t>(value >> 8);
        at[2] = static_cast<std::uint8_t>(value >> 16);
        at[3] = static_cast<std::uint8_t>(value >> 24);
        used_ += 4;
    }
    // Room for count more bytes (count at most the buffer's size), to be filled and committed.
    std::uint8_t* Room(std::size_t count)
    {
        if (buffer_.size() - used_ < count)
            Drain();
        return buffer_.data() + used_;
    }
    std::size_t Free() const { return buffer_.size() - used_; }
    std::size_t Capacity() const { return buffer_.size(); }
    void Commit(std::size_t count) { used_ += count; }
    // Hands the buffer to the file; false once any write has failed.
    bool Drain()
    {
        if (ok_ && used_ > 0)
            ok_ = file_.Write(buffer_.data(), used_);
        used_ = 0;
        return ok_;
    }

private:
    CFile& file_;
    std::vector<std::uint8_t> buffer_;
    std::size_t used_ = 0;
    bool ok_ = true;
};

// Packs one field: truncated toward zero, held to the field's range, low bits kept.
std::uint32_t PackField(double scaled, int bits)
{
    const std::int32_t largest = (1 << (bits - 1)) - 1;
    auto value = static_cast<std::int32_t>(scaled); // within -1024..1024: always fits
    if (value > largest)
        value = largest; // +128 lands one past the field; keep it at the far face
    return static_cast<std::uint32_t>(value) & ((1u << bits) - 1u);
}

void WriteTriangles(CByteWriter& out, const MeshFrame& frame)
{
    const auto vertexUV = [&](std::uint32_t index, bool u) -> std::uint8_t {
        // A corner that names no vertex has no coordinates of its own; it gets 0.
        if (index >= frame.vertices.size())
            return 0;
        return TextureByte(u ? frame.vertices[index].u : frame.vertices[index].v);
    };
    for (const FrameTriangle& t : frame.triangles) {
        out.U16(t.index0 & 0xFFFFu);
        out.U16(t.index1 & 0xFFFFu);
        out.U16(t.index2 & 0xFFFFu);
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
        out.U8(type);
        out.U8(t.cByte);
        if (frame.perVertexUV) {
            out.U8(vertexUV(t.index0, true));
            out.U8(vertexUV(t.index0, false));
            out.U8(vertexUV(t.index1, true));
            out.U8(vertexUV(t.index1, false));
            out.U8(vertexUV(t.index2, true));
            out.U8(vertexUV(t.index2, false));
        } else {
            out.U8(TextureByte(t.mapU0));
            out.U8(TextureByte(t.mapV0));
            out.U8(TextureByte(t.mapU1));
            out.U8(TextureByte(t.mapV1));
            out.U8(TextureByte(t.mapU2));
            out.U8(TextureByte(t.mapV2));
        }
        out.U8(static_cast<std::uint8_t>(t.skinIndex));
        out.U8(t.xByte);
    }
}

// Four vertices side by side. Every lane runs the operations of ScaleVertex and PackVertex in
// their order and precision, so each word is the one PackVertex(ScaleVertex(v)) gives.
typedef float Floats __attribute__((vector_size(16)));
typedef double Doubles __attribute__((vector_size(32)));
typedef std::int32_t Ints __attribute__((vector_size(16)));
// The vectors below are passed by value only inside this file, between inlined functions.
#pragma GCC diagnostic ignored "-Wpsabi"

inline __attribute__((always_inline)) Doubles Widened(const float* from)
{
    Floats lanes;
    std::memcpy(&lanes, from, sizeof lanes);
    return __builtin_convertvector(lanes, Doubles);
}

// x times the factor in double precision, rounded to single precision, clamped to the cube, in
// eighths, truncated toward zero and held to the 11-bit field.
inline __attribute__((always_inline)) Ints Eighths(const float* from, double factor)
{
    Floats x = __builtin_convertvector(Widened(from) * factor, Floats);
    x = x > 128.0f ? Floats{} + 128.0f : x;
    x = x >= -128.0f ? x : Floats{} - 128.0f;
    const Ints field = __builtin_convertvector(x * 8.0f, Ints);
    return (field > 1023 ? Ints{} + 1023 : field) & 0x7FF;
}

// z times the factor in double precision, clamped to the cube, in quarters, truncated toward zero
// and held to the 10-bit field.
inline __attribute__((always_inline)) Ints Quarters(const float* from, double factor)
{
    Doubles z = Widened(from) * factor;
    z = z > 128.0 ? Doubles{} + 128.0 : z;
    z = z >= -128.0 ? z : Doubles{} - 128.0;
    const Ints field = __builtin_convertvector(z * 4.0, Ints);
    return (field > 511 ? Ints{} + 511 : field) & 0x3FF;
}

// Packs count (a multiple of 4) vertices into words at out. Built twice, for processors with and
// without 256-bit vectors.
TARNEX_VECTOR_CLONES void PackWords(const FramePositions& positions, std::size_t first, std::size_t count,
                                    const ScaleFactors& f, std::uint8_t* out)
{
    for (std::size_t i = first; i < first + count; i += 4, out += 16) {
        const Ints words = Eighths(positions.x.data() + i, f.sx) | Eighths(positions.y.data() + i, f.sy) << 11 |
                           Quarters(positions.z.data() + i, f.sz) << 22;
        if constexpr (std::endian::native == std::endian::little) {
            std::memcpy(out, &words, sizeof words); // the lanes in memory are the words little-endian
        } else {
            for (int k = 0; k < 4; ++k) {
                const auto word = static_cast<std::uint32_t>(words[k]);
                out[4 * k] = static_cast<std::uint8_t>(word);
                out[4 * k + 1] = static_cast<std::uint8_t>(word >> 8);
                out[4 * k + 2] = static_cast<std::uint8_t>(word >> 16);
                out[4 * k + 3] = static_cast<std::uint8_t>(word >> 24);
            }
        }
    }
}

void WriteWords(CByteWriter& out, const FramePositions& positions, const ScaleFactors& factors)
{
    const std::size_t total = positions.Count();
    std::size_t done = 0;
    while (total - done >= 4) {
        const std::size_t room = out.Free() >= 16 ? out.Free() : out.Capacity();
        const std::size_t n = std::min((total - done) / 4, room / 16) * 4;
        PackWords(positions, done, n, factors, out.Room(16));
        out.Commit(4 * n);
        done += n;
    }
    for (; done < total; ++done) {
        const FrameVertex v{positions.x[done], positions.y[done], positions.z[done], 0.0f, 0.0f};
        out.U32(PackVertex(ScaleVertex(v, factors)));
    }
}

void WriteFrames(CByteWriter& out, const CMeshModel& model, std::int32_t count, const ScaleFactors& factors)
{
    // Only the positions are written: frame after frame is built into one set of arrays.
    FramePositions positions;
    for (std::int32_t i = 0; i < count; ++i) {
        model.BuildFramePositions(i, positions);
        WriteWords(out, positions, factors);
    }
}

// A temporary file beside its target, removed again unless it was committed.
struct TempFile {
    CFileSystem& fileSystem;
    std::string path;
    std::unique_ptr<CFile> file;

    TempFile(CFileSystem& fs, const std::string& target) : fileSystem(fs) { file = fs.CreateTemp(target, path); }
    ~TempFile()
    {
        if (file)
            file->Close();
        if (!path.empty())
            fileSystem.Remove(path);
    }
    bool Finish() { return file && file->Flush() && file->Close(); }
};

// Renames each temporary over its target, which keeps its permission bits. If a later rename
// fails, the targets renamed before it get their old files back, kept until then under a hard
// link. Where the file system has no hard links the rename goes ahead without that spare: each
// file is still replaced all at once.
bool Commit(CFileSystem& fs, std::vector<TempFile*> temps, const std::vector<std::string>& targets,
            std::size_t& failed)
{
    std::vector<std::string> backups(targets.size());
    bool ok = true;
    std::size_t done = 0;
    for (; ok && done < targets.size(); ++done) {
        const FileInfo existing = fs.Stat(targets[done]);
        if (existing.exists) {
            fs.SetMode(temps[done]->path, existing.mode);
            std::string reserve;
            auto placeholder = fs.CreateTemp(targets[done], reserve);
            const bool reserved = placeholder && placeholder->Close() && fs.Remove(reserve);
            if (!reserved) {
                if (placeholder)
                    fs.Remove(reserve);
                ok = false;
                break;
            }
            if (fs.Link(targets[done], reserve))
                backups[done] = reserve;
        }
        if (!fs.Rename(temps[done]->path, targets[done])) {
            ok = false;
            break;
        }
        temps[done]->path.clear(); // committed: nothing to remove
    }
    if (!ok) {
        failed = done;
        for (std::size_t i = 0; i < done; ++i) {
            if (!backups[i].empty()) {
                if (fs.Rename(backups[i], targets[i]))
                    backups[i].clear();
            } else {
                fs.Remove(targets[i]);
            }
        }
    }
    for (const std::string& backup : backups)
        if (!backup.empty())
            fs.Remove(backup);
    return ok;
}

std::string WriteFailure(const std::string& path)
{
    return FormatLine("Error: Could not write output file: %s\r\n", path.c_str());
}

bool WriteNewPair(const CMeshModel& model, const OutputNames& names, const ScaleFactors& factors,
                  CFileSystem& fs, WriteResult& result, std::string& errorLine)
{
    MeshFrame first;
    model.BuildFrame(0, first);

    const std::string dataTarget = fs.ResolveTarget(names.dataPath);
    const std::string animationTarget = fs.ResolveTarget(names.animationPath);
    TempFile data(fs, dataTarget);
    if (!data.file) {
        errorLine = WriteFailure(names.dataPath);
        return false;
    }
    {
        CByteWriter out(*data.file);
        out.U16(first.triangleCount & 0xFFFFu);
        out.U16(first.vertexCount & 0xFFFFu);
        for (std::size_t i = 4; i < kDataHeaderBytes; ++i)
            out.U8(0);
        WriteTriangles(out, first);
        if (!out.Drain() || !data.Finish()) {
            errorLine = WriteFailure(names.dataPath);
            return false;
        }
    }

    TempFile animation(fs, animationTarget);
    if (!animation.file) {
        errorLine = WriteFailure(names.animationPath);
        return false;
    }
    const std::int32_t n = model.GetFrameCount();
    {
        CByteWriter out(*animation.file);
        out.U16(static_cast<std::uint32_t>(n) & 0xFFFFu);
        out.U16((4u * first.vertexCount) & 0xFFFFu);
        first.Release();
        WriteFrames(out, model, n, factors);
        if (!out.Drain() || !animation.Finish()) {
            errorLine = WriteFailure(names.animationPath);
            return false;
        }
    }

    std::size_t failed = 0;
    if (!Commit(fs, {&data, &animation}, {dataTarget, animationTarget}, failed)) {
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
        errorLine = FormatLine("Error: Could not open Output file: %s\r\n", path.c_str());
        return false;
    }
    const std::uint64_t length = existing->Length();
    std::uint8_t header[kAnimationHeaderBytes] = {};
    if (length < kAnimationHeaderBytes || !existing->Seek(0) ||
        existing->Read(header, sizeof header) != sizeof header) {
        errorLine = FormatLine("Error: %s is not a valid Unreal .3D animation file\r\n", path.c_str());
        return false;
    }
    const std::int64_t old = header[0] | header[1] << 8;
    const std::int64_t frameSize = header[2] | header[3] << 8;
    if (length != kAnimationHeaderBytes + static_cast<std::uint64_t>(frameSize * old)) {
        errorLine = FormatLine("Error: %s is not a valid Unreal .3D animation file\r\n", path.c_str());
        return false;
    }
    const std::int32_t n = model.GetFrameCount();
    if (n > 0) {
        MeshFrame first;
        model.BuildFrame(0, first);
        if (std::int64_t{4} * first.vertexCount != frameSize) {
            errorLine = FormatLine("Error: The new frames have %u vertices, but the frames in %s have %lld\r\n",
                                   first.vertexCount, path.c_str(), static_cast<long long>(frameSize / 4));
            return false;
        }
    }
    if (old + n > kMaxFrames) {
        errorLine = FormatLine("Error: Appending %d frame(s) to %lld would exceed the 65535 frames an Unreal "
                               ".3D model can hold\r\n",
                               n, static_cast<long long>(old));
        return false;
    }

    // The old frames are copied to a temporary file, the new ones written after them and the new
    // count set; only then does the temporary replace the file, which so is never half appended.
    const std::string target = fs.ResolveTarget(path);
    TempFile grown(fs, target);
    if (!grown.file) {
        errorLine = WriteFailure(path);
        return false;
    }
    CByteWriter out(*grown.file);
    const std::int64_t total = old + (n > 0 ? n : 0);
    out.U16(static_cast<std::uint32_t>(total) & 0xFFFFu);
    out.U16(static_cast<std::uint32_t>(frameSize));
    bool ok = out.Drain();
    std::vector<std::uint8_t> copy(kBufferBytes);
    for (std::uint64_t left = length - kAnimationHeaderBytes; ok && left > 0;) {
        const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(left, copy.size()));
        ok = existing->Read(copy.data(), want) == want && grown.file->Write(copy.data(), want);
        left -= want;
    }
    if (ok) {
        WriteFrames(out, model, n, factors);
        ok = out.Drain();
    }
    existing->Close();
    std::size_t failed = 0;
    if (!ok || !grown.Finish() || !Commit(fs, {&grown}, {target}, failed)) {
        errorLine = WriteFailure(path);
        return false;
    }
    result.framesWritten = n;
    result.totalFrames = static_cast<std::int32_t>(old + n);
    return true;
}

} // namespace

std::uint32_t PackVertex(const ScaledVertex& vertex)
{
    const std::uint32_t x = PackField(static_cast<double>(vertex.x * 8.0f), 11);
    const std::uint32_t y = PackField(static_cast<double>(vertex.y * 8.0f), 11);
    const std::uint32_t z = PackField(vertex.z * 4.0, 10);
    return x | y << 11 | z << 22;
}

std::uint8_t TextureByte(float coordinate)
{
    const float scaled = coordinate * 256.0f;
    // Not a number, or beyond a 32-bit integer: no meaningful low bits, so 0.
    if (!(scaled > -2147483904.0f && scaled < 2147483648.0f))
        return 0;
    return static_cast<std::uint8_t>(static_cast<std::uint32_t>(static_cast<std::int32_t>(scaled)) & 0xFFu);
}

bool WriteMeshFiles(const CMeshModel& model, const OutputNames& names, bool append, const ScaleFactors& factors,
                    CFileSystem& fileSystem, WriteResult& result, std::string& errorLine)
{
    result = WriteResult{};
    return append ? Append(model, names, factors, fileSystem, result, errorLine)
                  : WriteNewPair(model, names, factors, fileSystem, result, errorLine);
}
