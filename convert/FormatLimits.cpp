#include "convert/FormatLimits.h"

#include "scene/3dsModel.h"
#include "scene/StatusLine.h"

#include <vector>

bool CheckFormatLimits(const C3dsModel& model, std::int32_t frameCount, bool append, std::string& errorLine)
{
    // Frame 0 is one object in name order, or every object in key-frame mode.
    std::vector<const MeshObject*> frameZero;
    if (model.ByName()) {
        if (!model.SortedObjects().empty())
            frameZero.push_back(model.SortedObjects().front());
    } else {
        for (const MeshObject& object : model.Objects())
            frameZero.push_back(&object);
    }

    std::uint64_t vertices = 0, triangles = 0;
    for (const MeshObject* object : frameZero) {
        vertices += object->vertexCount;
        triangles += object->triangleCount;
    }
    if (vertices > kMaxVerticesPerFrame) {
        errorLine = FormatLine("Error: The model has %llu vertices per frame, more than the 16383 an Unreal .3D "
                               "model can hold\r\n",
                               static_cast<unsigned long long>(vertices));
        return false;
    }
    if (triangles > kMaxTriangles) {
        errorLine = FormatLine("Error: The model has %llu triangles, more than the 65535 an Unreal .3D model can "
                               "hold\r\n",
                               static_cast<unsigned long long>(triangles));
        return false;
    }
    for (const MeshObject* object : frameZero) {
        for (const MeshTriangle& t : object->triangles) {
            for (const std::uint32_t index : {t.index0, t.index1, t.index2}) {
                if (index >= object->vertexCount) {
                    errorLine = FormatLine("Error: A triangle refers to vertex %u, but its object has only %u "
                                           "vertices\r\n",
                                           index, object->vertexCount);
                    return false;
                }
            }
        }
    }
    if (!append && frameCount > kMaxFrameCount) {
        errorLine = FormatLine("Error: The model has %d frames, more than the 65535 an Unreal .3D model can "
                               "hold\r\n",
                               frameCount);
        return false;
    }
    return true;
}
