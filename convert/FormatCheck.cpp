#include "convert/FormatCheck.h"

#include "platform/StatusLine.h"
#include "scene/FormatLimits.h"
#include "scene/MeshModel.h"

bool CheckFormatLimits(const CMeshModel& model, bool append, std::string& errorLine, VertexFormat format)
{
    const FrameShape shape = model.GetFrameShape(0);
    if (format == VertexFormat::DeusEx && shape.vertexCount > kMaxDeusExVertices) {
        errorLine = FormatLine("Error: The model has %llu vertices per frame, more than the %u the Deus Ex format "
                               "can hold (8 bytes a vertex in a 16-bit frame size)",
                               static_cast<unsigned long long>(shape.vertexCount), kMaxDeusExVertices);
        return false;
    }
    if (shape.vertexCount > kMaxVerticesPerFrame) {
        errorLine = FormatLine("Error: The model has %llu vertices per frame, more than the %u an Unreal .3D "
                               "model can hold",
                               static_cast<unsigned long long>(shape.vertexCount), kMaxVerticesPerFrame);
        return false;
    }
    if (shape.triangleCount > kMaxTriangles) {
        errorLine = FormatLine("Error: The model has %llu triangles, more than the %u an Unreal .3D model can hold",
                               static_cast<unsigned long long>(shape.triangleCount), kMaxTriangles);
        return false;
    }
    if (shape.cornerOutside) {
        errorLine = FormatLine("Error: A triangle refers to vertex %u, but its object has only %u vertices",
                               shape.corner, shape.objectVertices);
        return false;
    }
    const std::int32_t frameCount = model.GetFrameCount();
    if (!append && frameCount > static_cast<std::int32_t>(kMaxFrames)) {
        errorLine = FormatLine("Error: The model has %d frames, more than the %u an Unreal .3D model can hold",
                               frameCount, kMaxFrames);
        return false;
    }
    return true;
}
