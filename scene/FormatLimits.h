// What an Unreal vertex mesh can hold. Its frame count, its frame size (4 bytes a vertex) and its
// triangle count are 16-bit fields, and its corners are 16-bit indices.
#pragma once

#include <cstdint>

inline constexpr std::uint32_t kMaxFrames = 65535;
inline constexpr std::uint32_t kMaxVerticesPerFrame = 16383;
// The Deus Ex format's 8 bytes a vertex leave its 16-bit frame size room for this many.
inline constexpr std::uint32_t kMaxDeusExVertices = 8191;
inline constexpr std::uint32_t kMaxTriangles = 65535;
