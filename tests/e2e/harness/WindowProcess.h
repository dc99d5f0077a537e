#pragma once
// The process that shows the window of a started Ostrel.exe: the process
// itself, or, on 64-bit Windows, the Ostrel64.exe it handed the run over to.
// A sibling it opened is ended with the object if it still runs.

#include <windows.h>

#include "OstrelProcess.h"

namespace e2e {

class WindowProcess {
 public:
  // Waits up to `milliseconds` for a window captioned "Ostrel" of `started`
  // or of the Ostrel64.exe it started; throws when none comes.
  WindowProcess(const OstrelProcess& started, DWORD milliseconds);
  ~WindowProcess();
  WindowProcess(const WindowProcess&) = delete;
  WindowProcess& operator=(const WindowProcess&) = delete;

  HANDLE handle() const { return handle_; }
  DWORD id() const { return id_; }
  // The window is Ostrel64.exe's, not the started process's.
  bool handedOver() const { return sibling_ != nullptr; }

 private:
  HANDLE handle_ = nullptr;
  DWORD id_ = 0;
  HANDLE sibling_ = nullptr;  // opened here: closed (and ended) here
};

}  // namespace e2e
