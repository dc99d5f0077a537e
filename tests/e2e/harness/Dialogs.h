#pragma once
// Ostrel's message boxes and popup menus, found, read and answered from
// outside its process: the box's caption, text and icon, the number of items
// a popup menu offers.

#include <windows.h>

#include <cstddef>
#include <string>

namespace e2e {

// A message box of a process: its caption, its text and whether it shows an
// icon. `window` is null when there is none.
struct MessageBoxSeen {
  HWND window = nullptr;
  std::wstring caption;
  std::wstring text;
  bool hasIcon = false;
};
// The message box the process shows now, if any.
MessageBoxSeen messageBoxOf(DWORD processId);
// Waits up to `timeoutMs` for a message box of the process.
MessageBoxSeen waitForMessageBox(DWORD processId, DWORD timeoutMs = 20000);
// Clicks the box's OK and waits until the box has gone; false if it stays.
bool pressOk(HWND box);
// Clicks the box's button `id` (IDYES, IDNO...) and waits until the box has
// gone; false if it stays.
bool pressButton(HWND box, int id);

// Waits for a popup menu of the process; its number of items, -1 when none
// showed within `timeoutMs`. `menuWindow` is the menu's window.
int waitForPopupMenuItemCount(HANDLE process, DWORD processId, HWND& menuWindow, DWORD timeoutMs = 10000);
// Chooses the shown popup menu's item at `position` (0-based) with the
// keyboard, as a user would, and waits until the menu has gone; false if it
// stays.
bool chooseMenuItem(HWND menuWindow, size_t position);

}  // namespace e2e
