// A picture of one frame of a converted pair as the engine will see it: the packed coordinates,
// flat-shaded triangles in a three-quarter view inside the outline of the -128..128 cube, the
// special polygon types tinted, and the vertices that sit on a face of the cube marked. Drawn with
// a depth buffer into plain pixels, so that the command line and the window show the same.
#pragma once

#include "inspect/MeshPair.h"

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

// Draws a frame (the frame's bytes, a packed word per vertex) of the pair's triangles into a square
// image size pixels wide. Corners that name no vertex are drawn at the origin.
void DrawFrame(const std::vector<DataTriangle>& triangles, const std::uint8_t* frame, std::uint32_t vertices,
               const ViewAngles& view, int size, PreviewImage& image);
