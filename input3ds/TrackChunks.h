// The keyframe tracks of an object node (0xB020 position, 0xB021 rotation, 0xB022 scale):
//   offset 0   u16  flags (ignored)      offset 2  8 bytes (ignored)
//   offset 10  u32  key count, of which the low 16 bits count
//   offset 14  the keys, back to back, each:
//     u32 frame number (the low 16 bits count), u16 key flags (ignored), then the value:
//     position and scale: x y z floats (18 bytes a key); rotation: angle, axis x y z (22 bytes).
// A key whose frame has no entry in the track is skipped.
#pragma once

#include "platform/ByteReader.h"
#include "scene/MeshRecords.h"

#include <cstddef>
#include <vector>

inline constexpr std::size_t kVectorKeyBytes = 18;
inline constexpr std::size_t kRotationKeyBytes = 22;

// Position keys hold the displacement from the frame 0 key, scale keys the ratio to it; frames
// between keys are interpolated linearly and frames after the last key hold its value.
void ReadVectorTrack(CByteReader keys, std::size_t keyCount, bool scale, std::vector<FrameVertex>& track);

// Each rotation key is its own turn (angle times axis) after the previous key: the track
// accumulates them, interpolates between keys and holds the last key's rotation after it.
void ReadRotationTrack(CByteReader keys, std::size_t keyCount, std::vector<FrameVertex>& track);
