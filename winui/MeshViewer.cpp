#include "winui/MeshViewer.h"

#include "platform/FileLayer.h"
#include "winui/resource.h"

// A first viewer: the pair opens and the window shows; the drawing comes next.
CMeshViewer::CMeshViewer() = default;

CMeshViewer::~CMeshViewer()
{
    if (window_ && !modal_)
        ::DestroyWindow(window_);
}

bool CMeshViewer::Open(const OutputNames& names, std::string& fault)
{
    return pair_.Open(CFileSystem::Native(), names, fault);
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
    return window_;
}

void CMeshViewer::ShowFrame(int frame)
{
    frame_ = frame;
}

void CMeshViewer::SetPlaying(bool playing)
{
    playing_ = playing;
}

void CMeshViewer::Turn(int, int) {}

void CMeshViewer::ShowWholeCube(bool whole)
{
    wholeCube_ = whole;
}

void CMeshViewer::ResetView()
{
    view_ = ViewAngles{};
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

INT_PTR CMeshViewer::Handle(UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        if (modal_)
            ::EndDialog(window_, 0);
        else
            ::DestroyWindow(window_);
        return TRUE;
    }
    if (message == WM_NCDESTROY)
        window_ = nullptr;
    return message == WM_INITDIALOG;
}
