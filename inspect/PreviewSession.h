// What a viewer of a converted pair keeps, whichever window shows it: the pair read back from its
// files, the frame shown, the view's turn and zoom, the framing of the model's reach or of the
// whole cube, and the drawing of it. The windows add only their controls.
#pragma once

#include "inspect/Framing.h"
#include "inspect/MeshPair.h"
#include "inspect/Preview.h"

#include <cstdint>
#include <string>
#include <vector>

class CFileSystem;

class CPreviewSession {
public:
    // Opens the pair and frames the model's reach over its frames; false with the fault's line.
    // No frame is read yet.
    bool Open(CFileSystem& fs, const OutputNames& names, std::string& fault);

    std::uint32_t FrameCount() const { return pair_.FrameCount(); }
    int Frame() const { return frame_; }
    // Reads frame when it is one of the pair's (frame 0 of a pair without frames) and not the one
    // shown; false when nothing changed. A frame that cannot be read shows its vertices at the
    // origin.
    bool SelectFrame(int frame);
    // The frame that plays after the one shown: the first after the last.
    int NextFrame() const;

    void Turn(int dx, int dy) { TurnView(view_, dx, dy); }
    void TurnWheel(int delta) { ::TurnWheel(zoom_, delta); }
    // The whole cube, or the model framed; either at no zoom.
    void ShowWholeCube(bool whole);
    // The first view again: the model framed from the default side.
    void ResetView();

    const ViewAngles& View() const { return view_; }
    const ViewZoom& Zoom() const { return zoom_; }
    bool WholeCubeShown() const { return wholeCube_; }
    // "The model spans ..." for the opened pair.
    const std::string& Span() const { return span_; }

    // Draws the frame shown into a square picture size pixels wide; false before a frame is read.
    bool Draw(int size, PreviewImage& image) const;

    // The engine's frame number, then its place among the frames: "Frame 3 (4 of 10)", or
    // "No frames".
    std::string FrameText(int frame) const;

private:
    CMeshPair pair_;
    std::vector<std::uint8_t> frameBytes_;
    ViewAngles view_;
    ViewZoom zoom_;
    PreviewFraming modelFraming_;
    bool wholeCube_ = false;
    int frame_ = -1;
    std::string span_;
};
