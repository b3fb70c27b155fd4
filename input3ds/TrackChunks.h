// The keyframe tracks of an object node (0xB020 position, 0xB021 rotation, 0xB022 scale). After
// the chunk's 6-byte header:
//   offset 0   u16  flags (ignored)      offset 2  8 bytes (ignored)
//   offset 10  u32  key count, of which the low 16 bits count
//   offset 14  the keys, back to back, each:
//     u32 frame number (the low 16 bits count), u16 key flags, then one float for each of the
//     flags' bits 0 to 4 that is set, in this order: tension, continuity, bias, ease to, ease
//     from; then the value: position and scale x y z floats, rotation angle and axis x y z.
//     A key without spline floats is 18 bytes (position, scale) or 22 bytes (rotation).
// A track chunk replaces the object's track of its kind. Keys at frame frames or later are
// skipped; of several keys at one frame the last counts.
#pragma once

#include "input3ds/ChunkIds.h"
#include "platform/ByteReader.h"
#include "scene/Track.h"

#include <cstddef>
#include <algorithm>
#include <cstdint>
#include <vector>

// From the chunk's start.
inline constexpr std::uint64_t kTrackKeyCountOffset = kChunkHeaderBytes + 10;
inline constexpr std::uint64_t kTrackKeysOffset = kChunkHeaderBytes + 14;

inline constexpr std::size_t kVectorKeyBytes = 18;
inline constexpr std::size_t kRotationKeyBytes = 22;
inline constexpr std::size_t kKeySplineBytes = 5 * 4; // every spline float announced

// Both read at most keyCount keys from keys (the bytes from the first key on) and return how many
// they read whole.
// Position keys become displacements from the frame 0 key, scale keys ratios to it (a frame 0 key
// sets the reference for the keys after it).
std::size_t ReadVectorTrack(CByteReader keys, std::size_t keyCount, bool scale, std::uint64_t frames,
                            VectorTrack& track);

// Each key's turn is its angle times its axis; a frame 0 key has no angle. Without a frame 0 key
// the track keeps its value at frame 0.
std::size_t ReadRotationTrack(CByteReader keys, std::size_t keyCount, std::uint64_t frames, RotationTrack& track);

// A key's frame number and flags and the spline floats its flags announce.
bool ReadKeyHead(CByteReader& keys, std::uint32_t& frame, KeySpline& spline);

// Keys in file order become keys in frame order, the last of several at one frame counting.
template <typename Key> std::vector<Key> InFrameOrder(std::vector<Key> keys)
{
    std::stable_sort(keys.begin(), keys.end(), [](const Key& a, const Key& b) { return a.frame < b.frame; });
    std::vector<Key> unique;
    for (const Key& key : keys) {
        if (!unique.empty() && unique.back().frame == key.frame)
            unique.back() = key;
        else
            unique.push_back(key);
    }
    return unique;
}
