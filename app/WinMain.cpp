// The process entry: OLE, the common controls, the Application, its run.

#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include "app/Application.h"

void EnsureStartUpLinked();

namespace {
// Every class the tool may use except ICC_NATIVEFNTCTL_CLASS and ICC_STANDARD_CLASSES.
constexpr DWORD kCommonControlClasses = 0x9FFF;
}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  EnsureStartUpLinked();
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
