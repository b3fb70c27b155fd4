#include "inspect/Preview.h"

#include "convert/MeshFormat.h"
#include "convert/VertexPacking.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

struct Point {
    float x, y, depth; // pixels, and the distance towards the viewer
};

struct Rgb {
    float r, g, b;
};

constexpr std::uint32_t kBackground = 0xFF1E1E26u;
constexpr std::uint32_t kOutline = 0xFF6E6E80u;
constexpr std::uint32_t kMarker = 0xFFFF8C1Eu;

std::uint32_t Pack(const Rgb& c)
{
    const auto channel = [](float v) { return static_cast<std::uint32_t>(std::clamp(v, 0.0f, 255.0f)); };
    return 0xFF000000u | channel(c.r) << 16 | channel(c.g) << 8 | channel(c.b);
}

// The tint of a polygon type; the weapon flag wins over the type.
Rgb Tint(std::uint8_t type)
{
    if (type & kFlagW)
        return {230, 80, 70};
    switch (type & kPolygonTypeBits) {
    case kPolygonNormal: return {175, 185, 205};
    case kPolygonTwoSided: return {130, 205, 140};
    case kPolygonTranslucent: return {100, 200, 235};
    case kPolygonMasked: return {225, 200, 110};
    case kPolygonModulated: return {205, 130, 215};
    default: return {200, 200, 200};
    }
}

class CCanvas {
public:
    CCanvas(PreviewImage& image, int size)
        : image_(image), depth_(std::size_t(size) * size, -std::numeric_limits<float>::infinity())
    {
        image_.width = image_.height = size;
        image_.pixels.assign(depth_.size(), kBackground);
    }

    void Line(Point a, Point b, std::uint32_t colour)
    {
        const int steps = static_cast<int>(std::max(std::fabs(b.x - a.x), std::fabs(b.y - a.y))) + 1;
        for (int i = 0; i <= steps; ++i) {
            const float t = static_cast<float>(i) / static_cast<float>(steps);
            Put(static_cast<int>(a.x + t * (b.x - a.x)), static_cast<int>(a.y + t * (b.y - a.y)), colour);
        }
    }

    void Marker(Point p, std::uint32_t colour)
    {
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                Put(static_cast<int>(p.x) + dx, static_cast<int>(p.y) + dy, colour);
    }

    // Fills the triangle where it is nearer than what was drawn; translucent ones blend half and
    // leave the depth as it was.
    void Triangle(const Point& a, const Point& b, const Point& c, std::uint32_t colour, bool translucent)
    {
        const float area = (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
        if (area == 0.0f || !std::isfinite(area))
            return;
        const int size = image_.width;
        const int x0 = std::max(0, static_cast<int>(std::floor(std::min({a.x, b.x, c.x}))));
        const int x1 = std::min(size - 1, static_cast<int>(std::ceil(std::max({a.x, b.x, c.x}))));
        const int y0 = std::max(0, static_cast<int>(std::floor(std::min({a.y, b.y, c.y}))));
        const int y1 = std::min(size - 1, static_cast<int>(std::ceil(std::max({a.y, b.y, c.y}))));
        const float inverse = 1.0f / area;
        for (int y = y0; y <= y1; ++y) {
            const float py = static_cast<float>(y) + 0.5f;
            for (int x = x0; x <= x1; ++x) {
                const float px = static_cast<float>(x) + 0.5f;
                const float wa = ((b.x - px) * (c.y - py) - (b.y - py) * (c.x - px)) * inverse;
                const float wb = ((c.x - px) * (a.y - py) - (c.y - py) * (a.x - px)) * inverse;
                const float wc = 1.0f - wa - wb;
                if (wa < 0.0f || wb < 0.0f || wc < 0.0f)
                    continue;
                const float depth = wa * a.depth + wb * b.depth + wc * c.depth;
                const std::size_t at = std::size_t(y) * size + x;
                if (depth < depth_[at])
                    continue;
                if (translucent) {
                    const std::uint32_t under = image_.pixels[at];
                    image_.pixels[at] = 0xFF000000u | (((under & 0xFEFEFEu) >> 1) + ((colour & 0xFEFEFEu) >> 1));
                } else {
                    image_.pixels[at] = colour;
                    depth_[at] = depth;
                }
            }
        }
    }

private:
    void Put(int x, int y, std::uint32_t colour)
    {
        if (x >= 0 && y >= 0 && x < image_.width && y < image_.height)
            image_.pixels[std::size_t(y) * image_.width + x] = colour;
    }

    PreviewImage& image_;
    std::vector<float> depth_;
};

} // namespace

void DrawFrame(const std::vector<DataTriangle>& triangles, const std::uint8_t* frame, std::uint32_t vertices,
               const ViewAngles& view, int size, PreviewImage& image)
{
    // The engine's axes are left-handed (X forward, Y right, Z up): the view keeps them so, as the
    // editor shows the mesh. right, up and toward are the screen's axes in cube units.
    const float cy = std::cos(view.yaw), sy = std::sin(view.yaw), cp = std::cos(view.pitch), sp = std::sin(view.pitch);
    const float right[3] = {sy, -cy, 0.0f};
    const float up[3] = {-sp * cy, -sp * sy, cp};
    const float toward[3] = {cp * cy, cp * sy, sp};
    const float half = static_cast<float>(size) / 2.0f;
    const float scale = half / (128.0f * 1.8f); // the cube's corners stay inside the picture
    const auto project = [&](float x, float y, float z) {
        return Point{half + scale * (x * right[0] + y * right[1] + z * right[2]),
                     half - scale * (x * up[0] + y * up[1] + z * up[2]), x * toward[0] + y * toward[1] + z * toward[2]};
    };

    CCanvas canvas(image, size);
    for (int edge = 0; edge < 12; ++edge) {
        // Each edge joins two corners that differ on one axis.
        const int axis = edge / 4, other = edge % 4;
        float from[3], to[3];
        for (int k = 0, bit = 0; k < 3; ++k) {
            const float side = k == axis ? -128.0f : ((other >> bit++) & 1 ? 128.0f : -128.0f);
            from[k] = side;
            to[k] = k == axis ? 128.0f : side;
        }
        canvas.Line(project(from[0], from[1], from[2]), project(to[0], to[1], to[2]), kOutline);
    }

    std::vector<float> units(std::size_t(vertices) * 3);
    std::vector<Point> points(vertices);
    std::vector<bool> onFace(vertices);
    for (std::uint32_t v = 0; v < vertices; ++v) {
        const PackedSteps s = UnpackVertex(WordAt(frame + 4 * std::size_t(v)));
        float* p = &units[3 * std::size_t(v)];
        p[0] = static_cast<float>(s.x) / static_cast<float>(kPackedX.unitsPerCoordinate);
        p[1] = static_cast<float>(s.y) / static_cast<float>(kPackedY.unitsPerCoordinate);
        p[2] = static_cast<float>(s.z) / static_cast<float>(kPackedZ.unitsPerCoordinate);
        points[v] = project(p[0], p[1], p[2]);
        onFace[v] = kPackedX.OnFace(s.x) || kPackedY.OnFace(s.y) || kPackedZ.OnFace(s.z);
    }
    const float origin[3] = {0.0f, 0.0f, 0.0f};
    const Point centre = project(0.0f, 0.0f, 0.0f);
    // Light from behind the viewer's right shoulder; both sides of a triangle take it.
    const float light[3] = {toward[0] * 0.8f + right[0] * 0.45f + up[0] * 0.4f,
                            toward[1] * 0.8f + right[1] * 0.45f + up[1] * 0.4f,
                            toward[2] * 0.8f + right[2] * 0.45f + up[2] * 0.4f};
    const float lightLength = std::sqrt(light[0] * light[0] + light[1] * light[1] + light[2] * light[2]);
    for (const bool translucentPass : {false, true}) {
        for (const DataTriangle& t : triangles) {
            const bool translucent = (t.type & kPolygonTypeBits) == kPolygonTranslucent && !(t.type & kFlagW);
            if (translucent != translucentPass)
                continue;
            const float* p[3];
            Point q[3];
            for (int k = 0; k < 3; ++k) {
                const bool named = t.corners[k] < vertices;
                p[k] = named ? &units[3 * std::size_t(t.corners[k])] : origin;
                q[k] = named ? points[t.corners[k]] : centre;
            }
            const float e1[3] = {p[1][0] - p[0][0], p[1][1] - p[0][1], p[1][2] - p[0][2]};
            const float e2[3] = {p[2][0] - p[0][0], p[2][1] - p[0][1], p[2][2] - p[0][2]};
            const float n[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2],
                                e1[0] * e2[1] - e1[1] * e2[0]};
            const float length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]) * lightLength;
            const float facing =
                length > 0.0f ? std::fabs(n[0] * light[0] + n[1] * light[1] + n[2] * light[2]) / length : 0.0f;
            const float shade = 0.35f + 0.65f * facing;
            const Rgb tint = Tint(t.type);
            canvas.Triangle(q[0], q[1], q[2], Pack({tint.r * shade, tint.g * shade, tint.b * shade}), translucent);
        }
    }
    for (std::uint32_t v = 0; v < vertices; ++v)
        if (onFace[v])
            canvas.Marker(points[v], kMarker);
}
