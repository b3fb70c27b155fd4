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
    return 0xFF000000u | channel(c.r) << 16 | channel(c.g) << 8 | channel(c.b); // opaque, then R, G, B
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
        // Each pixel's centre is weighed against the corners; divided by the signed area, the
        // three weights are all at least 0 inside, whichever way round the corners run.
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
                if (depth < depth_[at]) // farther from the viewer than what is there
                    continue;
                if (translucent) {
                    // Each channel halved on its own: its low bit goes first, so none carries
                    // into the channel below it.
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

// The screen's axes in cube units for a view. The engine's axes are left-handed (X forward, Y
// right, Z up): the view keeps them so, as the editor shows the mesh.
struct Axes {
    float right[3], up[3], toward[3];

    explicit Axes(const ViewAngles& view)
    {
        const float cy = std::cos(view.yaw), sy = std::sin(view.yaw), cp = std::cos(view.pitch),
                    sp = std::sin(view.pitch);
        const float r[3] = {sy, -cy, 0.0f}, u[3] = {-sp * cy, -sp * sy, cp}, t[3] = {cp * cy, cp * sy, sp};
        std::copy(r, r + 3, right), std::copy(u, u + 3, up), std::copy(t, t + 3, toward);
    }
};

// Points of cube units on a picture of a side: the framing's centre in the middle, its radius out
// to the middle of the picture's sides.
class CProjection {
public:
    CProjection(const Axes& axes, const PreviewFraming& framing, int size)
        : axes_(axes), half_(static_cast<float>(size) / 2.0f), scale_(half_ / framing.radius),
          right_(Dot(axes.right, framing.centre)), up_(Dot(axes.up, framing.centre))
    {
    }

    Point operator()(float x, float y, float z) const
    {
        const float* r = axes_.right;
        const float* u = axes_.up;
        const float* t = axes_.toward;
        return Point{half_ + scale_ * (x * r[0] + y * r[1] + z * r[2] - right_),
                     half_ - scale_ * (x * u[0] + y * u[1] + z * u[2] - up_), x * t[0] + y * t[1] + z * t[2]};
    }

private:
    static float Dot(const float* a, const float* b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

    const Axes& axes_;
    float half_, scale_, right_, up_;
};

// A frame's vertices in cube units, and which of them sit on a face of the cube.
struct FrameUnits {
    std::vector<float> units;
    std::vector<bool> onFace;

    FrameUnits(const std::uint8_t* frame, std::uint32_t vertices, VertexFormat format)
        : units(std::size_t(vertices) * 3), onFace(vertices)
    {
        const PackedField &x = FieldOf(format, 0), &y = FieldOf(format, 1), &z = FieldOf(format, 2);
        for (std::uint32_t v = 0; v < vertices; ++v) {
            const PackedSteps s = StepsAt(format, frame + VertexBytes(format) * std::size_t(v));
            float* p = &units[3 * std::size_t(v)];
            p[0] = static_cast<float>(s.x) / static_cast<float>(x.unitsPerCoordinate);
            p[1] = static_cast<float>(s.y) / static_cast<float>(y.unitsPerCoordinate);
            p[2] = static_cast<float>(s.z) / static_cast<float>(z.unitsPerCoordinate);
            onFace[v] = x.OnFace(s.x) || y.OnFace(s.y) || z.OnFace(s.z);
        }
    }
};

std::vector<Point> Project(const FrameUnits& frame, const CProjection& project)
{
    std::vector<Point> points(frame.onFace.size());
    for (std::size_t v = 0; v < points.size(); ++v)
        points[v] = project(frame.units[3 * v], frame.units[3 * v + 1], frame.units[3 * v + 2]);
    return points;
}

// The pixels the canvas tests for the triangles on a picture of a side: their bounds within it.
std::uint64_t Cost(const std::vector<DataTriangle>& triangles, const std::vector<Point>& points, Point centre,
                   int size)
{
    std::uint64_t cost = 0;
    for (const DataTriangle& t : triangles) {
        Point q[3];
        for (int k = 0; k < 3; ++k)
            q[k] = t.corners[k] < points.size() ? points[t.corners[k]] : centre;
        const auto clamp = [size](float v) { return std::clamp(v, -1.0f, static_cast<float>(size)); };
        const float x0 = std::floor(clamp(std::min({q[0].x, q[1].x, q[2].x})));
        const float x1 = std::ceil(clamp(std::max({q[0].x, q[1].x, q[2].x})));
        const float y0 = std::floor(clamp(std::min({q[0].y, q[1].y, q[2].y})));
        const float y1 = std::ceil(clamp(std::max({q[0].y, q[1].y, q[2].y})));
        if (std::isfinite(x1 - x0) && std::isfinite(y1 - y0))
            cost += static_cast<std::uint64_t>(x1 - x0 + 1.0f) * static_cast<std::uint64_t>(y1 - y0 + 1.0f);
    }
    return cost;
}

int SideWithin(const std::vector<DataTriangle>& triangles, const FrameUnits& frame, const Axes& axes,
               const PreviewFraming& framing, int size, std::uint64_t budget)
{
    constexpr int kSmallest = 16;
    budget = budget != 0 ? budget : DrawBudget(size);
    int side = size;
    for (;;) {
        const CProjection project(axes, framing, side);
        const std::uint64_t cost = Cost(triangles, Project(frame, project), project(0.0f, 0.0f, 0.0f), side);
        if (cost <= budget || side <= kSmallest)
            return side;
        // The cost grows with the square of the side; a little below the estimate ends in a step or two.
        const double shrink = std::sqrt(static_cast<double>(budget) / static_cast<double>(cost)) * 0.95;
        side = std::clamp(static_cast<int>(side * shrink), kSmallest, side - 1);
    }
}

void Draw(const std::vector<DataTriangle>& triangles, const FrameUnits& frame, const Axes& axes,
          const PreviewFraming& framing, int size, PreviewImage& image)
{
    const CProjection project(axes, framing, size);
    CCanvas canvas(image, size);
    for (int edge = 0; edge < 12; ++edge) {
        // Each edge joins two corners that differ on one axis: edge / 4 is that axis, and the
        // two bits of edge % 4 choose the near or far face on each of the other two.
        const int axis = edge / 4, other = edge % 4;
        float from[3], to[3];
        for (int k = 0, bit = 0; k < 3; ++k) {
            const float side = k == axis ? -128.0f : ((other >> bit++) & 1 ? 128.0f : -128.0f);
            from[k] = side;
            to[k] = k == axis ? 128.0f : side;
        }
        canvas.Line(project(from[0], from[1], from[2]), project(to[0], to[1], to[2]), kOutline);
    }

    const std::vector<Point> points = Project(frame, project);
    const std::uint32_t vertices = static_cast<std::uint32_t>(points.size());
    const float origin[3] = {0.0f, 0.0f, 0.0f};
    const Point centre = project(0.0f, 0.0f, 0.0f);
    // Light from behind the viewer's right shoulder; both sides of a triangle take it.
    const float* right = axes.right;
    const float* up = axes.up;
    const float* toward = axes.toward;
    const float light[3] = {toward[0] * 0.8f + right[0] * 0.45f + up[0] * 0.4f,
                            toward[1] * 0.8f + right[1] * 0.45f + up[1] * 0.4f,
                            toward[2] * 0.8f + right[2] * 0.45f + up[2] * 0.4f};
    const float lightLength = std::sqrt(light[0] * light[0] + light[1] * light[1] + light[2] * light[2]);
    // The opaque triangles first: a translucent one then blends with whatever lies behind it.
    for (const bool translucentPass : {false, true}) {
        for (const DataTriangle& t : triangles) {
            const bool translucent = (t.type & kPolygonTypeBits) == kPolygonTranslucent && !(t.type & kFlagW);
            if (translucent != translucentPass)
                continue;
            const float* p[3];
            Point q[3];
            for (int k = 0; k < 3; ++k) {
                const bool named = t.corners[k] < vertices;
                p[k] = named ? &frame.units[3 * std::size_t(t.corners[k])] : origin;
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
        if (frame.onFace[v])
            canvas.Marker(points[v], kMarker);
}

} // namespace

const LegendEntry kLegend[kLegendEntries] = {
    {"normal", Pack(Tint(0))},     {"two-sided", Pack(Tint(1))}, {"translucent", Pack(Tint(2))},
    {"masked", Pack(Tint(3))},     {"modulated", Pack(Tint(4))}, {"weapon", Pack(Tint(0x08))},
    {"on a face of the cube", kMarker},
};

void TurnView(ViewAngles& view, int dx, int dy)
{
    constexpr float kRadiansPerPixel = 0.01f;
    view.yaw -= static_cast<float>(dx) * kRadiansPerPixel;
    view.pitch = std::clamp(view.pitch + static_cast<float>(dy) * kRadiansPerPixel, -1.5f, 1.5f);
}

int DrawingSide(const std::vector<DataTriangle>& triangles, const std::uint8_t* frame, std::uint32_t vertices,
                const ViewAngles& view, int size, const PreviewFraming& framing, std::uint64_t budget,
                VertexFormat format)
{
    return SideWithin(triangles, FrameUnits(frame, vertices, format), Axes(view), framing, size, budget);
}

void DrawFrame(const std::vector<DataTriangle>& triangles, const std::uint8_t* frame, std::uint32_t vertices,
               const ViewAngles& view, int size, PreviewImage& image, const PreviewFraming& framing,
               std::uint64_t budget, VertexFormat format)
{
    const FrameUnits units(frame, vertices, format);
    const Axes axes(view);
    const int side = SideWithin(triangles, units, axes, framing, size, budget);
    if (side == size) {
        Draw(triangles, units, axes, framing, size, image);
        return;
    }
    // Drawn on the smaller side the budget allows, then stretched to size by repeating pixels.
    PreviewImage small;
    Draw(triangles, units, axes, framing, side, small);
    image.width = image.height = size;
    image.pixels.resize(std::size_t(size) * size);
    for (int y = 0; y < size; ++y) {
        const std::uint32_t* row = &small.pixels[std::size_t(std::int64_t{y} * side / size) * side];
        for (int x = 0; x < size; ++x)
            image.pixels[std::size_t(y) * size + x] = row[std::int64_t{x} * side / size];
    }
}
