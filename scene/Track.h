// Keyframe tracks, held as their keys. A frame's value is worked out when the frame is built, in
// single precision, from the keys around it; an object without a track costs nothing per frame.
#pragma once

#include "scene/MeshRecords.h"

#include <cstdint>
#include <vector>

// A key's spline settings as 3D Studio keeps them: tension, continuity and bias shape the curve
// through the key, ease to and ease from slow the motion on arrival and on departure. A key that
// announces none keeps 0 in each. Frames do not use them yet: between two keys the value moves
// linearly.
struct KeySpline {
    float tension = 0.0f;
    float continuity = 0.0f;
    float bias = 0.0f;
    float easeTo = 0.0f;
    float easeFrom = 0.0f;
};

// A position or scale track. Its keys are in frame order, one per keyed frame, and frame 0 is
// always keyed, at the rest value: a position key holds the displacement from the frame 0 key, a
// scale key the ratio to it. Between two keys the value is interpolated linearly; after the last
// key it holds. Without keys the track is at rest in every frame.
struct VectorKey {
    std::uint32_t frame = 0;
    Vec3 value;
    KeySpline spline;
};

struct VectorTrack {
    std::vector<VectorKey> keys;
};

// A rotation track, as rotation vectors (angle times axis). Each key holds its own turn after the
// previous key; the track's value at a key is the sum of the turns up to it, starting from the
// value at frame 0. Between two keys, the turn of the next key is added in proportion; after the
// last key the value holds.
struct RotationKey {
    std::uint32_t frame = 0; // 1 or later
    Vec3 turn;
    Vec3 total;
    KeySpline spline;
};

struct RotationTrack {
    Vec3 atFrame0;
    KeySpline atFrame0Spline; // of the frame 0 key
    std::vector<RotationKey> keys;
};

Vec3 TrackValue(const VectorTrack& track, const Vec3& rest, std::uint64_t frame);
Vec3 TrackValue(const RotationTrack& track, std::uint64_t frame);
