// The scene model interface: the run, the range conversion and the writer reach a loaded scene
// only through it. The import script also reads C3dsModel's objects in name order and its
// materials, to name its sequences and textures.
#pragma once

#include "scene/Frame.h"
#include "scene/MeshRecords.h"

#include <cstdint>

class CFile;

class CMeshModel {
public:
    // Fills frame with frame number frameIndex, replacing whatever it held: it is released first,
    // so one MeshFrame can take frame after frame and its arrays keep their storage. A frame
    // number out of range gives an empty frame.
    virtual void BuildFrame(std::int32_t frameIndex, MeshFrame& frame) const = 0;
    // Loads the scene in key-frame mode; 1 on success, 0 after a failure was reported.
    virtual int Load(CFile& file) = 0;
    virtual std::int32_t GetFrameCount() const = 0;
    virtual ~CMeshModel() = default;

    // Fills positions with the x, y, z of frame frameIndex's vertices, exactly as BuildFrame gives
    // them; out of range gives no positions. What a pass over the positions alone asks for.
    virtual void BuildFramePositions(std::int32_t frameIndex, FramePositions& positions) const;
    // The counts of frame frameIndex and its first corner that names no vertex of its own object.
    virtual FrameShape GetFrameShape(std::int32_t frameIndex) const;
};
