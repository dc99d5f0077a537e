#include "app/TargetPath.h"

#include "app/CommandLine.h"
#include "text/CodePageConversion.h"

namespace {
constexpr DWORD kFullPathChars = 4096;
constexpr int kFullPathBytes = 4104;
}  // namespace

AnsiString targetPathFromCommandLine(const WCHAR* commandLine) {
  std::vector<WideText> arguments = splitCommandLine(commandLine != nullptr ? WideText(commandLine) : WideText());
  // Entry 0 is the executable itself; entries from 2 on are ignored.
  if (arguments.size() < 2) return AnsiString();
  // Characters missing from the ANSI code page become its default character.
  AnsiString narrow(AnsiFromWide(arguments[1].c_str()).get());
  AnsiString full;
  char* buffer = full.GetBuffer(kFullPathBytes);
  buffer[0] = '\0';
  DWORD written = ::GetFullPathNameA(narrow.GetString(), kFullPathChars, buffer, nullptr);
  if (written == 0) {
    full.ReleaseBufferSetLength(0);
    return AnsiString();
  }
  // A path too long for the buffer leaves whatever text the buffer holds.
  buffer[kFullPathBytes] = '\0';
  full.ReleaseBuffer();
  return full;
}
