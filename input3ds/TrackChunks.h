// The keyframe tracks of an object node (0xB020 position, 0xB021 rotation, 0xB022 scale):
//   offset 0   u16  flags (ignored)      offset 2  8 bytes (ignored)
//   offset 10  u32  key count, of which the low 16 bits count
//   offset 14  the keys, back to back, each:
//     u32 frame number (the low 16 bits count), u16 key flags (ignored), then the value:
//     position and scale: x y z floats (18 bytes a key); rotation: angle, axis x y z (22 bytes).
// A track chunk replaces the object's track of its kind. Keys at frame frames or later are
// skipped; of several keys at one frame the last counts.
#pragma once

#include "platform/ByteReader.h"
#include "scene/Track.h"

#include <cstddef>
#include <cstdint>

inline constexpr std::size_t kVectorKeyBytes = 18;
inline constexpr std::size_t kRotationKeyBytes = 22;

// Position keys become displacements from the frame 0 key, scale keys ratios to it (a frame 0 key
// sets the reference for the keys after it).
void ReadVectorTrack(CByteReader keys, std::size_t keyCount, bool scale, std::uint64_t frames, VectorTrack& track);

// Each key's turn is its angle times its axis; a frame 0 key has no angle. Without a frame 0 key
// the track keeps its value at frame 0.
void ReadRotationTrack(CByteReader keys, std::size_t keyCount, std::uint64_t frames, RotationTrack& track);
