// The viewer of a converted pair, drawn with GDI: the frames read back from the files just
// written, as the engine will see them, with play and pause at 25 frames a second, a frame slider
// and a view that turns when dragged and zooms with the wheel. The view frames the model's reach
// over its frames; C shows the whole cube instead (and back), R resets the view. Template 103:
// the square picture fills the space above the legend, the span line, the hint and the controls,
// and follows the window's size.
#pragma once

#include "inspect/MeshPair.h"
#include "inspect/PreviewSession.h"

#include <windows.h>

#include <algorithm>
#include <string>

class CMeshViewer {
public:
    // Frames shown a second while playing.
    static constexpr int kFramesPerSecond = 25;
    // The timer that shows the next frame while playing.
    static constexpr UINT_PTR kPlayTimer = 1;

    CMeshViewer();
    ~CMeshViewer();
    CMeshViewer(const CMeshViewer&) = delete;
    CMeshViewer& operator=(const CMeshViewer&) = delete;

    // Opens the pair; false with the fault's line when it cannot be read. Before or after the
    // window is made.
    bool Open(const OutputNames& names, std::string& fault);
    // Runs the viewer modally over owner until it is closed.
    void DoModal(HWND owner);
    // The viewer as a modeless window, for tests that drive it by messages; it is destroyed when
    // it closes, or with the viewer.
    HWND Create(HWND owner);
    HWND Window() const { return window_; }
    HWND Control(int id) const;

    int Frame() const { return std::max(0, session_.Frame()); }
    bool Playing() const { return playing_; }
    const ViewAngles& View() const { return session_.View(); }
    bool WholeCubeShown() const { return session_.WholeCubeShown(); }
    const ViewZoom& Zoom() const { return session_.Zoom(); }
    // The picture of the frame shown, as last drawn, and where it stands in the window's client
    // area.
    const PreviewImage& Picture() const { return image_; }
    const RECT& PictureRect() const { return picture_; }

    void ShowFrame(int frame);
    void SetPlaying(bool playing);
    // Turns the view by a drag of dx, dy pixels.
    void Turn(int dx, int dy);
    // Zooms by a turn of the wheel, in its units (120 a notch).
    void TurnWheel(int delta);
    // Shows the whole cube, or the model framed; either at its own scale.
    void ShowWholeCube(bool whole);
    // The first view again: the model framed from the default side at its own scale.
    void ResetView();

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // The button's and the slider's: C and R work wherever the focus is, and the wheel over the
    // picture zooms it.
    static LRESULT CALLBACK ControlProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                        DWORD_PTR viewer);
    INT_PTR Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void OnInitDialog();
    // Puts the opened pair on the controls: title, slider, Play, span line, the first frame.
    void ShowPair();
    bool OnKey(WPARAM key);
    // Whether a point of the screen (a wheel message's) lies on the picture.
    bool OverPicture(LPARAM screenPoint) const;
    // Places the picture and the controls for the client area's size.
    void Layout();
    void Draw();
    void Paint();
    void EraseBackground(HDC dc);
    void DrawLegend(const DRAWITEMSTRUCT& item);
    int TextWidth(const std::wstring& text) const;
    // The slider and the label at the frame shown, and its picture.
    void ShowFrameControls();
    // The client width that shows the legend, the span line and the hint whole.
    int ClientWidthNeeded() const;

    HWND window_ = nullptr;
    bool modal_ = false;
    bool opened_ = false;
    CPreviewSession session_;
    PreviewImage image_;
    bool playing_ = false;
    bool dragging_ = false;
    POINT dragFrom_{};
    RECT picture_{};
    int labelWidth_ = 0; // the frame label's, that of its longest text
    std::string title_;
};
