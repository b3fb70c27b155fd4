#include "input3ds/TrackChunks.h"

#include <cstdint>

namespace {

// Fills every unkeyed entry: linear between two keyed frames, the last keyed entry after them.
void InterpolateTrack(std::vector<FrameVertex>& track, const std::vector<std::uint8_t>& keyed)
{
    std::size_t k = 0;
    for (std::size_t n = 1; n <= track.size(); ++n) {
        if (n < track.size() && !keyed[n])
            continue;
        for (std::size_t j = k + 1; j < n; ++j) {
            if (n == track.size()) {
                track[j].x = track[k].x;
                track[j].y = track[k].y;
                track[j].z = track[k].z;
                continue;
            }
            const float t = static_cast<float>(j - k) / static_cast<float>(n - k);
            track[j].x = track[k].x + t * (track[n].x - track[k].x);
            track[j].y = track[k].y + t * (track[n].y - track[k].y);
            track[j].z = track[k].z + t * (track[n].z - track[k].z);
        }
        k = n;
    }
}

} // namespace

void ReadVectorTrack(CByteReader keys, std::size_t keyCount, bool scale, std::vector<FrameVertex>& track)
{
    if (track.empty())
        return;
    const float rest = scale ? 1.0f : 0.0f;
    Vec3 reference{rest, rest, rest};
    std::vector<std::uint8_t> keyed(track.size(), 0);
    keyed[0] = 1;

    for (std::size_t i = 0; i < keyCount; ++i) {
        std::uint32_t frame = 0;
        Vec3 value;
        if (!keys.ReadU32(frame) || !keys.Skip(2) || !keys.ReadF32(value.x) || !keys.ReadF32(value.y) ||
            !keys.ReadF32(value.z))
            break;
        const std::uint32_t f = frame & 0xFFFFu;
        if (f >= track.size())
            continue;
        FrameVertex& entry = track[f];
        if (f == 0) {
            reference = value;
            entry.x = entry.y = entry.z = rest;
        } else if (scale) {
            entry.x = value.x / reference.x;
            entry.y = value.y / reference.y;
            entry.z = value.z / reference.z;
        } else {
            entry.x = value.x - reference.x;
            entry.y = value.y - reference.y;
            entry.z = value.z - reference.z;
        }
        keyed[f] = 1;
    }
    InterpolateTrack(track, keyed);
}

void ReadRotationTrack(CByteReader keys, std::size_t keyCount, std::vector<FrameVertex>& r)
{
    if (r.empty())
        return;
    std::vector<std::uint8_t> keyed(r.size(), 0);
    for (std::size_t i = 0; i < keyCount; ++i) {
        std::uint32_t frame = 0;
        float angle = 0.0f, ax = 0.0f, ay = 0.0f, az = 0.0f;
        if (!keys.ReadU32(frame) || !keys.Skip(2) || !keys.ReadF32(angle) || !keys.ReadF32(ax) ||
            !keys.ReadF32(ay) || !keys.ReadF32(az))
            break;
        const std::uint32_t f = frame & 0xFFFFu;
        if (f >= r.size())
            continue;
        keyed[f] = 1;
        if (f == 0)
            angle = 0.0f;
        r[f].x = angle * ax;
        r[f].y = angle * ay;
        r[f].z = angle * az;
    }

    // Accumulate from key to key; between two keys, the next key's own turn (not yet accumulated)
    // is added in proportion.
    keyed[0] = 1;
    std::vector<std::size_t> nextKeyed(r.size(), r.size());
    for (std::size_t j = r.size() - 1; j > 0; --j)
        nextKeyed[j - 1] = keyed[j] ? j : nextKeyed[j];
    std::size_t k = 0;
    for (std::size_t j = 1; j < r.size(); ++j) {
        if (keyed[j]) {
            r[j].x = r[k].x + r[j].x;
            r[j].y = r[k].y + r[j].y;
            r[j].z = r[k].z + r[j].z;
            k = j;
            continue;
        }
        const std::size_t next = nextKeyed[j];
        if (next < r.size()) {
            const float t = static_cast<float>(j - k) / static_cast<float>(next - k);
            r[j].x = r[k].x + t * r[next].x;
            r[j].y = r[k].y + t * r[next].y;
            r[j].z = r[k].z + t * r[next].z;
        } else {
            r[j].x = r[k].x;
            r[j].y = r[k].y;
            r[j].z = r[k].z;
        }
    }
}
