#include "scan/QueryFinalPath.h"

#include "os/SystemCalls.h"

namespace {
constexpr int kPathSpace = 4096;
// Told to the system: a few bytes short of the space, so its terminator always fits.
constexpr DWORD kPathLength = 4092;
constexpr DWORD kNormalizedDriveLetterForm = 0;
}  // namespace

int QueryFinalPath(HANDLE file, AnsiString& path) {
  path.Empty();
  char* space = path.GetBuffer(kPathSpace);
  // A call that writes nothing (too small a space, a failure) leaves the text empty.
  space[0] = '\0';
  space[kPathLength] = '\0';
  const DWORD written = Sys().GetFinalPathNameByHandleA(file, space, kPathLength, kNormalizedDriveLetterForm);
  path.ReleaseBuffer();
  if (written == 0) return 0;
  const int mark = path.Find('?');
  if (mark >= 0) path = path.Mid(mark + 2);
  return 1;
}
