// The data of one loaded scene: its mesh objects with their keyframe tracks, the frame count of
// its keyframe segment and, when frames are taken by object name, the objects' order by name.
#pragma once

#include "scene/AnimationNodes.h"
#include "scene/MeshRecords.h"
#include "scene/Track.h"

#include <cstdint>
#include <string>
#include <vector>

// What one frame of the converted model is: one mesh object, in the order of the objects'
// names, or every object at one keyframe of the scene's animation.
enum class FrameMode { ByObjectName, ByKeyFrame };

// The render options a triangle takes from the "skin" convention of its material's name.
struct TriangleOptions {
    std::uint8_t skinIndex = 0; // the digit after "skin", 0 to 9
    std::uint8_t typeCode = 0;  // 0, or 1 to 4 for the letters 2, t, m, o
    std::uint8_t flagW = 0, flagB = 0, flagF = 0, flagE = 0, flagN = 0; // the letters w, b, f, e, n
    std::uint8_t xByte = 0, cByte = 0; // "x" and "c" with two hexadecimal digits
};

// A triangle as the scene holds it: exactly the values a .3DS face list and its material groups
// can give (16-bit corners and the options) in 16 bytes. Frames widen it to a FrameTriangle. A
// large scene holds millions of these, and the load's time is mostly the time it takes to fill
// its memory.
struct MeshTriangle {
    std::uint16_t index0 = 0;
    std::uint16_t index1 = 0;
    std::uint16_t index2 = 0;
    TriangleOptions options;
    std::uint8_t skinNamed = 0; // 1 once a material group following the "skin" naming gave its options
};
static_assert(sizeof(MeshTriangle) == 16);

struct MeshObject {
    std::string name;
    std::uint32_t vertexCount = 0;
    std::vector<FrameVertex> vertices;   // as stored in the file; u, v 0 without mapping
    std::uint32_t triangleCount = 0;
    std::vector<MeshTriangle> triangles; // indices refer to this object's vertices
    // One per triangle once a material group outside the "skin" naming lists one of them: 1 + the
    // index in SceneData::groupMaterials of the material of the last such group that lists it, 0
    // for none (and for a triangle a "skin" group lists). Empty without such groups.
    std::vector<std::uint32_t> groupMaterial;
    Vec3 origin;                         // local axis origin; keyframe scale and rotation turn about it
    VectorTrack positionTrack;           // displacement from frame 0; at rest (0, 0, 0)
    VectorTrack scaleTrack;              // scale per axis relative to frame 0; at rest (1, 1, 1)
    RotationTrack rotationTrack;         // rotation vector (angle times axis); (0, 0, 0) without keys
};

// A material of the scene's library: its name and the file name of its first texture map.
struct Material {
    std::string name;
    std::string textureMap; // empty without a map
};

// Moves keep the objects where they are, so sortedObjects stays valid; copies are not allowed.
struct SceneData {
    FrameMode frameMode = FrameMode::ByKeyFrame;
    std::uint32_t firstFrame = 0;               // the keyframe segment's first scene frame
    std::uint32_t frameCount = 1;               // frames of the keyframe segment
    std::vector<MeshObject> objects;            // in file order
    std::vector<const MeshObject*> sortedObjects; // by name; filled in by-name mode only
    std::vector<Material> materials;            // in file order
    std::vector<std::string> groupMaterials;    // names of groups outside the "skin" naming, first seen first
    SceneAnimation animation;                   // the keyframer's nodes, for the exact animation

    SceneData() = default;
    SceneData(SceneData&&) = default;
    SceneData& operator=(SceneData&&) = default;
    SceneData(const SceneData&) = delete;
    SceneData& operator=(const SceneData&) = delete;
};
