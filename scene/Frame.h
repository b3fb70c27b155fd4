// Frame assembly: one animation frame of the converted model, built on demand from the scene
// data. By object name frame N is a copy of the N-th object in name order; by key frame it is
// every object, in file order, moved to its keyframe pose for frame N and joined into one mesh.
// A frame number outside 0 .. FrameCount() - 1 gives an empty frame. Nothing is cached: each
// call builds the frame anew, and the scene data never changes.
#pragma once

#include "scene/ExactAnimation.h"
#include "scene/SceneData.h"

#include <cstdint>
#include <memory>

// The number of frames: one per object by name, one per frame of the keyframe segment by key.
std::int32_t FrameCount(const SceneData& scene);

// The part of a key-frame pose that is the same in every frame, from which key-frame assembly
// starts: every object's vertices relative to its origin, one array per axis, objects in file
// order, and the objects that have vertices at all (a scene may hold many that have none).
struct KeyFramePoints {
    FramePositions relative;
    std::vector<std::uint32_t> placed; // indices into the scene's objects
    // Set for the exact animation, which then places every object instead of its own tracks.
    std::shared_ptr<const ExactPlan> exact;
};
KeyFramePoints PrepareKeyFrames(const SceneData& scene);

// BuildFrame for the scene (CMeshModel::BuildFrame): frame frameIndex into frame. points is
// PrepareKeyFrames(scene); only key-frame assembly reads it.
void AssembleFrame(const SceneData& scene, const KeyFramePoints& points, std::int32_t frameIndex,
                   MeshFrame& frame);

// Fills positions with the x, y, z of frame frameIndex's vertices, exactly as AssembleFrame gives
// them: all that the passes over positions (the scale check, the animation writer) read.
void AssemblePositions(const SceneData& scene, const KeyFramePoints& points, std::int32_t frameIndex,
                       FramePositions& positions);

// The counts of a frame and its first corner that names no vertex of its own object, found
// without assembling the frame.
struct FrameShape {
    std::uint64_t vertexCount = 0;
    std::uint64_t triangleCount = 0;
    bool cornerOutside = false;
    std::uint32_t corner = 0;         // the index of that corner
    std::uint32_t objectVertices = 0; // the vertex count of its object
};
FrameShape MeasureFrameShape(const SceneData& scene, std::int32_t frameIndex);
