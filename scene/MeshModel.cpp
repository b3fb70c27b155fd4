#include "scene/MeshModel.h"

// A model that only builds whole frames: the positions and the shape are read off the frame, and
// each triangle's object is the whole frame.
void CMeshModel::BuildFramePositions(std::int32_t frameIndex, FramePositions& positions) const
{
    MeshFrame frame;
    BuildFrame(frameIndex, frame);
    positions.Resize(frame.vertices.size());
    for (std::size_t i = 0; i < frame.vertices.size(); ++i) {
        positions.x[i] = frame.vertices[i].x;
        positions.y[i] = frame.vertices[i].y;
        positions.z[i] = frame.vertices[i].z;
    }
}

FrameShape CMeshModel::GetFrameShape(std::int32_t frameIndex) const
{
    MeshFrame frame;
    BuildFrame(frameIndex, frame);
    FrameShape shape;
    shape.vertexCount = frame.vertices.size();
    shape.triangleCount = frame.triangles.size();
    for (const FrameTriangle& t : frame.triangles) {
        for (const std::uint32_t index : {t.index0, t.index1, t.index2}) {
            if (!shape.cornerOutside && index >= frame.vertices.size()) {
                shape.cornerOutside = true;
                shape.corner = index;
                shape.objectVertices = static_cast<std::uint32_t>(frame.vertices.size());
            }
        }
    }
    return shape;
}
