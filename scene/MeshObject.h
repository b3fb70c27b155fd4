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

struct MeshObject {
    std::string name;
    std::uint32_t vertexCount = 0;
    std::vector<FrameVertex> vertices;   // as stored in the file; u, v 0 without mapping
    std::uint32_t triangleCount = 0;
    std::vector<FrameTriangle> triangles; // indices refer to this object's vertices
    Point3 origin;                        // local axis origin; keyframe scale and rotation turn about it
    // Indexed by frame number, one entry per frame of the keyframe segment. Only x, y, z count.
    std::vector<FrameVertex> positionTrack; // displacement from frame 0; default (0, 0, 0)
    std::vector<FrameVertex> scaleTrack;    // scale per axis relative to frame 0; default (1, 1, 1)
    std::vector<FrameVertex> rotationTrack; // rotation vector (angle times axis); default (0, 0, 0)
};
