// One mesh object of a loaded scene, with its three per-frame keyframe tracks.
#pragma once

#include "scene/MeshRecords.h"

#include <cstdint>
#include <string>
#include <vector>

struct Point3 {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
};

// A triangle as the scene holds it: exactly the values a .3DS face list and its material groups
// can give (16-bit corners, a skin digit, option bits and bytes) in 16 bytes. Frames widen it to a
// FrameTriangle. A large scene holds millions of these, and the load's time is mostly the time
// it takes to fill its memory.
struct MeshTriangle {
    std::uint16_t index0 = 0;
    std::uint16_t index1 = 0;
    std::uint16_t index2 = 0;
    std::uint8_t skinIndex = 0;
    std::uint8_t typeCode = 0;
    std::uint8_t flagW = 0;
    std::uint8_t flagB = 0;
    std::uint8_t flagF = 0;
    std::uint8_t flagE = 0;
    std::uint8_t flagN = 0;
    std::uint8_t xByte = 0;
    std::uint8_t cByte = 0;
};
static_assert(sizeof(MeshTriangle) == 16);

struct MeshObject {
    std::string name;
    std::uint32_t vertexCount = 0;
    std::vector<FrameVertex> vertices;   // as stored in the file; u, v 0 without mapping
    std::uint32_t triangleCount = 0;
    std::vector<MeshTriangle> triangles;  // indices refer to this object's vertices
    Point3 origin;                        // local axis origin; keyframe scale and rotation turn about it
    // Indexed by frame number, one entry per frame of the keyframe segment. Only x, y, z count.
    std::vector<FrameVertex> positionTrack; // displacement from frame 0; default (0, 0, 0)
    std::vector<FrameVertex> scaleTrack;    // scale per axis relative to frame 0; default (1, 1, 1)
    std::vector<FrameVertex> rotationTrack; // rotation vector (angle times axis); default (0, 0, 0)
};
