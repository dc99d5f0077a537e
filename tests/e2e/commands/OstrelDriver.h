#pragma once
// What the menu commands' cases need beyond the shared harness (the Ostrel
// process, its main window, rows and status): other windows of Ostrel's
// (message boxes, popup menus, the About box), real mouse and keyboard input
// through SendInput, and what other processes were started with.

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "TopLevelWindow.h"

namespace e2e {

// Polls `condition` until it holds or `timeoutMs` has passed.
bool waitUntil(const std::function<bool()>& condition, DWORD timeoutMs = 20000);


// This driver's own executable.
std::wstring driverPath();

// Brings `window` to the foreground and waits until it is there.
void bringToFront(HWND window);

// A message box of `processId`: its caption, its text and whether it shows an
// icon; closed with OK.
struct MessageBoxSeen {
  HWND window = nullptr;
  std::wstring caption;
  std::wstring text;
  bool hasIcon = false;
};
MessageBoxSeen waitForMessageBox(DWORD processId, DWORD timeoutMs = 20000);
void pressOk(HWND box);

// The number of items of the popup menu that a process shows (-1: none
// shown); `menuWindow` is the menu's window.
int waitForPopupMenuItemCount(HANDLE process, DWORD processId, HWND& menuWindow, DWORD timeoutMs = 10000);

// Real input.
void clickAt(POINT screen, bool right);
void leftClickCentre(HWND window);
void pressKeys(const std::vector<WORD>& keys);  // pressed in order, released in reverse

// The command lines of the running processes with this image name.
std::vector<std::wstring> commandLinesOf(const wchar_t* imageName);
// Ends every process with this image name whose command line contains `part`.
void endProcessesWith(const wchar_t* imageName, const std::wstring& part);

// The driver's own helper modes; true when argv named one (it then ran).
bool runHelperMode(int argc, wchar_t** argv, int& exitCode);

// A file under the driver's scratch folder, created with some content.
std::wstring makeScratchFile(const std::wstring& name);

}  // namespace e2e
