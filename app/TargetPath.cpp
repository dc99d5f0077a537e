#include "app/TargetPath.h"

#include "app/CommandLine.h"
#include "text/CodePageConversion.h"

namespace {
constexpr DWORD kFullPathChars = 4096;
constexpr int kFullPathBytes = 4104;
}  // namespace

AnsiString TargetPathFromCommandLine(const WCHAR* commandLine, bool* unusable) {
  if (unusable != nullptr) *unusable = false;
  std::vector<WideText> arguments = SplitCommandLine(commandLine != nullptr ? WideText(commandLine) : WideText());
  // Entry 0 is the executable itself; entries from 2 on are ignored.
  if (arguments.size() < 2) return AnsiString();
  // Characters missing from the ANSI code page become its default character.
  AnsiString narrow(AnsiFromWide(arguments[1].c_str()).get());
  AnsiString full;
  char* buffer = full.GetBuffer(kFullPathBytes);
  buffer[0] = '\0';
  const DWORD written = ::GetFullPathNameA(narrow.GetString(), kFullPathChars, buffer, nullptr);
  // A path that fails, or would not fit the buffer, is no target at all:
  // never a cut one, never "every file".
  if (written == 0 || written >= kFullPathChars) {
    full.ReleaseBufferSetLength(0);
    if (unusable != nullptr) *unusable = !narrow.IsEmpty() || !arguments[1].empty();
    return AnsiString();
  }
  full.ReleaseBufferSetLength(static_cast<int>(written));
  return full;
}
