// The scene model interface: the rest of the system reaches a loaded scene only through it.
#pragma once

#include "scene/MeshRecords.h"

#include <cstdint>

class CFile;

class CMeshModel {
public:
    virtual ~CMeshModel() = default;
    // Fills `frame` (empty on entry) with frame number frameIndex; out of range gives an empty frame.
    virtual void BuildFrame(std::int32_t frameIndex, MeshFrame& frame) const = 0;
    // Loads the scene in key-frame mode; 1 on success, 0 after a failure was reported.
    virtual int Load(CFile& file) = 0;
    virtual std::int32_t GetFrameCount() const = 0;
    // Fills only the name and the vertices of frame frameIndex, with no triangles: what a pass
    // over the vertex positions reads. The vertex array keeps its storage between calls, so a
    // pass that builds frame after frame into one MeshFrame writes each vertex once.
    virtual void BuildFrameVertices(std::int32_t frameIndex, MeshFrame& frame) const
    {
        BuildFrame(frameIndex, frame);
    }
};
