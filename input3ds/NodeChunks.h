// The keyframer's facts that the exact animation needs, read beside the tracks when it is asked
// for. After each chunk's 6-byte header:
//   0xB009 current frame  u32: the frame the scene, and so every mesh, was saved at
//   0xB00A keyframe header u16 revision, the writer's name (zero-terminated), u32 length
//   0xB002 object node    container: one node
//   0xB010 node header    name, u16 flags, u16 flags, u16 parent: the parent's node id, 0xFFFF none
//   0xB011 instance name  a dummy's own name (its header names it "$$$DUMMY")
//   0xB013 pivot          x y z floats
//   0xB030 node id        u16; without one a node's id is its place among the nodes
//   0x80F0 parent name    the parent's name, in a node or a named object (Blender's exporter)
//   0xB020 0xB021 0xB022  the tracks (TrackChunks.h), here with every key kept as written
// Keys that are not finite are dropped, and spline settings that are not finite count as none.
#pragma once

#include "scene/SceneData.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

class CChunkSource;

inline constexpr std::uint16_t kChunkCurrentFrame = 0xB009;
inline constexpr std::uint16_t kChunkKeyframeHeader = 0xB00A;
inline constexpr std::uint16_t kChunkInstanceName = 0xB011;
inline constexpr std::uint16_t kChunkPivot = 0xB013;
inline constexpr std::uint16_t kChunkNodeId = 0xB030;
inline constexpr std::uint16_t kChunkParentName = 0x80F0;

class CNodeReader {
public:
    explicit CNodeReader(SceneAnimation& animation) : animation_(animation) {}

    static bool Reads(std::uint16_t id);
    // Reads chunk id at p (ending at end); objectName names the enclosing named object. Returns
    // the bytes the scene now stores for it.
    std::uint64_t Read(CChunkSource& source, std::uint16_t id, std::uint64_t p, std::uint64_t end,
                       const std::string& objectName);
    // After the walk: each node's mesh object (the first of its name) and the parents that named
    // objects give.
    void Finish(const std::vector<MeshObject>& objects);

private:
    AnimationNode* Current();

    SceneAnimation& animation_;
    bool inNode_ = false; // between an object node's start and the next
    std::vector<std::pair<std::string, std::string>> objectParents_; // object name, parent name
};
