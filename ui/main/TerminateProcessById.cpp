#include "ui/main/TerminateProcessById.h"

#include <mbstring.h>

#include "os/UniqueHandle.h"
#include "text/AnsiString.h"

namespace {
constexpr UINT kExitCode = 0;
// SYNCHRONIZE lets the process be asked whether it still runs.
constexpr DWORD kAccess = PROCESS_TERMINATE | SYNCHRONIZE;
constexpr DWORD kImagePathBytes = 4096;

bool hasEnded(HANDLE process) { return ::WaitForSingleObject(process, 0) == WAIT_OBJECT_0; }

bool runsImage(HANDLE process, const char* expected) {
  AnsiString image;
  DWORD size = kImagePathBytes;
  char* buffer = image.GetBuffer(static_cast<int>(kImagePathBytes));
  const BOOL read = ::QueryFullProcessImageNameA(process, 0, buffer, &size);
  image.ReleaseBufferSetLength(read != FALSE ? static_cast<int>(size) : 0);
  // Paths in the ANSI code page, compared as the search compares them.
  return read != FALSE && _mbsicmp(reinterpret_cast<const unsigned char*>(image.GetString()),
                                   reinterpret_cast<const unsigned char*>(expected)) == 0;
}
}  // namespace

bool terminateProcessById(DWORD processId, const char* expectedImagePath) {
  const bool checkImage = expectedImagePath != nullptr && expectedImagePath[0] != '\0';
  const DWORD access = checkImage ? kAccess | PROCESS_QUERY_LIMITED_INFORMATION : kAccess;
  const UniqueHandle process(::OpenProcess(access, FALSE, processId));
  if (!process) return false;
  // A process that has ended stays openable while anyone holds a handle to
  // it, and some systems then let TerminateProcess "succeed" on it: ending
  // it again must still count as a failure.
  if (hasEnded(process.get())) return false;
  if (checkImage && !runsImage(process.get(), expectedImagePath)) return false;
  return ::TerminateProcess(process.get(), kExitCode) != FALSE;
}
