#include "scan/QueryProcessImagePath.h"

#include "os/UniqueHandle.h"

namespace {
constexpr DWORD kQueryAccess = PROCESS_QUERY_INFORMATION | PROCESS_VM_READ;
constexpr int kPathSpace = 4104;
constexpr DWORD kPathLength = 4096;
}  // namespace

AnsiString QueryProcessImagePath(uint32_t processId) {
  UniqueHandle process(Sys().OpenProcess(kQueryAccess, FALSE, processId));
  AnsiString path;
  if (!process) return path;
  char* space = path.GetBuffer(kPathSpace);
  // A failed call writes nothing: the text stays empty.
  space[0] = '\0';
  space[kPathLength] = '\0';
  Sys().K32GetModuleFileNameExA(process.get(), nullptr, space, kPathLength);
  path.ReleaseBuffer();
  return path;
}
