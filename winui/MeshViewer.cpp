#include "winui/MeshViewer.h"

#include "platform/FileLayer.h"
#include "platform/Win32Handles.h"
#include "winui/resource.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>

namespace {

// The smallest client area, in pixels, as the window on other systems keeps it.
constexpr int kMinimumWidth = 360;
constexpr int kMinimumHeight = 400;
// The legend: a swatch of this side before each word, the word a few pixels after it, and a
// wider gap before the next swatch.
constexpr int kSwatch = 10;
constexpr int kSwatchGap = 4;
constexpr int kEntryGap = 12;

// The controls that take the focus: each passes C, R and the wheel over the picture on.
constexpr int kFocusControls[] = {IDC_VIEW_PLAY, IDC_VIEW_FRAMES};

COLORREF ColourOf(std::uint32_t argb)
{
    return RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF);
}

} // namespace

CMeshViewer::CMeshViewer() = default;

CMeshViewer::~CMeshViewer()
{
    if (window_ && !modal_)
        ::DestroyWindow(window_);
}

bool CMeshViewer::Open(const OutputNames& names, std::string& fault)
{
    if (!session_.Open(CFileSystem::Native(), names, fault))
        return false;
    opened_ = true;
    title_ = "Preview - " + names.animationPath;
    if (window_)
        ShowPair();
    else
        ShowFrame(0);
    return true;
}

void CMeshViewer::DoModal(HWND owner)
{
    modal_ = true;
    ::DialogBoxParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_VIEWER), owner, DialogProc,
                      reinterpret_cast<LPARAM>(this));
    window_ = nullptr;
}

HWND CMeshViewer::Create(HWND owner)
{
    modal_ = false;
    ::CreateDialogParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_VIEWER), owner, DialogProc,
                         reinterpret_cast<LPARAM>(this));
    if (window_)
        ::ShowWindow(window_, SW_SHOW);
    return window_;
}

HWND CMeshViewer::Control(int id) const
{
    return ::GetDlgItem(window_, id);
}

void CMeshViewer::ShowPair()
{
    const int frames = static_cast<int>(session_.FrameCount());
    ::SetWindowTextW(window_, win32::Wide(title_).c_str());
    ::SetWindowTextW(Control(IDC_VIEW_SPAN), win32::Wide(session_.Span()).c_str());
    ::SendMessageW(Control(IDC_VIEW_FRAMES), TBM_SETRANGEMIN, FALSE, 0);
    ::SendMessageW(Control(IDC_VIEW_FRAMES), TBM_SETRANGEMAX, TRUE, std::max(0, frames - 1));
    ::EnableWindow(Control(IDC_VIEW_PLAY), frames > 1);
    // The label keeps the width of its longest text, so that the slider's length never changes.
    labelWidth_ = TextWidth(win32::Wide(session_.FrameText(frames - 1))) + 8;
    // A window narrower than its lines grows to show them.
    RECT client{};
    ::GetClientRect(window_, &client);
    if (client.right < ClientWidthNeeded()) {
        RECT outer{0, 0, ClientWidthNeeded(), client.bottom};
        ::AdjustWindowRectEx(&outer, static_cast<DWORD>(::GetWindowLongPtrW(window_, GWL_STYLE)), FALSE,
                             static_cast<DWORD>(::GetWindowLongPtrW(window_, GWL_EXSTYLE)));
        ::SetWindowPos(window_, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    Layout();
    session_.SelectFrame(0); // read already when the pair opened before the window
    ShowFrameControls();
}

void CMeshViewer::SetPlaying(bool playing)
{
    playing_ = playing && session_.FrameCount() > 1;
    if (!window_)
        return;
    if (playing_)
        ::SetTimer(window_, kPlayTimer, 1000 / kFramesPerSecond, nullptr);
    else
        ::KillTimer(window_, kPlayTimer);
    ::SetWindowTextW(Control(IDC_VIEW_PLAY), playing_ ? L"Pause" : L"Play");
}

void CMeshViewer::ShowFrame(int frame)
{
    if (session_.SelectFrame(frame))
        ShowFrameControls();
}

void CMeshViewer::ShowFrameControls()
{
    if (window_) {
        ::SendMessageW(Control(IDC_VIEW_FRAMES), TBM_SETPOS, TRUE, Frame());
        ::SetWindowTextW(Control(IDC_VIEW_FRAME_NUMBER), win32::Wide(session_.FrameText(Frame())).c_str());
    }
    Draw();
}

void CMeshViewer::Turn(int dx, int dy)
{
    session_.Turn(dx, dy);
    Draw();
}

void CMeshViewer::TurnWheel(int delta)
{
    session_.TurnWheel(delta);
    Draw();
}

void CMeshViewer::ShowWholeCube(bool whole)
{
    session_.ShowWholeCube(whole);
    Draw();
}

void CMeshViewer::ResetView()
{
    session_.ResetView();
    Draw();
}

int CMeshViewer::TextWidth(const std::wstring& text) const
{
    HDC dc = ::GetDC(window_);
    const HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageW(window_, WM_GETFONT, 0, 0)));
    SIZE size{};
    ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    ::SelectObject(dc, old);
    ::ReleaseDC(window_, dc);
    return size.cx;
}

int CMeshViewer::ClientWidthNeeded() const
{
    RECT margin{7, 0, 0, 0};
    ::MapDialogRect(window_, &margin);
    int legend = 0;
    for (const LegendEntry& entry : kLegend)
        legend += kSwatch + kSwatchGap + TextWidth(win32::Wide(entry.name)) + kEntryGap;
    wchar_t hint[256] = {};
    ::GetWindowTextW(Control(IDC_VIEW_HINT), hint, static_cast<int>(std::size(hint)));
    const int lines = std::max({legend, TextWidth(win32::Wide(session_.Span())), TextWidth(hint)});
    return std::max(kMinimumWidth, lines + 2 * static_cast<int>(margin.left) + 4);
}

void CMeshViewer::Layout()
{
    RECT client{};
    ::GetClientRect(window_, &client);
    // Margins, gaps and heights of the template, in pixels.
    RECT units{7, 7, 14, 14};
    ::MapDialogRect(window_, &units);
    RECT line{4, 3, 40, 8};
    ::MapDialogRect(window_, &line);
    const int margin = units.left, rowHeight = units.bottom, gap = line.top, textHeight = line.bottom;
    const int width = client.right, buttonWidth = line.right;

    const int rowTop = client.bottom - units.top - rowHeight;
    const int hintTop = rowTop - gap - textHeight;
    const int spanTop = hintTop - gap - textHeight;
    const int legendTop = spanTop - gap - textHeight;
    const int labelLeft = width - margin - labelWidth_;
    const auto place = [&](int id, int left, int top, int w, int h) {
        ::SetWindowPos(Control(id), nullptr, left, top, std::max(0, w), h, SWP_NOZORDER | SWP_NOACTIVATE);
    };
    place(IDC_VIEW_PLAY, margin, rowTop, buttonWidth, rowHeight);
    const int sliderLeft = margin + buttonWidth + line.left;
    place(IDC_VIEW_FRAMES, sliderLeft, rowTop, labelLeft - line.left - sliderLeft, rowHeight);
    place(IDC_VIEW_FRAME_NUMBER, labelLeft, rowTop + (rowHeight - textHeight) / 2, labelWidth_, textHeight);
    place(IDC_VIEW_HINT, margin, hintTop, width - 2 * margin, textHeight);
    place(IDC_VIEW_SPAN, margin, spanTop, width - 2 * margin, textHeight);
    place(IDC_VIEW_LEGEND, margin, legendTop, width - 2 * margin, textHeight);

    // The square picture, centred above the legend.
    const int top = 8, bottom = std::max(1, legendTop - gap);
    const int side = std::max(16, std::min(width - 16, bottom - top));
    picture_ = {(width - side) / 2, top, (width - side) / 2 + side, top + side};
    ::InvalidateRect(window_, nullptr, TRUE);
    Draw();
}

void CMeshViewer::Draw()
{
    if (window_ && picture_.right > picture_.left && session_.Draw(picture_.right - picture_.left, image_))
        ::InvalidateRect(window_, &picture_, FALSE);
}

void CMeshViewer::Paint()
{
    PAINTSTRUCT paint{};
    HDC dc = ::BeginPaint(window_, &paint);
    if (!image_.pixels.empty()) {
        // The pixels are 0xAARRGGBB from the top row: a 32-bit top-down DIB.
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = image_.width;
        info.bmiHeader.biHeight = -image_.height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        ::StretchDIBits(dc, picture_.left, picture_.top, picture_.right - picture_.left, picture_.bottom - picture_.top,
                        0, 0, image_.width, image_.height, image_.pixels.data(), &info, DIB_RGB_COLORS, SRCCOPY);
    }
    ::EndPaint(window_, &paint);
}

void CMeshViewer::EraseBackground(HDC dc)
{
    // Everything but the picture, which its paint covers whole: no flicker while it plays.
    RECT client{};
    ::GetClientRect(window_, &client);
    const int saved = ::SaveDC(dc);
    if (!image_.pixels.empty())
        ::ExcludeClipRect(dc, picture_.left, picture_.top, picture_.right, picture_.bottom);
    ::FillRect(dc, &client, ::GetSysColorBrush(COLOR_BTNFACE));
    ::RestoreDC(dc, saved);
}

void CMeshViewer::DrawLegend(const DRAWITEMSTRUCT& item)
{
    HDC dc = item.hDC;
    ::FillRect(dc, &item.rcItem, ::GetSysColorBrush(COLOR_BTNFACE));
    const HGDIOBJ oldFont = ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageW(window_, WM_GETFONT, 0, 0)));
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, ::GetSysColor(COLOR_BTNTEXT));
    const int height = item.rcItem.bottom - item.rcItem.top;
    int x = item.rcItem.left;
    for (const LegendEntry& entry : kLegend) {
        const RECT swatch{x, item.rcItem.top + (height - kSwatch) / 2, x + kSwatch,
                          item.rcItem.top + (height - kSwatch) / 2 + kSwatch};
        HBRUSH brush = ::CreateSolidBrush(ColourOf(entry.colour));
        ::FillRect(dc, &swatch, brush);
        ::DeleteObject(brush);
        x += kSwatch + kSwatchGap;
        const std::wstring word = win32::Wide(entry.name);
        RECT text{x, item.rcItem.top, item.rcItem.right, item.rcItem.bottom};
        ::DrawTextW(dc, word.c_str(), static_cast<int>(word.size()), &text,
                    DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        x += TextWidth(word) + kEntryGap;
    }
    ::SelectObject(dc, oldFont);
}

bool CMeshViewer::OverPicture(LPARAM screenPoint) const
{
    POINT at{GET_X_LPARAM(screenPoint), GET_Y_LPARAM(screenPoint)};
    ::ScreenToClient(window_, &at);
    return ::PtInRect(&picture_, at);
}

bool CMeshViewer::OnKey(WPARAM key)
{
    if (key == 'C')
        ShowWholeCube(!session_.WholeCubeShown());
    else if (key == 'R')
        ResetView();
    else
        return false;
    return true;
}

void CMeshViewer::OnInitDialog()
{
    for (const int id : kFocusControls)
        ::SetWindowSubclass(Control(id), ControlProc, 0, reinterpret_cast<DWORD_PTR>(this));
    const std::wstring firstText = win32::Wide(session_.FrameText(0)); // until ShowPair shows a pair
    labelWidth_ = TextWidth(firstText) + 8;
    ::SetWindowTextW(Control(IDC_VIEW_FRAME_NUMBER), firstText.c_str());
    ::EnableWindow(Control(IDC_VIEW_PLAY), FALSE);
    if (opened_)
        ShowPair();
    else
        Layout();
    SetPlaying(playing_);
}

INT_PTR CALLBACK CMeshViewer::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        ::SetWindowLongPtrW(window, DWLP_USER, lParam);
        reinterpret_cast<CMeshViewer*>(lParam)->window_ = window;
    }
    auto* viewer = reinterpret_cast<CMeshViewer*>(::GetWindowLongPtrW(window, DWLP_USER));
    return viewer ? viewer->Handle(message, wParam, lParam) : FALSE;
}

LRESULT CALLBACK CMeshViewer::ControlProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                          DWORD_PTR data)
{
    auto* viewer = reinterpret_cast<CMeshViewer*>(data);
    if (message == WM_KEYDOWN && viewer->OnKey(wParam))
        return 0;
    // The slider takes the wheel over itself, not over the picture.
    if (message == WM_MOUSEWHEEL && viewer->OverPicture(lParam)) {
        viewer->TurnWheel(GET_WHEEL_DELTA_WPARAM(wParam));
        return 0;
    }
    return ::DefSubclassProc(control, message, wParam, lParam);
}

INT_PTR CMeshViewer::Handle(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: OnInitDialog(); return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDCANCEL) { // Escape and the close box
            if (modal_)
                ::EndDialog(window_, 0);
            else
                ::DestroyWindow(window_);
        } else if (LOWORD(wParam) == IDC_VIEW_PLAY && HIWORD(wParam) == BN_CLICKED) {
            SetPlaying(!playing_);
        }
        return TRUE;
    case WM_HSCROLL:
        if (reinterpret_cast<HWND>(lParam) == Control(IDC_VIEW_FRAMES))
            ShowFrame(static_cast<int>(::SendMessageW(Control(IDC_VIEW_FRAMES), TBM_GETPOS, 0, 0)));
        return TRUE;
    case WM_TIMER:
        if (wParam == kPlayTimer)
            ShowFrame(session_.NextFrame());
        return TRUE;
    case WM_KEYDOWN: return OnKey(wParam);
    case WM_MOUSEWHEEL:
        if (OverPicture(lParam))
            TurnWheel(GET_WHEEL_DELTA_WPARAM(wParam));
        return TRUE;
    case WM_LBUTTONDOWN:
        dragging_ = true;
        dragFrom_ = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        ::SetCapture(window_);
        return TRUE;
    case WM_MOUSEMOVE:
        if (dragging_ && (wParam & MK_LBUTTON)) {
            const POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            Turn(at.x - dragFrom_.x, at.y - dragFrom_.y);
            dragFrom_ = at;
        }
        return TRUE;
    case WM_LBUTTONUP:
        dragging_ = false;
        if (::GetCapture() == window_)
            ::ReleaseCapture();
        return TRUE;
    case WM_CAPTURECHANGED: dragging_ = false; return TRUE;
    case WM_SIZE:
        if (wParam != SIZE_MINIMIZED)
            Layout();
        return TRUE;
    case WM_GETMINMAXINFO: {
        RECT outer{0, 0, ClientWidthNeeded(), kMinimumHeight};
        ::AdjustWindowRectEx(&outer, static_cast<DWORD>(::GetWindowLongPtrW(window_, GWL_STYLE)), FALSE,
                             static_cast<DWORD>(::GetWindowLongPtrW(window_, GWL_EXSTYLE)));
        auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
        limits->ptMinTrackSize = {outer.right - outer.left, outer.bottom - outer.top};
        return TRUE;
    }
    case WM_ERASEBKGND:
        EraseBackground(reinterpret_cast<HDC>(wParam));
        ::SetWindowLongPtrW(window_, DWLP_MSGRESULT, 1);
        return TRUE;
    case WM_PAINT: Paint(); return TRUE;
    case WM_DRAWITEM:
        if (wParam == IDC_VIEW_LEGEND) {
            DrawLegend(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            return TRUE;
        }
        return FALSE;
    case WM_DESTROY: ::KillTimer(window_, kPlayTimer); return FALSE;
    case WM_NCDESTROY: window_ = nullptr; return FALSE;
    default: return FALSE;
    }
}
