// The keyframer's nodes as a file stores them, kept for the exact animation: each node's place in
// the hierarchy, its pivot and its keys as written (whole values, spline settings included).
// Filled only when the exact animation is asked for.
#pragma once

#include "scene/MeshRecords.h"
#include "scene/Track.h"

#include <cstdint>
#include <string>
#include <vector>

struct NodeVectorKey {
    std::uint32_t frame = 0;
    Vec3 value;
    KeySpline spline;
};

// The key's angle in radians about its axis; 3D Studio writes each key as the turn after the
// previous key, Blender's exporter as the whole rotation.
struct NodeRotationKey {
    std::uint32_t frame = 0;
    float angle = 0.0f;
    Vec3 axis;
    KeySpline spline;
};

inline constexpr std::uint16_t kNoParent = 0xFFFF;

struct AnimationNode {
    std::string name;
    std::uint32_t id = 0;                   // its node id chunk, else its place among the nodes
    std::uint16_t parentIndex = kNoParent;  // the id of its parent node
    std::string parentName;                 // a parent named instead (index kNoParent)
    Vec3 pivot;
    std::int64_t object = -1;               // the mesh object it moves; -1: a dummy or a target
    std::vector<NodeVectorKey> position;    // frame order, one key a frame
    std::vector<NodeRotationKey> rotation;
    std::vector<NodeVectorKey> scale;
};

// How a file's rotation keys are meant.
enum class RotationKeys { Relative, Whole };

struct SceneAnimation {
    bool wanted = false;             // read the nodes (the exact animation was asked for)
    std::vector<AnimationNode> nodes; // file order
    std::string writer;              // the name in the keyframe header
    std::uint32_t storedFrame = 0;   // the frame the meshes were saved at
};

// Blender's exporter names itself in the keyframe header and writes whole rotations; every other
// writer, and a file without a header, is taken to write 3D Studio's relative turns.
RotationKeys RotationKeysOf(const SceneAnimation& animation);
