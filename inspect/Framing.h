// What a preview's picture holds: the whole -128..128 cube, as a scale for the model, or the model
// itself, so that a model smaller than the cube is seen at all. The model is framed by its reach
// over its frames (the same for every frame, so that it stands still while the frames play) inside
// a sphere round it, so that turning the view never moves it out of the picture.
#pragma once

#include "convert/VertexPacking.h"
#include "inspect/MeshPair.h"

#include <cstdint>
#include <string>

// The smallest and largest steps on each axis over the frames looked at; empty before any vertex.
// Its ends start one past the reach of either vertex format.
struct StepBox {
    PackedSteps low{32768, 32768, 32768};
    PackedSteps high{-32769, -32769, -32769};
    std::uint32_t framesSeen = 0;
    std::uint32_t framesOfPair = 0;
    VertexFormat format = VertexFormat::Standard; // of the steps

    bool Empty() const { return low.x > high.x; }
};

// Widens the box by the vertices of one frame (its bytes, in the box's format).
void ExtendReach(StepBox& box, const std::uint8_t* frame, std::uint32_t vertices);

// The frames looked at for a pair's reach: all of them when they hold at most this many bytes,
// otherwise frames evenly spread from the first to the last within it, so that framing a pair at
// the format's limit (4.3 GB) reads 16 MB of it.
inline constexpr std::uint64_t kReachBytes = std::uint64_t{16} << 20;

// The model's reach over the frames of the opened pair; false when a read fails.
bool ModelReach(CMeshPair& pair, StepBox& box, std::uint64_t budgetBytes = kReachBytes);

// The part of the engine's space a picture shows: a sphere round centre (in units) whose radius
// reaches the middle of the picture's sides.
struct PreviewFraming {
    float centre[3] = {0.0f, 0.0f, 0.0f};
    float radius = 128.0f * 1.8f; // the cube's corners stay inside the picture
};

inline PreviewFraming WholeCube()
{
    return PreviewFraming{};
}

// The box seen whole from any side with a small margin; at least a unit round its centre, so that
// a model of one point is still drawn at a useful scale; the whole cube for an empty box.
PreviewFraming FrameReach(const StepBox& box);

// A zoom of the picture by the mouse wheel, over whatever framing is shown: each notch (120 of
// the wheel's units, as both toolkits count them; a finer wheel sends parts of one) brings the
// view kZoomPerNotch closer, or takes it as far back, from kZoomOutNotches out to kZoomInNotches in.
inline constexpr float kZoomPerNotch = 1.25f;
inline constexpr int kWheelNotch = 120;
inline constexpr int kZoomInNotches = 16;  // 35 times closer: a few grid steps across the picture
inline constexpr int kZoomOutNotches = -8; // 6 times farther: the framing small in the middle

struct ViewZoom {
    int notches = 0; // towards the model; 0 is the framing itself
    int part = 0;    // wheel units short of the next notch, either way
};

// Adds a turn of the wheel: delta units, away from the user (positive) to come closer. A turn past
// either end keeps nothing over, so that the first turn back moves at once.
void TurnWheel(ViewZoom& zoom, int delta);

// framing as the zoom shows it: the same centre, the radius divided by kZoomPerNotch a notch.
PreviewFraming Zoomed(const PreviewFraming& framing, const ViewZoom& zoom);

// How many grid steps the model spans on each axis against the cube's, in one line without its
// end: "The model spans 16 of 2048 grid steps in X, 16 of 2048 in Y, 8 of 1024 in Z" (65536 on
// every axis in the Deus Ex format).
std::string SpanLine(const StepBox& box);
