// The viewer of a converted pair, drawn with GDI: the frames read back from the files just
// written, as the engine will see them, with play and pause at 25 frames a second, a frame slider
// and a view that turns when dragged and zooms with the wheel. The view frames the model's reach
// over its frames; C shows the whole cube instead (and back), R resets the view. Template 103.
#pragma once

#include "inspect/MeshPair.h"
#include "inspect/Preview.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

class CMeshViewer {
public:
    // Frames shown a second while playing.
    static constexpr int kFramesPerSecond = 25;

    CMeshViewer();
    ~CMeshViewer();
    CMeshViewer(const CMeshViewer&) = delete;
    CMeshViewer& operator=(const CMeshViewer&) = delete;

    // Opens the pair; false with the fault's line when it cannot be read.
    bool Open(const OutputNames& names, std::string& fault);
    // Runs the viewer modally over owner until it is closed.
    void DoModal(HWND owner);
    // The viewer as a modeless window, for tests that drive it by messages.
    HWND Create(HWND owner);
    HWND Window() const { return window_; }

    int Frame() const { return frame_; }
    bool Playing() const { return playing_; }
    const ViewAngles& View() const { return view_; }
    bool WholeCubeShown() const { return wholeCube_; }
    // The picture of the frame shown, as last drawn.
    const PreviewImage& Picture() const { return image_; }

    void ShowFrame(int frame);
    void SetPlaying(bool playing);
    // Turns the view by a drag of dx, dy pixels.
    void Turn(int dx, int dy);
    // Shows the whole cube, or the model framed.
    void ShowWholeCube(bool whole);
    // The first view again: the model framed from the default side.
    void ResetView();

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Handle(UINT message, WPARAM wParam, LPARAM lParam);

    HWND window_ = nullptr;
    bool modal_ = false;
    CMeshPair pair_;
    std::vector<std::uint8_t> frameBytes_;
    PreviewImage image_;
    ViewAngles view_;
    PreviewFraming modelFraming_;
    bool wholeCube_ = false;
    bool playing_ = false;
    int frame_ = 0;
    POINT dragFrom_{};
    std::string title_;
    std::string span_;
};
