// The .3DS chunks the reader handles. Every chunk starts with a 6-byte header, little-endian:
//   offset 0  u16  identifier
//   offset 2  u32  length of the whole chunk, header included
// A container's content is a run of sub-chunks, after a fixed part for some identifiers.
#pragma once

#include <cstdint>

inline constexpr std::uint16_t kChunkMain = 0x4D4D;          // the whole file
inline constexpr std::uint16_t kChunkMeshData = 0x3D3D;      // container
inline constexpr std::uint16_t kChunkNamedObject = 0x4000;   // name, then sub-chunks
inline constexpr std::uint16_t kChunkTriangleMesh = 0x4100;  // container: one mesh object
inline constexpr std::uint16_t kChunkPointList = 0x4110;     // u16 count, x y z floats
inline constexpr std::uint16_t kChunkFaceList = 0x4120;      // u16 count, faces of 4 u16, groups
inline constexpr std::uint16_t kChunkFaceMaterial = 0x4130;  // name, u16 count, u16 face indices
inline constexpr std::uint16_t kChunkMapping = 0x4140;       // u16 count, u v floats
inline constexpr std::uint16_t kChunkMeshMatrix = 0x4160;    // 12 floats; the last 3 the origin
inline constexpr std::uint16_t kChunkMaterial = 0xAFFF;      // container: one material
inline constexpr std::uint16_t kChunkMaterialName = 0xA000;  // the material's name
inline constexpr std::uint16_t kChunkTextureMap = 0xA200;    // container: the first texture map
inline constexpr std::uint16_t kChunkMapFile = 0xA300;       // the map's file name
inline constexpr std::uint16_t kChunkKeyframeData = 0xB000;  // container
inline constexpr std::uint16_t kChunkObjectNode = 0xB002;    // container
inline constexpr std::uint16_t kChunkSegment = 0xB008;       // u32 first frame, u32 last frame
inline constexpr std::uint16_t kChunkNodeHeader = 0xB010;    // node name, then ignored fields
inline constexpr std::uint16_t kChunkPositionTrack = 0xB020; // track header, keys
inline constexpr std::uint16_t kChunkRotationTrack = 0xB021;
inline constexpr std::uint16_t kChunkScaleTrack = 0xB022;

inline constexpr std::uint64_t kChunkHeaderBytes = 6;
