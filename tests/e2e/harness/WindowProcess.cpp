#include "WindowProcess.h"

#include <stdexcept>

#include "OtherProcesses.h"
#include "TopLevelWindow.h"
#include "Wait.h"

namespace e2e {

WindowProcess::WindowProcess(const OstrelProcess& started, DWORD milliseconds) {
  bool ended = false;
  waitUntil([&] {
    if (findTopLevel(started.id(), nullptr, L"Ostrel") != nullptr) {
      id_ = started.id();
    } else if (const DWORD sibling = childProcessOf(started.id(), L"Ostrel64.exe")) {
      if (findTopLevel(sibling, nullptr, L"Ostrel") != nullptr) id_ = sibling;
    }
    ended = ::WaitForSingleObject(started.handle(), 0) == WAIT_OBJECT_0;
    return id_ != 0 || ended;
  }, milliseconds);
  if (id_ == 0) throw std::runtime_error(ended ? "Ostrel.exe ended before a window showed" : "no Ostrel window appeared");
  if (id_ == started.id()) {
    handle_ = started.handle();
    return;
  }
  sibling_ = ::OpenProcess(PROCESS_ALL_ACCESS, FALSE, id_);
  if (sibling_ == nullptr) throw std::runtime_error("cannot open Ostrel64.exe");
  handle_ = sibling_;
}

WindowProcess::~WindowProcess() {
  if (sibling_ == nullptr) return;
  if (::WaitForSingleObject(sibling_, 0) == WAIT_TIMEOUT) {
    ::TerminateProcess(sibling_, 0xE2E);
    ::WaitForSingleObject(sibling_, 10000);
  }
  ::CloseHandle(sibling_);
}

}  // namespace e2e
