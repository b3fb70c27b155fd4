#include "tests/winui/WindowTestSupport.h"

#include "platform/Win32Handles.h"

#include <thread>
#include <vector>

void Pump(HWND dialog, std::chrono::milliseconds time)
{
    const auto end = std::chrono::steady_clock::now() + time;
    do {
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (dialog && ::IsWindow(dialog) && ::IsDialogMessageW(dialog, &message))
                continue;
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
        if (std::chrono::steady_clock::now() < end)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    } while (std::chrono::steady_clock::now() < end);
}

bool PumpUntil(const std::function<bool()>& done, HWND dialog, std::chrono::milliseconds limit)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        Pump(dialog, std::chrono::milliseconds(10));
    }
    return true;
}

namespace {

struct ModalWatch {
    std::vector<HWND> before; // the windows of this thread before the box opened
    std::function<void(HWND)> inspect;
    bool seen = false;
};
ModalWatch* watch = nullptr;

BOOL CALLBACK Collect(HWND window, LPARAM into)
{
    reinterpret_cast<std::vector<HWND>*>(into)->push_back(window);
    return TRUE;
}

std::vector<HWND> ThreadWindows()
{
    std::vector<HWND> windows;
    ::EnumThreadWindows(::GetCurrentThreadId(), Collect, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

void CALLBACK LookForBox(HWND, UINT, UINT_PTR timer, DWORD)
{
    if (!watch || watch->seen)
        return;
    for (HWND window : ThreadWindows()) {
        if (!::IsWindowVisible(window) || std::find(watch->before.begin(), watch->before.end(), window) != watch->before.end())
            continue;
        watch->seen = true;
        ::KillTimer(nullptr, timer);
        watch->inspect(window);
        ::PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
        return;
    }
}

} // namespace

bool WithModalBox(const std::function<void()>& open, const std::function<void(HWND box)>& inspect)
{
    ModalWatch current{ThreadWindows(), inspect};
    watch = &current;
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 20, LookForBox);
    open();
    ::KillTimer(nullptr, timer);
    watch = nullptr;
    return current.seen;
}

std::string WindowText(HWND window)
{
    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(::GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return win32::Narrow(text.c_str());
}

bool IsChecked(HWND button)
{
    return ::SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

RECT ClientRectOf(HWND control)
{
    RECT rect{};
    ::GetWindowRect(control, &rect);
    ::MapWindowPoints(nullptr, ::GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

RECT DialogUnits(HWND dialog, int x, int y, int width, int height)
{
    RECT rect{x, y, x + width, y + height};
    ::MapDialogRect(dialog, &rect);
    return rect;
}

void Click(HWND button)
{
    ::SendMessageW(button, BM_CLICK, 0, 0);
}
