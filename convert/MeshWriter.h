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
//   0  u16  frame count    2  u16  frame size = 4 × vertices
//   4  frames, each one packed word per vertex (VertexPacking.h)
// Counts and indices beyond 16 bits keep their low 16 bits.
#pragma once

#include "convert/RangeConversion.h"

#include <cstdint>
#include <string>

class CMeshModel;
class CFileSystem;
struct OutputNames;

struct WriteResult {
    std::int32_t framesWritten = 0;
    std::int32_t totalFrames = 0; // when appending: old count + framesWritten
};

// Writes a new pair, or appends the frames to the existing animation file. Either way the
// targets change all at once or not at all: everything is written to temporary files in the
// targets' folders first and put in place at the end. On failure returns false with the status
// line in errorLine, and every file that existed is as it was.
bool WriteMeshFiles(const CMeshModel& model, const OutputNames& names, bool append,
                    const ScaleFactors& factors, CFileSystem& fileSystem, WriteResult& result,
                    std::string& errorLine);
