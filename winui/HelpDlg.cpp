#include "winui/HelpDlg.h"

#include "platform/Win32Handles.h"
#include "winui/resource.h"

void CHelpDlg::DoModal(HWND owner)
{
    ::DialogBoxParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_HELP), owner, DialogProc, 0);
}

INT_PTR CALLBACK CHelpDlg::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        ::SetDlgItemTextW(window, IDC_HELP_TEXT, win32::Wide(HelpText()).c_str());
        return TRUE; // the focus starts on OK
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)
            ::EndDialog(window, LOWORD(wParam));
        return TRUE;
    default:
        return FALSE;
    }
}
