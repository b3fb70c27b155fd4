#include "inspect/MeshPair.h"

#include "convert/MeshFormat.h"
#include "convert/PairCommit.h"
#include "platform/ByteReader.h"
#include "platform/FileLayer.h"
#include "platform/StatusLine.h"

namespace {

// A fault line without its line end: the callers print it as they need.
template <typename... Args> std::string Fault(const char* format, Args... args)
{
    std::string line = FormatLine(format, args...);
    return line.substr(0, line.size() - std::string(kLineEnd).size());
}

bool ReadAt(CFile& file, std::uint64_t at, std::vector<std::uint8_t>& bytes)
{
    return file.Seek(at) && file.Read(bytes.data(), bytes.size()) == bytes.size();
}

} // namespace

CMeshPair::CMeshPair() = default;
CMeshPair::~CMeshPair() = default;

bool CMeshPair::Open(CFileSystem& fs, const OutputNames& names, std::string& fault)
{
    names_ = names;
    // A conversion stopped between the renames of its commit: the files on disk may be of two runs.
    if (!PendingCommit(fs, fs.ResolveTarget(names.dataPath)).empty()) {
        fault = Fault("Error: The pair %s is mid-commit: a conversion was stopped while putting it in place, and "
                      "the next conversion in its folder completes it",
                      names.dataPath.c_str());
        return false;
    }
    const std::unique_ptr<CFile> data = fs.OpenRead(names.dataPath);
    animation_ = fs.OpenRead(names.animationPath);
    if (!data || !animation_) {
        fault = Fault("Error: Could not open %s", (data ? names.animationPath : names.dataPath).c_str());
        return false;
    }
    DataHeader dataHeader;
    if (!ReadDataHeader(*data, dataHeader)) {
        fault = Fault("Error: %s is shorter than the header of a data file", names.dataPath.c_str());
        return false;
    }
    const std::uint16_t triangleCount = dataHeader.triangleCount;
    vertexCount_ = dataHeader.vertexCount;
    const std::uint64_t dataLength = data->Length();
    const std::uint64_t dataWanted = kDataHeaderBytes + kTriangleRecordBytes * triangleCount;
    if (dataLength != dataWanted) {
        fault = Fault("Error: %s holds %llu bytes, but its header gives %u triangles, %llu bytes",
                      names.dataPath.c_str(), static_cast<unsigned long long>(dataLength), triangleCount,
                      static_cast<unsigned long long>(dataWanted));
        return false;
    }

    AnimationHeader animationHeader;
    if (!ReadAnimationHeader(*animation_, animationHeader)) {
        fault = Fault("Error: %s is shorter than the header of an animation file", names.animationPath.c_str());
        return false;
    }
    const std::uint64_t animationLength = animation_->Length();
    const std::uint16_t frameCount = animationHeader.frameCount, frameSize = animationHeader.frameSize;
    frameCount_ = frameCount;
    frameSize_ = frameSize;
    const std::uint64_t animationWanted = kAnimationHeaderBytes + std::uint64_t{frameSize} * frameCount;
    if (animationLength < animationWanted) {
        fault = Fault("Error: %s holds %llu bytes, but its header gives %u frames of %u bytes, %llu bytes",
                      names.animationPath.c_str(), static_cast<unsigned long long>(animationLength), frameCount,
                      frameSize, static_cast<unsigned long long>(animationWanted));
        return false;
    }
    unfinishedAppendBytes_ = animationLength - animationWanted;
    if (!VertexFormatOf(frameSize_, vertexCount_, format_)) {
        fault = Fault("Error: The frames of %s are %u bytes, but %s gives %u vertices, %u bytes a frame (%u in the "
                      "Deus Ex format)",
                      names.animationPath.c_str(), frameSize_, names.dataPath.c_str(), vertexCount_, 4 * vertexCount_,
                      8 * vertexCount_);
        return false;
    }

    std::vector<std::uint8_t> records(kTriangleRecordBytes * triangleCount);
    if (!ReadAt(*data, kDataHeaderBytes, records)) {
        fault = Fault("Error: Could not read %s", names.dataPath.c_str());
        return false;
    }
    CByteReader reader(records);
    triangles_.assign(triangleCount, DataTriangle{});
    for (std::size_t t = 0; t < triangles_.size(); ++t) {
        DataTriangle& triangle = triangles_[t];
        for (std::uint16_t& corner : triangle.corners)
            reader.ReadU16(corner);
        for (std::uint8_t* byte :
             {&triangle.type, &triangle.cByte, triangle.uv, triangle.uv + 1, triangle.uv + 2, triangle.uv + 3,
              triangle.uv + 4, triangle.uv + 5, &triangle.texture, &triangle.xByte})
            reader.ReadU8(*byte);
        for (const std::uint16_t corner : triangle.corners) {
            if (corner >= vertexCount_) {
                fault = Fault("Error: Triangle %zu of %s names vertex %u, but the model has %u vertices", t,
                              names.dataPath.c_str(), corner, vertexCount_);
                return false;
            }
        }
    }
    return true;
}

bool CMeshPair::ReadFrames(std::uint32_t first, std::uint32_t count, std::vector<std::uint8_t>& bytes)
{
    if (first + std::uint64_t{count} > frameCount_) // summed in 64 bits, where it cannot wrap
        return false;
    bytes.resize(std::size_t{count} * frameSize_);
    return ReadAt(*animation_, kAnimationHeaderBytes + std::uint64_t{first} * frameSize_, bytes);
}
