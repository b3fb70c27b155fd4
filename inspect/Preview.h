// A picture of one frame of a converted pair as the engine will see it: the packed coordinates,
// flat-shaded triangles in a three-quarter view with the outline of the -128..128 cube, the
// special polygon types tinted, and the vertices that sit on a face of the cube marked. Drawn with
// a depth buffer into plain pixels, so that the command line and the window show the same.
#pragma once

#include "inspect/Framing.h"
#include "inspect/MeshPair.h"

#include <algorithm>
#include <cstdint>
#include <vector>

struct PreviewImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels; // 0xAARRGGBB, rows from the top
};

// Where the view looks from, in radians: round the vertical axis, and up from the horizontal.
struct ViewAngles {
    float yaw = 0.7853982f;   // 45 degrees
    float pitch = 0.5235988f; // 30 degrees
};

// Turns the view by a drag of dx, dy pixels, as both windows do: 0.01 radians a pixel, a drag to
// the right lowers the yaw and one down raises the pitch, which stays within 1.5 radians of the
// horizontal, short of looking straight down or up.
void TurnView(ViewAngles& view, int dx, int dy);

// The pixels a drawing may test for its triangles: about a second of work at 512 pixels, and 16
// for each pixel of a larger picture. A frame whose triangles would test more (thousands of
// triangles across the whole picture) is drawn at the largest side within it and enlarged, so that
// no pair takes longer whatever it holds.
inline std::uint64_t DrawBudget(int size)
{
    return std::max<std::uint64_t>(std::uint64_t{1} << 27, std::uint64_t{16} * size * size);
}

// The side the frame is drawn at before it is enlarged to size: size itself unless its triangles
// would test more than budget pixels there (0: DrawBudget(size)); never below 16.
int DrawingSide(const std::vector<DataTriangle>& triangles, const std::uint8_t* frame, std::uint32_t vertices,
                const ViewAngles& view, int size, const PreviewFraming& framing = WholeCube(),
                std::uint64_t budget = 0, VertexFormat format = VertexFormat::Standard);

// Draws a frame (the frame's bytes, VertexBytes(format) per vertex) of the pair's triangles into a
// square image size pixels wide, showing what framing holds, within the budget as DrawingSide gives
// it. Corners that name no vertex are drawn at the origin.
void DrawFrame(const std::vector<DataTriangle>& triangles, const std::uint8_t* frame, std::uint32_t vertices,
               const ViewAngles& view, int size, PreviewImage& image, const PreviewFraming& framing = WholeCube(),
               std::uint64_t budget = 0, VertexFormat format = VertexFormat::Standard);

// The colours of a picture, for a legend: the polygon types as a face turned to the light shows
// them, and the mark of a vertex on a face of the cube.
struct LegendEntry {
    const char* name;
    std::uint32_t colour; // 0xAARRGGBB
};
inline constexpr int kLegendEntries = 7;
extern const LegendEntry kLegend[kLegendEntries];
