#include "scene/Track.h"

#include <algorithm>

namespace {

// The first key after frame.
template <typename Key> typename std::vector<Key>::const_iterator KeyAfter(const std::vector<Key>& keys, std::uint64_t frame)
{
    return std::upper_bound(keys.begin(), keys.end(), frame,
                            [](std::uint64_t f, const Key& key) { return f < key.frame; });
}

// How far frame lies from the key at k towards the key at n, in single precision.
float Fraction(std::uint64_t frame, std::uint64_t k, std::uint64_t n)
{
    return static_cast<float>(frame - k) / static_cast<float>(n - k);
}

} // namespace

Vec3 TrackValue(const VectorTrack& track, const Vec3& rest, std::uint64_t frame)
{
    if (track.keys.empty())
        return rest;
    const auto next = KeyAfter(track.keys, frame);
    const VectorKey& key = *(next - 1); // frame 0 is keyed, so a key at or before frame exists
    if (key.frame == frame || next == track.keys.end())
        return key.value;
    const float t = Fraction(frame, key.frame, next->frame);
    const Vec3& a = key.value;
    const Vec3& b = next->value;
    return {a.x + t * (b.x - a.x), a.y + t * (b.y - a.y), a.z + t * (b.z - a.z)};
}

Vec3 TrackValue(const RotationTrack& track, std::uint64_t frame)
{
    if (frame == 0)
        return track.atFrame0;
    const auto next = KeyAfter(track.keys, frame);
    const bool keyed = next != track.keys.begin();
    const Vec3& total = keyed ? (next - 1)->total : track.atFrame0;
    const std::uint64_t k = keyed ? (next - 1)->frame : 0;
    if (k == frame || next == track.keys.end())
        return total;
    const float t = Fraction(frame, k, next->frame);
    return {total.x + t * next->turn.x, total.y + t * next->turn.y, total.z + t * next->turn.z};
}
