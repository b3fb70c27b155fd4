#include "input3ds/TrackChunks.h"

#include <algorithm>
#include <utility>

// A key's frame number and flags and the spline floats its flags announce.
bool ReadKeyHead(CByteReader& keys, std::uint32_t& frame, KeySpline& spline)
{
    std::uint16_t flags = 0;
    if (!keys.ReadU32(frame) || !keys.ReadU16(flags))
        return false;
    float* const fields[] = {&spline.tension, &spline.continuity, &spline.bias, &spline.easeTo, &spline.easeFrom};
    for (unsigned bit = 0; bit < 5; ++bit) {
        if ((flags & (1u << bit)) != 0 && !keys.ReadF32(*fields[bit]))
            return false;
    }
    return true;
}


std::size_t ReadVectorTrack(CByteReader keys, std::size_t keyCount, bool scale, std::uint64_t frames, VectorTrack& track)
{
    const float rest = scale ? 1.0f : 0.0f;
    Vec3 reference{rest, rest, rest};
    std::vector<VectorKey> read{VectorKey{0, reference, KeySpline{}}};
    std::size_t i = 0;
    for (; i < keyCount; ++i) {
        std::uint32_t frame = 0;
        KeySpline spline;
        Vec3 value;
        if (!ReadKeyHead(keys, frame, spline) || !keys.ReadF32(value.x) || !keys.ReadF32(value.y) ||
            !keys.ReadF32(value.z))
            break;
        const std::uint32_t f = frame & 0xFFFFu;
        if (f >= frames)
            continue;
        if (f == 0) {
            reference = value;
            read.push_back(VectorKey{0, Vec3{rest, rest, rest}, spline});
        } else if (scale) {
            read.push_back(
                VectorKey{f, Vec3{value.x / reference.x, value.y / reference.y, value.z / reference.z}, spline});
        } else {
            read.push_back(
                VectorKey{f, Vec3{value.x - reference.x, value.y - reference.y, value.z - reference.z}, spline});
        }
    }
    track.keys = InFrameOrder(std::move(read));
    return i;
}

std::size_t ReadRotationTrack(CByteReader keys, std::size_t keyCount, std::uint64_t frames, RotationTrack& track)
{
    std::vector<RotationKey> read;
    std::size_t i = 0;
    for (; i < keyCount; ++i) {
        std::uint32_t frame = 0;
        KeySpline spline;
        float angle = 0.0f, ax = 0.0f, ay = 0.0f, az = 0.0f;
        if (!ReadKeyHead(keys, frame, spline) || !keys.ReadF32(angle) || !keys.ReadF32(ax) || !keys.ReadF32(ay) ||
            !keys.ReadF32(az))
            break;
        const std::uint32_t f = frame & 0xFFFFu;
        if (f >= frames)
            continue;
        if (f == 0)
            angle = 0.0f;
        const Vec3 turn{angle * ax, angle * ay, angle * az};
        if (f == 0) {
            track.atFrame0 = turn;
            track.atFrame0Spline = spline;
        } else {
            read.push_back(RotationKey{f, turn, Vec3{}, spline});
        }
    }
    track.keys = InFrameOrder(std::move(read));
    // The turns accumulate from key to key.
    Vec3 total = track.atFrame0;
    for (RotationKey& key : track.keys) {
        total = Vec3{total.x + key.turn.x, total.y + key.turn.y, total.z + key.turn.z};
        key.total = total;
    }
    return i;
}
