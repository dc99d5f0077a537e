#include "ui/main/TerminateProcessById.h"

#include "scan/native/UniqueHandle.h"

namespace {
constexpr UINT kExitCode = 0;
// SYNCHRONIZE lets the process be asked whether it still runs.
constexpr DWORD kAccess = PROCESS_TERMINATE | SYNCHRONIZE;

bool hasEnded(HANDLE process) { return ::WaitForSingleObject(process, 0) == WAIT_OBJECT_0; }
}  // namespace

bool terminateProcessById(DWORD processId) {
  const UniqueHandle process(::OpenProcess(kAccess, FALSE, processId));
  if (!process) return false;
  // A process that has ended stays openable while anyone holds a handle to
  // it, and some systems then let TerminateProcess "succeed" on it: ending
  // it again must still count as a failure.
  if (hasEnded(process.get())) return false;
  return ::TerminateProcess(process.get(), kExitCode) != FALSE;
}
