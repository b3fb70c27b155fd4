// A scene model whose frames are given directly, for tests of what consumes frames (range
// conversion, the writer) without a .3DS file in between. Counts the frames it builds.
#pragma once

#include "scene/MeshModel.h"

#include <atomic>
#include <cstdint>
#include <vector>

class CFrameModel final : public CMeshModel {
public:
    std::vector<MeshFrame> frames;
    mutable std::atomic<int> builds = 0; // the passes may build frames on several threads

    void BuildFrame(std::int32_t frameIndex, MeshFrame& frame) const override
    {
        ++builds;
        frame.Release();
        if (frameIndex >= 0 && static_cast<std::size_t>(frameIndex) < frames.size())
            frame = frames[static_cast<std::size_t>(frameIndex)];
    }
    int Load(CFile&) override { return 1; }
    std::int32_t GetFrameCount() const override { return static_cast<std::int32_t>(frames.size()); }

    // Adds a frame of these vertices (u, v zero) and no triangles.
    MeshFrame& AddFrame(const std::vector<FrameVertex>& vertices)
    {
        MeshFrame& frame = frames.emplace_back();
        frame.vertices = vertices;
        frame.vertexCount = static_cast<std::uint32_t>(vertices.size());
        return frame;
    }
};

// A vertex at (x, y, z) with texture coordinates (u, v).
inline FrameVertex At(float x, float y, float z, float u = 0.0f, float v = 0.0f)
{
    return FrameVertex{x, y, z, u, v};
}

inline void AddTriangle(MeshFrame& frame, const FrameTriangle& triangle)
{
    frame.triangles.push_back(triangle);
    frame.triangleCount = static_cast<std::uint32_t>(frame.triangles.size());
}
