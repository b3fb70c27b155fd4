// Generated .3DS scenes of any size, for the tests, the benchmarks and the fuzz corpus.
//
// A scene holds objectCount named mesh objects "obj0000", "obj0001", ... of verticesPerObject
// vertices each, laid out as a wrapped grid whose 2 × V triangles (capped at 65535) join
// vertex k with k + 1, k + w and k + w + 1 (indices modulo V). Every object has a mesh matrix
// with its origin, optionally mapping coordinates and a "skin" material group over all its faces.
// With frames > 0 a keyframe segment 0 .. frames - 1 follows, with one node per object that holds
// position, rotation and scale keys at frames 0, keyEvery, 2 × keyEvery, ...
//
// All coordinates are sums of small binary fractions, so the bytes are the same on every machine.
// Objects are written one at a time: a scene of any size costs about one object's bytes of memory
// when it goes straight to a file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace scenegen {

struct SceneShape {
    std::uint32_t objectCount = 1;
    std::uint32_t verticesPerObject = 4; // at most 65535, the point list's 16-bit count
    bool mapping = true;        // 0x4140 mapping coordinates in every object
    bool skin = true;           // a "skin" material group over every face
    std::uint32_t frames = 0;   // 0: no keyframe data at all
    std::uint32_t keyEvery = 10;
    bool shuffled = false;      // objects written in a shuffled order instead of name order
    std::uint32_t seed = 1;     // order of the shuffle
};

// The skin material every generated face carries: skinIndex 1, typeCode 2, flagW, cByte 0x0F.
inline constexpr const char* kSkinMaterial = "Skin1TWc0f";

// The name of object i: "obj" and four or more decimal digits, so name order is number order.
std::string ObjectName(std::uint32_t index);

// The order in which the objects are written: object indices, a permutation of 0 .. N - 1.
std::vector<std::uint32_t> WriteOrder(const SceneShape& shape);

// Number of triangles of one object.
std::uint32_t TrianglesPerObject(std::uint32_t vertices);

// The whole scene in memory.
std::vector<std::uint8_t> GenerateScene(const SceneShape& shape);

// Writes the scene to path, object by object. Returns the file's size, or 0 on failure.
std::uint64_t WriteSceneFile(const SceneShape& shape, const std::string& path);

} // namespace scenegen
