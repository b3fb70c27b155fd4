// The Unreal vertex-mesh pair. Both files are flat little-endian records without padding.
//
// Data file ("_d.3d"), 48 + 16 × triangles bytes:
//   0  u16  triangle count          2  u16  vertex count
//   4  u16  0    6  u16  0    8  ten u32 zeros
//   48 one 16-byte record per triangle of frame 0:
//        0 u16 corner 0   2 u16 corner 1   4 u16 corner 2
//        6 u8 type: typeCode | 0x08 W | 0x10 B | 0x20 F | 0x40 E | 0x80 N
//        7 u8 cByte   8..13 u8 u, v of corners 0, 1, 2   14 u8 skinIndex   15 u8 xByte
// Animation file ("_a.3d"):
//   0  u16  frame count    2  u16  frame size = 4 × vertices (8 × vertices in the Deus Ex format)
//   4  frames, each one packed word per vertex (VertexPacking.h), or in the Deus Ex format four
//      s16 per vertex: x, y, z, 0
// Counts and indices beyond 16 bits keep their low 16 bits.
#pragma once

#include <cstddef>
#include <cstdint>

class CFile;

// The fixed sizes of the layout above, for the writer and for whatever reads the files back.
inline constexpr std::size_t kDataHeaderBytes = 48;
inline constexpr std::size_t kTriangleRecordBytes = 16;
inline constexpr std::size_t kAnimationHeaderBytes = 4;

// The two vertex formats of the animation file, told apart by frame size ÷ vertices: the
// standard packed word (X, Y in 1/8, Z in 1/4 unit steps) and the Deus Ex variant of four signed
// 16-bit words, x, y, z in 1/256 unit steps and a 0.
enum class VertexFormat { Standard, DeusEx };
constexpr std::size_t VertexBytes(VertexFormat format)
{
    return format == VertexFormat::DeusEx ? 8 : 4;
}
// "standard" or "Deus Ex".
const char* VertexFormatName(VertexFormat format);
// The format whose frames of vertices hold frameSize bytes; false when neither does. A frame of
// no vertices is the standard format's.
bool VertexFormatOf(std::uint64_t frameSize, std::uint64_t vertices, VertexFormat& format);

// The type byte of a triangle record: the polygon type in the low three bits, and above them one
// bit for each of the material's flag letters w, b, f, e, n.
inline constexpr std::uint8_t kPolygonTypeBits = 0x07;
inline constexpr std::uint8_t kPolygonNormal = 0;
inline constexpr std::uint8_t kPolygonTwoSided = 1;
inline constexpr std::uint8_t kPolygonTranslucent = 2;
inline constexpr std::uint8_t kPolygonMasked = 3;
inline constexpr std::uint8_t kPolygonModulated = 4;
inline constexpr std::uint8_t kFlagW = 0x08; // the weapon triangle
inline constexpr std::uint8_t kFlagB = 0x10;
inline constexpr std::uint8_t kFlagF = 0x20;
inline constexpr std::uint8_t kFlagE = 0x40;
inline constexpr std::uint8_t kFlagN = 0x80;

// The two counts at the start of each file.
struct DataHeader {
    std::uint16_t triangleCount = 0;
    std::uint16_t vertexCount = 0;
};
struct AnimationHeader {
    std::uint16_t frameCount = 0;
    std::uint16_t frameSize = 0;
};

// Read from the start of the file; false when it is shorter than its header or cannot be read.
bool ReadDataHeader(CFile& file, DataHeader& header);
bool ReadAnimationHeader(CFile& file, AnimationHeader& header);
