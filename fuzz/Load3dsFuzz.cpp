// Fuzz target: arbitrary bytes through the whole conversion, in memory. The scene is loaded in
// both frame modes; every frame is built, the format limits and the scale are checked, and the
// model is written as a new pair and then appended to it. Each stage's invariants are asserted:
// a fault aborts with a message naming the broken one. The written pair is read back, and the
// input's two halves are also read as a (damaged) pair of their own.
#include "convert/OutputNames.h"
#include "convert/FormatCheck.h"
#include "convert/MeshFormat.h"
#include "convert/MeshWriter.h"
#include "convert/RangeConversion.h"
#include "input3ds/3dsModel.h"
#include "inspect/MeshInfo.h"
#include "inspect/Preview.h"
#include "tests/support/MemoryFile.h"
#include "tests/support/MemoryFileSystem.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

constexpr std::size_t kMaxInputBytes = 0x10000;
// Vertices times frames that one input may cost per pass; beyond it only a few frames are built
// and nothing is measured or written, so that a 65535-frame segment does not stall the search.
constexpr std::uint64_t kWorkBudget = std::uint64_t{1} << 20;

#define REQUIRE(condition)                                                                         \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: invariant broken: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)

bool IsLine(const std::string& line)
{
    return line.size() >= 2 && line.compare(line.size() - 2, 2, "\r\n") == 0;
}

// The two counts at the start of each file of a pair.
DataHeader DataHeaderOf(CMemoryFileSystem& fs, const OutputNames& names)
{
    DataHeader header;
    const std::unique_ptr<CFile> file = fs.OpenRead(names.dataPath);
    REQUIRE(file && ReadDataHeader(*file, header));
    return header;
}

AnimationHeader AnimationHeaderOf(CMemoryFileSystem& fs, const OutputNames& names)
{
    AnimationHeader header;
    const std::unique_ptr<CFile> file = fs.OpenRead(names.animationPath);
    REQUIRE(file && ReadAnimationHeader(*file, header));
    return header;
}

// A built frame is sized to its counts; with the limits checked, its corners name its vertices.
void CheckFrame(const MeshFrame& frame, bool cornersChecked)
{
    REQUIRE(frame.vertices.size() == frame.vertexCount);
    REQUIRE(frame.triangles.size() == frame.triangleCount);
    REQUIRE(frame.perVertexUV == 1);
    if (!cornersChecked)
        return;
    for (const FrameTriangle& t : frame.triangles) {
        REQUIRE(t.index0 < frame.vertexCount);
        REQUIRE(t.index1 < frame.vertexCount);
        REQUIRE(t.index2 < frame.vertexCount);
    }
}

// Opens, inspects and draws a pair; true when it was found sound.
bool ReadBack(CMemoryFileSystem& fs, const OutputNames& names)
{
    CMeshPair pair;
    std::string fault;
    if (!pair.Open(fs, names, fault)) {
        REQUIRE(fault.rfind("Error: ", 0) == 0 && fault.find('\n') == std::string::npos);
        return false;
    }
    MeshInfo info;
    REQUIRE(InspectMeshPair(pair, info, fault));
    REQUIRE(info.frames == pair.FrameCount() && info.vertices == pair.VertexCount());
    REQUIRE(info.frameSize == 4 * info.vertices);
    std::vector<std::uint8_t> frame;
    if (pair.FrameCount() > 0) {
        REQUIRE(pair.ReadFrames(pair.FrameCount() - 1, 1, frame));
        PreviewImage image;
        DrawFrame(pair.Triangles(), frame.data(), pair.VertexCount(), ViewAngles{}, 32, image);
        REQUIRE(image.pixels.size() == 32 * 32);
    }
    REQUIRE(!pair.ReadFrames(pair.FrameCount(), 1, frame));
    return true;
}

void WriteAndAppend(const C3dsModel& model, std::int32_t frameCount, const ScaleFactors& factors,
                    std::uint64_t frameBytes, const MeshFrame& first)
{
    CMemoryFileSystem fs;
    const OutputNames names{"out/model_d.3d", "out/model_a.3d"};
    WriteResult result;
    std::string error;
    CStatusLog quiet;
    // Memory never fails: a new pair is always written, with exactly the bytes its counts give.
    REQUIRE(WriteMeshFiles(model, names, false, factors, fs, quiet, result, error));
    REQUIRE(result.framesWritten == frameCount);
    REQUIRE(fs.Paths().size() == 2);
    REQUIRE(fs.Bytes(names.dataPath).size() == kDataHeaderBytes + kTriangleRecordBytes * first.triangleCount);
    const DataHeader data = DataHeaderOf(fs, names);
    REQUIRE(data.triangleCount == (first.triangleCount & 0xFFFFu));
    REQUIRE(data.vertexCount == (first.vertexCount & 0xFFFFu));
    const std::vector<std::uint8_t> animation = fs.Bytes(names.animationPath);
    REQUIRE(animation.size() == kAnimationHeaderBytes + frameBytes);
    const AnimationHeader header = AnimationHeaderOf(fs, names);
    REQUIRE(header.frameCount == (static_cast<std::uint32_t>(frameCount) & 0xFFFFu));
    REQUIRE(header.frameSize == ((4u * first.vertexCount) & 0xFFFFu));
    // Every frame has the header's frame size, or the file cannot be read back nor appended to.
    REQUIRE(animation.size() == kAnimationHeaderBytes + std::uint64_t{header.frameCount} * header.frameSize);
    REQUIRE(ReadBack(fs, names)); // what was written reads back sound

    // Appending the same frames: all or nothing.
    const bool ok = WriteMeshFiles(model, names, true, factors, fs, quiet, result, error);
    const auto& grown = fs.Bytes(names.animationPath);
    REQUIRE(fs.Paths().size() == 2);
    if (!ok) {
        REQUIRE(IsLine(error));
        REQUIRE(grown == animation);
        return;
    }
    REQUIRE(result.framesWritten == frameCount);
    REQUIRE(result.totalFrames == 2 * frameCount);
    REQUIRE(result.totalFrames <= 65535);
    REQUIRE(grown.size() == kAnimationHeaderBytes + 2 * frameBytes);
    REQUIRE(AnimationHeaderOf(fs, names).frameCount == static_cast<std::uint32_t>(2 * frameCount));
    // The frame size and the old frames stay; the new frames follow them.
    REQUIRE(std::equal(animation.begin() + 2, animation.end(), grown.begin() + 2));
    REQUIRE(std::equal(animation.begin() + kAnimationHeaderBytes, animation.end(),
                       grown.begin() + static_cast<std::ptrdiff_t>(animation.size())));
}

void Convert(const std::vector<std::uint8_t>& bytes, FrameMode frameMode, VertexMode mode)
{
    const bool byName = frameMode == FrameMode::ByObjectName;
    CRecordingView view;
    CStatusLog log(view);
    C3dsModel model(log);
    CMemoryFile file(bytes);
    if (!model.Load(file, frameMode)) {
        REQUIRE(IsLine(log.Text())); // a failed load always says why
        return;
    }
    const std::int32_t frameCount = model.GetFrameCount();
    REQUIRE(frameCount >= 0);
    REQUIRE(frameCount <= 65535 || byName);

    std::string limitLine;
    const bool withinLimits = CheckFormatLimits(model, false, limitLine);
    REQUIRE(withinLimits || IsLine(limitLine));

    MeshFrame frame;
    model.BuildFrame(-1, frame);
    REQUIRE(frame.vertices.empty() && frame.triangles.empty());
    model.BuildFrame(frameCount, frame);
    REQUIRE(frame.vertices.empty() && frame.triangles.empty());

    MeshFrame first;
    model.BuildFrame(0, first);
    CheckFrame(first, withinLimits);

    // In key-frame mode every frame combines the same objects: the limit check of frame 0 holds
    // for all of them. In name order each frame is another object, and only frame 0 is checked.
    std::uint64_t work = 0;
    for (const MeshObject& object : model.Objects())
        work += object.vertices.size() + object.triangles.size();
    if (!byName)
        work *= static_cast<std::uint64_t>(frameCount);
    const bool affordable = work <= kWorkBudget;

    std::uint64_t frameBytes = 0;
    for (std::int32_t i = 0; i < frameCount; ++i) {
        if (!affordable && i > 1 && i != frameCount / 2 && i != frameCount - 1)
            continue;
        model.BuildFrame(i, frame);
        CheckFrame(frame, withinLimits && (!byName || i == 0));
        if (!byName) {
            REQUIRE(frame.vertexCount == first.vertexCount);
            REQUIRE(frame.triangleCount == first.triangleCount);
        }
        frameBytes += std::uint64_t{4} * frame.vertexCount;
        frame.Release();
    }
    if (!withinLimits || !affordable)
        return;

    const Extents extents = MeasureExtents(model, frameCount);
    REQUIRE(extents.mx >= 0.0 && extents.my >= 0.0 && extents.mz >= 0.0);
    ScaleFactors factors;
    if (mode != VertexMode::ClipBounds) {
        std::string scaleLine;
        factors = ComputeScaleFactors(extents, mode, false, scaleLine);
        REQUIRE(IsLine(scaleLine));
        for (const double f : {factors.sx, factors.sy, factors.sz})
            REQUIRE(f >= 0.0 && f <= 1.0);
    }
    WriteAndAppend(model, frameCount, factors, frameBytes, first);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > kMaxInputBytes)
        return 0;
    const std::vector<std::uint8_t> bytes(data, data + size);
    // The vertex mode follows from the input, so that each input keeps one meaning.
    const auto mode = static_cast<VertexMode>(size % 3);
    Convert(bytes, FrameMode::ByKeyFrame, mode);
    Convert(bytes, FrameMode::ByObjectName, mode);

    CMemoryFileSystem fs;
    const OutputNames names{"in/pair_d.3d", "in/pair_a.3d"};
    fs.Put(names.dataPath, std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(size / 2)));
    fs.Put(names.animationPath, std::vector<std::uint8_t>(bytes.begin() + static_cast<std::ptrdiff_t>(size / 2), bytes.end()));
    ReadBack(fs, names);
    return 0;
}
