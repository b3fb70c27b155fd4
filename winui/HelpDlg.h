// The help box on Windows: template 100 with the program's name, an attribution line and the
// help text both windows show.
#pragma once

#include "convert/HelpText.h"

#include <windows.h>

class CHelpDlg {
public:
    // Runs the box modally over owner; OK, Escape and the close box end it.
    void DoModal(HWND owner);

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
};
