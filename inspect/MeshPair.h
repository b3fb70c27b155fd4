// Reading a converted pair back, as the engine will: the data file whole, the animation file a frame
// at a time. Safe for untrusted files: every count is checked against the bytes that hold it before
// it is used, and a pair whose lengths, frame size or corners disagree is refused with one line
// naming the first fault. Bytes after the last counted frame are no fault: an append writes its
// frames first and its new count last, and one that stopped between the two leaves them. The layout of both files is described in convert/MeshFormat.h.
#pragma once

#include "convert/MeshFormat.h"
#include "convert/OutputNames.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CFile;
class CFileSystem;

// One triangle record of the data file.
struct DataTriangle {
    std::uint16_t corners[3] = {0, 0, 0};
    std::uint8_t type = 0; // the polygon type and flags (kPolygonTypeBits, kFlagW, ...)
    std::uint8_t cByte = 0;
    std::uint8_t uv[6] = {0, 0, 0, 0, 0, 0};
    std::uint8_t texture = 0;
    std::uint8_t xByte = 0;
};

// The packed word (UnpackVertex) whose 4 bytes, little-endian, begin at bytes.
inline std::uint32_t WordAt(const std::uint8_t* bytes)
{
    return bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

class CMeshPair {
public:
    CMeshPair();
    ~CMeshPair();
    CMeshPair(const CMeshPair&) = delete;
    CMeshPair& operator=(const CMeshPair&) = delete;

    // Opens the pair and checks it; false with the fault's line (no line end) in fault.
    bool Open(CFileSystem& fileSystem, const OutputNames& names, std::string& fault);

    const OutputNames& Names() const { return names_; }
    std::uint32_t VertexCount() const { return vertexCount_; }
    std::uint32_t FrameCount() const { return frameCount_; }
    std::uint32_t FrameSize() const { return frameSize_; }
    // The frames' vertex format, from frame size ÷ vertices (4 or 8).
    VertexFormat Format() const { return format_; }
    // Bytes after the last counted frame: what an append that never wrote its new count left (the
    // pair reads as it was before that append, and the next append removes them).
    std::uint64_t UnfinishedAppendBytes() const { return unfinishedAppendBytes_; }
    const std::vector<DataTriangle>& Triangles() const { return triangles_; }

    // Reads the bytes of frames first .. first + count - 1: each frame VertexBytes(Format()) bytes
    // per vertex (StepsAt). False past the last frame or on a read failure.
    bool ReadFrames(std::uint32_t first, std::uint32_t count, std::vector<std::uint8_t>& bytes);

private:
    OutputNames names_;
    std::unique_ptr<CFile> animation_;
    std::uint32_t vertexCount_ = 0;
    std::uint32_t frameCount_ = 0;
    std::uint32_t frameSize_ = 0;
    VertexFormat format_ = VertexFormat::Standard;
    std::uint64_t unfinishedAppendBytes_ = 0;
    std::vector<DataTriangle> triangles_;
};
