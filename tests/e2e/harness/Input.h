#pragma once
// Real keyboard and mouse input through the system's queue, as a user gives
// it: it reaches the foreground window, accelerators and TranslateMessage
// apply. These functions only queue the input; the caller then waits for the
// state the input should cause (Wait.h). Input is handled in the order it was
// queued, so when a key should change nothing, the effect of a later key shows
// that the first one was handled.

#include <windows.h>

#include <vector>

namespace e2e {

// Brings `window` to the foreground, asking again while another window takes
// it, and waits until the window's own thread has made it its active window
// with the keyboard focus inside it. False after `timeoutMs`.
bool bringToFront(HWND window, DWORD timeoutMs = 10000);

// Virtual keys pressed in order and released in reverse: {VK_CONTROL, 'F'}.
void pressKeys(const std::vector<WORD>& keys);
// One character as the keyboard delivers it, whatever the layout: a key down
// and up that the receiving thread's TranslateMessage turns into WM_CHAR.
void typeCharacter(wchar_t character);

// A click at a point on the screen, right or left button.
void clickAt(POINT screen, bool right);
void leftClickCentre(HWND window);

}  // namespace e2e
