#include "input3ds/TrackChunks.h"

#include <algorithm>
#include <utility>

namespace {

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

} // namespace

void ReadVectorTrack(CByteReader keys, std::size_t keyCount, bool scale, std::uint64_t frames, VectorTrack& track)
{
    const float rest = scale ? 1.0f : 0.0f;
    Vec3 reference{rest, rest, rest};
    std::vector<VectorKey> read{VectorKey{0, reference}};
    for (std::size_t i = 0; i < keyCount; ++i) {
        std::uint32_t frame = 0;
        Vec3 value;
        if (!keys.ReadU32(frame) || !keys.Skip(2) || !keys.ReadF32(value.x) || !keys.ReadF32(value.y) ||
            !keys.ReadF32(value.z))
            break;
        const std::uint32_t f = frame & 0xFFFFu;
        if (f >= frames)
            continue;
        if (f == 0) {
            reference = value;
            read.push_back(VectorKey{0, Vec3{rest, rest, rest}});
        } else if (scale) {
            read.push_back(VectorKey{f, Vec3{value.x / reference.x, value.y / reference.y, value.z / reference.z}});
        } else {
            read.push_back(VectorKey{f, Vec3{value.x - reference.x, value.y - reference.y, value.z - reference.z}});
        }
    }
    track.keys = InFrameOrder(std::move(read));
}

void ReadRotationTrack(CByteReader keys, std::size_t keyCount, std::uint64_t frames, RotationTrack& track)
{
    std::vector<RotationKey> read;
    for (std::size_t i = 0; i < keyCount; ++i) {
        std::uint32_t frame = 0;
        float angle = 0.0f, ax = 0.0f, ay = 0.0f, az = 0.0f;
        if (!keys.ReadU32(frame) || !keys.Skip(2) || !keys.ReadF32(angle) || !keys.ReadF32(ax) ||
            !keys.ReadF32(ay) || !keys.ReadF32(az))
            break;
        const std::uint32_t f = frame & 0xFFFFu;
        if (f >= frames)
            continue;
        if (f == 0)
            angle = 0.0f;
        const Vec3 turn{angle * ax, angle * ay, angle * az};
        if (f == 0)
            track.atFrame0 = turn;
        else
            read.push_back(RotationKey{f, turn, Vec3{}});
    }
    track.keys = InFrameOrder(std::move(read));
    // The turns accumulate from key to key.
    Vec3 total = track.atFrame0;
    for (RotationKey& key : track.keys) {
        total = Vec3{total.x + key.turn.x, total.y + key.turn.y, total.z + key.turn.z};
        key.total = total;
    }
}
