// The loop translates the accelerators for the main window first (Esc hides
// the search box before the dialog manager could take it), then lets the
// dialog manager have the window's keys: Tab and Shift+Tab move between the
// list and the shown search box, the window's only tab stops. The
// session's ends that came with no window go to the window's object.

#include "app/MessageLoop.h"

#include <windows.h>

#include "res/resource.h"
#include "ui/main/MainWindow.h"
#include "text/WindowTexts.h"

namespace {
// The run's answer when the main window cannot be created.
constexpr int kNoMainWindowExitCode = 1;
}  // namespace

int RunMainWindow(MainWindow& mainWindow) {
  // Loaded once and never destroyed: it lives as long as the process.
  const HACCEL accelerators = ::LoadAcceleratorsW(ResourceModule, MAKEINTRESOURCEW(IDR_ACCELERATORS));
  if (!mainWindow.open()) {
    // Without a window the loop below would never end: say so and stop.
    ::MessageBoxW(nullptr, kNoMainWindowMessage, kPromptCaption, MB_ICONERROR | MB_OK);
    return kNoMainWindowExitCode;
  }
  const HWND window = mainWindow.hwnd();
  MSG message;
  for (;;) {
    const BOOL got = ::GetMessageW(&message, nullptr, 0, 0);
    if (got == 0 || got == -1) break;
    if (mainWindow.routeThreadMessage(message)) continue;
    if (accelerators != nullptr && ::TranslateAcceleratorW(window, accelerators, &message)) continue;
    if (::IsDialogMessageW(window, &message)) continue;
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  return 0;
}
