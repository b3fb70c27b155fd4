#include "convert/RangeConversion.h"

#include "scene/MeshModel.h"
#include "scene/StatusLine.h"

namespace {

// Four vertices side by side; every lane keeps its own largest magnitude per axis.
typedef float Lanes __attribute__((vector_size(16)));

// An extent always holds exactly some single-precision magnitude, so it is kept in single
// precision while the pass runs and widened at the end: comparing in either precision gives the
// same answer. A coordinate that is not a number never compares greater, and -0 never exceeds 0,
// so the largest of the lanes' extents is the extent of all the coordinates, whatever their order.
template <typename T> void Widen(T& extent, T coordinate)
{
    const T magnitude = coordinate < 0.0f ? coordinate * -1.0f : coordinate;
    extent = magnitude > extent ? magnitude : extent;
}

struct Widest {
    Lanes x{}, y{}, z{};

    void Add(const std::vector<FrameVertex>& vertices)
    {
        const FrameVertex* v = vertices.data();
        const std::size_t n = vertices.size();
        std::size_t i = 0;
        for (; i + 4 <= n; i += 4, v += 4) {
            Widen(x, Lanes{v[0].x, v[1].x, v[2].x, v[3].x});
            Widen(y, Lanes{v[0].y, v[1].y, v[2].y, v[3].y});
            Widen(z, Lanes{v[0].z, v[1].z, v[2].z, v[3].z});
        }
        for (; i < n; ++i, ++v) {
            Widen(x[0], v->x);
            Widen(y[0], v->y);
            Widen(z[0], v->z);
        }
    }

    static double Largest(const Lanes& lanes)
    {
        float m = lanes[0];
        for (int k = 1; k < 4; ++k)
            Widen(m, lanes[k]);
        return m;
    }
};

} // namespace

Extents MeasureExtents(const CMeshModel& model, std::int32_t frameCount)
{
    // Only the vertices are measured: the frames are built without triangles, into one MeshFrame
    // whose vertex array is overwritten frame after frame and released at the end.
    Widest widest;
    MeshFrame frame;
    for (std::int32_t i = 0; i < frameCount; ++i) {
        model.BuildFrameVertices(i, frame);
        widest.Add(frame.vertices);
    }
    frame.Release();
    Extents extents;
    extents.mx = Widest::Largest(widest.x);
    extents.my = Widest::Largest(widest.y);
    extents.mz = Widest::Largest(widest.z);
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
