// The main window's run: the main dialog with its four callbacks, the
// accelerators, and the message loop. The loop translates the accelerators
// for the main window only and never calls IsDialogMessage, so the main
// dialog has no Tab navigation and no default button.

#include <windows.h>

#include "app/Application.h"
#include "res/resource.h"
#include "ui/framework/DialogWindow.h"
#include "ui/main/WindowTexts.h"

namespace {
// The run's answer when the main window cannot be created.
constexpr int kNoMainWindowExitCode = 1;
}  // namespace

int Application::run() {
  mainDialog = std::make_shared<DialogWindow>(IDD_MAIN, IDI_OSTREL);
  mainDialog->onInitDialog = [this](DialogWindow&) -> BOOL {
    setUpControls();
    restartSearch();
    layoutControls();
    return TRUE;
  };
  mainDialog->addMessageHandler(WM_COMMAND, OneArgumentCallback([this](WPARAM wParam) {
                                  return onCommand(LOWORD(wParam)) != 0;
                                }));
  mainDialog->addMessageHandler(kSearchDoneMessage, OneArgumentCallback([this](WPARAM) {
                                  onSearchDone();
                                  return true;
                                }));
  mainDialog->addMessageHandler(kClosingProgressMessage, TwoArgumentCallback([this](WPARAM done, LPARAM total) {
                                  onClosingProgress(static_cast<int>(done), static_cast<int>(total));
                                  return true;
                                }));
  mainDialog->addMessageHandler(kClosingDoneMessage, TwoArgumentCallback([this](WPARAM failed, LPARAM changed) {
                                  onClosingDone(failed, changed);
                                  return true;
                                }));
  mainDialog->onSize = [this] { layoutControls(); };
  mainDialog->onClose = [] { ::ExitProcess(0); };

  // Loaded once and never destroyed: it lives as long as the process.
  HACCEL accelerators = ::LoadAcceleratorsW(ResourceModule, MAKEINTRESOURCEW(IDR_ACCELERATORS));

  mainDialog->createModeless(nullptr, 0);
  HWND window = mainWindow();
  if (window == nullptr) {
    // Without a window the loop below would never end: say so and stop.
    ::MessageBoxW(nullptr, kNoMainWindowMessage, kPromptCaption, MB_ICONERROR | MB_OK);
    return kNoMainWindowExitCode;
  }
  ::ShowWindow(window, SW_SHOW);

  MSG message;
  for (;;) {
    BOOL got = ::GetMessageW(&message, nullptr, 0, 0);
    if (got == 0 || got == -1) break;
    if (routeThreadMessage(message)) continue;
    if (window != nullptr && accelerators != nullptr && ::TranslateAcceleratorW(window, accelerators, &message)) {
      continue;
    }
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  return 0;
}

HWND Application::mainWindow() const { return mainDialog ? mainDialog->hwnd() : nullptr; }
