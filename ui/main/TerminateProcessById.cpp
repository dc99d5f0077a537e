#include "ui/main/TerminateProcessById.h"

#include "scan/native/UniqueHandle.h"

namespace {
constexpr UINT kExitCode = 0;
}  // namespace

bool terminateProcessById(DWORD processId) {
  const UniqueHandle process(::OpenProcess(PROCESS_TERMINATE, FALSE, processId));
  if (!process) return false;
  return ::TerminateProcess(process.get(), kExitCode) != FALSE;
}
