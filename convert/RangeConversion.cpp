#include "convert/RangeConversion.h"

#include "scene/MeshModel.h"
#include "scene/StatusLine.h"

namespace {

constexpr double kCubeFace = 128.0;

void Widen(double& extent, float coordinate)
{
    const float magnitude = coordinate < 0.0f ? coordinate * -1.0f : coordinate;
    if (static_cast<double>(magnitude) > extent) // never true for a coordinate that is not a number
        extent = magnitude;
}

template <typename T> T Clamp(T value)
{
    if (value > static_cast<T>(kCubeFace))
        value = static_cast<T>(kCubeFace);
    if (!(value >= static_cast<T>(-kCubeFace))) // also catches a value that is not a number
        value = static_cast<T>(-kCubeFace);
    return value;
}

} // namespace

Extents MeasureExtents(const CMeshModel& model, std::int32_t frameCount)
{
    Extents extents;
    MeshFrame frame;
    for (std::int32_t i = 0; i < frameCount; ++i) {
        model.BuildFrame(i, frame);
        for (const FrameVertex& v : frame.vertices) {
            Widen(extents.mx, v.x);
            Widen(extents.my, v.y);
            Widen(extents.mz, v.z);
        }
        frame.Release();
    }
    return extents;
}

ScaleFactors ComputeScaleFactors(const Extents& extents, VertexMode mode, std::string& statusLine)
{
    ScaleFactors factors;
    if (mode == VertexMode::UniformScale) {
        double m = extents.mx;
        if (extents.my > m)
            m = extents.my;
        if (extents.mz > m)
            m = extents.mz;
        if (m > kCubeFace)
            factors.sx = factors.sy = factors.sz = kCubeFace / m;
        statusLine = FormatLine("Uniform Scale applied: %.3f\r\n", factors.sx);
    } else if (mode == VertexMode::XyzScale) {
        if (extents.mx > kCubeFace)
            factors.sx = kCubeFace / extents.mx;
        if (extents.my > kCubeFace)
            factors.sy = kCubeFace / extents.my;
        if (extents.mz > kCubeFace)
            factors.sz = kCubeFace / extents.mz;
        statusLine = FormatLine("Scale applied: X:%.3f Y:%.3f Z:%.3f\r\n", factors.sx, factors.sy, factors.sz);
    } else {
        statusLine.clear();
    }
    return factors;
}

ScaledVertex ScaleVertex(const FrameVertex& vertex, const ScaleFactors& factors)
{
    ScaledVertex out;
    out.x = Clamp(static_cast<float>(static_cast<double>(vertex.x) * factors.sx));
    out.y = Clamp(static_cast<float>(static_cast<double>(vertex.y) * factors.sy));
    out.z = Clamp(static_cast<double>(vertex.z) * factors.sz);
    return out;
}
