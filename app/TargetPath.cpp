#include "app/TargetPath.h"

#include <windows.h>

#include <vector>

#include "app/CommandLine.h"
#include "os/UniqueHandle.h"
#include "scan/HandleNaming.h"
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
  return FullTargetPath(arguments[1], unusable);
}

AnsiString FullTargetPath(const WideText& argument, bool* unusable) {
  if (unusable != nullptr) *unusable = false;
  // Characters missing from the ANSI code page become its default character.
  AnsiString narrow(AnsiFromWide(argument.c_str()).get());
  AnsiString full;
  char* buffer = full.GetBuffer(kFullPathBytes);
  buffer[0] = '\0';
  const DWORD written = ::GetFullPathNameA(narrow.GetString(), kFullPathChars, buffer, nullptr);
  // A path that fails, or would not fit the buffer, is no target at all:
  // never a cut one, never "every file".
  if (written == 0 || written >= kFullPathChars) {
    full.ReleaseBufferSetLength(0);
    if (unusable != nullptr) *unusable = !narrow.IsEmpty() || !argument.empty();
    return AnsiString();
  }
  full.ReleaseBufferSetLength(static_cast<int>(written));
  return full;
}

TargetIdentity IdentifyTarget(const AnsiString& fullPath) {
  TargetIdentity identity;
  identity.matchPath = fullPath;
  if (fullPath.IsEmpty()) return identity;
  const DWORD attributes = ::GetFileAttributesA(fullPath);
  identity.folder = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  HANDLE opened = ::CreateFileA(fullPath, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (opened == INVALID_HANDLE_VALUE) return identity;
  const UniqueHandle target(opened);
  const AnsiString systemName = QueryFinalPath(target.get());
  if (!systemName.IsEmpty()) identity.matchPath = systemName;
  return identity;
}
