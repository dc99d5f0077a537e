#include "scan/IsProcessRunning.h"

#include "os/UniqueHandle.h"

bool IsProcessRunning(uint32_t processId) {
  UniqueHandle process(Sys().OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, processId));
  if (!process) return false;
  DWORD exitCode = 0;
  Sys().GetExitCodeProcess(process.get(), &exitCode);
  return exitCode == STILL_ACTIVE;
}
