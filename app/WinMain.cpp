// The process entry: the hand-over to the 64-bit exe where it applies, then
// OLE, the common controls, the Application, its run.

#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include "app/Application.h"
#include "app/HandOver.h"

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
  int exitCode;
  {
    Application application;
    exitCode = application.run();
  }
  return exitCode;
}
