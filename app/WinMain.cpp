// The process entry: the hand-over to the 64-bit exe where it applies, then
// OLE, the common controls, the debug privilege, the target from argument
// 1, the main window and its run.

#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <memory>

#include "app/MessageLoop.h"
#include "os/HandOver.h"
#include "scan/native/DebugPrivilege.h"
#include "search/TargetPath.h"
#include "ui/main/MainWindow.h"

void EnsureStartUpLinked();

namespace {
// Every class the tool may use except ICC_NATIVEFNTCTL_CLASS and ICC_STANDARD_CLASSES.
constexpr DWORD kCommonControlClasses = 0x9FFF;
}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  EnsureStartUpLinked();
  // Before any window, OLE or privilege: a run handed over shows nothing of
  // this process.
  if (const std::optional<DWORD> handedOver = HandOverTo64BitSibling(RealHandOverSystem())) {
    return static_cast<int>(*handedOver);
  }
  ::OleInitialize(nullptr);
  INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX), kCommonControlClasses};
  ::InitCommonControlsEx(&classes);
  EnableDebugPrivilege();
  // A command line whose argument 1 is no path runs no search: the window
  // says "查找失败".
  bool targetUnusable = false;
  WideText targetPath = TargetPathFromCommandLine(::GetCommandLineW(), &targetUnusable);
  const auto mainWindow = std::make_shared<MainWindow>(std::move(targetPath), targetUnusable);
  return RunMainWindow(*mainWindow);
}
