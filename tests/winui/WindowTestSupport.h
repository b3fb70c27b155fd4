// What the window tests share: message pumping, a box that opens modally answered from inside its
// own loop, and the text and state of controls.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <string>

// Handles the messages that have arrived (keys through the dialog's own navigation when dialog
// is given), for about the given time, or until done returns true.
void Pump(HWND dialog = nullptr, std::chrono::milliseconds time = std::chrono::milliseconds(0));
bool PumpUntil(const std::function<bool()>& done, HWND dialog = nullptr,
               std::chrono::milliseconds limit = std::chrono::seconds(20));

// Runs open, which opens a modal box; once the box stands, inspect is called with it (from
// inside the box's own message loop) and the box is then closed as Escape closes it. False when no
// box opened.
bool WithModalBox(const std::function<void()>& open, const std::function<void(HWND box)>& inspect);

std::string WindowText(HWND window);
bool IsChecked(HWND button);
// The rectangle of a control in its dialog's client pixels.
RECT ClientRectOf(HWND control);
// A rectangle in dialog units, in the dialog's pixels.
RECT DialogUnits(HWND dialog, int x, int y, int width, int height);
// A click as the user makes it: the press and the release on the button.
void Click(HWND button);
