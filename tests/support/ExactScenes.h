// Test-side scenes for the exact animation: keyframer nodes with ids, parents, pivots and keys
// that carry spline values, and boxes to move.
#pragma once

#include "scene/Track.h"
#include "tests/support/Chunk3ds.h"

#include <cstdint>
#include <string>
#include <vector>

namespace exactscenes {

using build3ds::Chunk;

// A key's frame and value (x y z, or angle and axis x y z); each non-zero spline value is
// announced by its flag bit.
struct Key {
    std::uint32_t frame;
    float value[4];
    KeySpline spline{};
};

Chunk Track(std::uint16_t id, const std::vector<Key>& keys, int values);

struct NodeSpec {
    std::string name;
    std::uint16_t id = 0;
    std::uint16_t parent = 0xFFFF;
    float pivot[3] = {0, 0, 0};
    std::vector<Key> position{{0, {0, 0, 0}}}, rotation{{0, {0, 0, 0, 1}}}, scale{{0, {1, 1, 1}}};
    std::string parentName = ""; // written as a parent-name chunk when not empty
};

Chunk Node(const NodeSpec& n);

// Eight points about (cx, cy, cz), its mesh matrix's origin.
Chunk Box(const std::string& name, float cx, float cy, float cz);

// The scene of the objects and nodes, frames 0 to frames - 1, stored at storedFrame, the keyframe
// header naming writer.
std::vector<std::uint8_t> SceneOf(const std::vector<Chunk>& objects, const std::vector<NodeSpec>& nodes,
                                  std::uint32_t frames, std::uint32_t storedFrame = 0,
                                  const std::string& writer = "MAXSCENE");

} // namespace exactscenes
