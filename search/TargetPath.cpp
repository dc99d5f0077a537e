#include "search/TargetPath.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "text/CommandLine.h"
#include "os/FileSystemRedirectionOff.h"
#include "os/SystemCalls.h"
#include "os/UniqueHandle.h"
#include "scan/HandleNaming.h"

namespace {
// The longest path the system names, in units.
constexpr DWORD kFullPathUnits = 32768;
// The user's persistent drive mappings: HKCU\Network\<letter>, value RemotePath.
constexpr wchar_t kMappingsKey[] = L"Network\\";
constexpr wchar_t kRemotePathValue[] = L"RemotePath";

bool isDriveLetterPath(WideView path) {
  return path.size() >= 2 && path[1] == ':' && ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
}

// What the system says of one spelling of the target: whether it is a
// folder, whether it says there is no such file or folder, and its final
// path when it can be opened. Every call that touches the file system for
// the target is here.
struct SystemAnswer {
  bool folder = false;
  bool missing = false;
  bool opened = false;
  SharedText finalPath;
};

// The answers that say the name names nothing. Others (access denied, a
// share that does not answer, a file being deleted) leave the question open:
// the file may exist and be held.
bool saysNoSuchFile(DWORD error) {
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_INVALID_DRIVE ||
         error == ERROR_INVALID_NAME;
}

SystemAnswer askSystem(const WideText& path) {
  // The file the user named, not its SysWOW64 twin.
  const FileSystemRedirectionOff realFileSystem;
  SystemAnswer answer;
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  answer.missing = attributes == INVALID_FILE_ATTRIBUTES && saysNoSuchFile(::GetLastError());
  answer.folder = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  HANDLE opened = ::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (opened == INVALID_HANDLE_VALUE) return answer;
  const UniqueHandle target(opened);
  answer.opened = true;
  answer.finalPath = QueryFinalPath(target.get());
  return answer;
}

// Whether the path's drive letter names no drive at all for this process.
// Only then is a mapping of the letter asked: a drive that exists (a local
// D:, a substituted or a mapped one this process sees) is the target's
// drive, whatever a stale mapping of its letter in the registry says.
bool driveUnseen(const WideText& path, const SystemAnswer& answer) {
  if (!isDriveLetterPath(path) || answer.opened) return false;
  const WCHAR root[] = {path[0], ':', '\\', 0};
  return Sys().GetDriveTypeW(root) == DRIVE_NO_ROOT_DIR;
}

// A remote path as a drive mapping names one: "\\server\share", perhaps
// with folders below. A local path ("C:\..."), a device or extended-length
// path ("\\.\...", "\\?\...") or anything else would name another file
// than the user's mapped one.
bool isNetworkSharePath(WideView path) {
  if (path.size() < 5 || path[0] != '\\' || path[1] != '\\') return false;
  const std::size_t serverEnd = path.find('\\', 2);
  if (serverEnd == WideView::npos || serverEnd == 2) return false;
  const WideView server = path.substr(2, serverEnd - 2);
  if (server == WTEXT(".")) return false;
  for (const WCHAR unit : server) {
    if (unit == '?' || unit == '*' || unit == ':' || unit == '/') return false;
  }
  const std::size_t shareEnd = path.find('\\', serverEnd + 1);
  const WideView share = path.substr(serverEnd + 1, shareEnd == WideView::npos ? WideView::npos : shareEnd - serverEnd - 1);
  return !share.empty();
}

// The remote path of the user's persistent mapping of the path's drive
// letter; empty when there is none, or when it names no network share.
WideText mappedRemotePath(const WideText& path) {
  const WideText key = kMappingsKey + WideText(1, path[0]);
  WCHAR remote[kFullPathUnits];
  DWORD bytes = sizeof remote;
  if (Sys().RegGetValueW(HKEY_CURRENT_USER, key.c_str(), kRemotePathValue, RRF_RT_REG_SZ, nullptr, remote, &bytes) !=
      ERROR_SUCCESS) {
    return WideText();
  }
  std::size_t units = std::min<std::size_t>(bytes / sizeof(WCHAR), kFullPathUnits);
  while (units > 0 && remote[units - 1] == 0) --units;
  WideText value(remote, units);
  return isNetworkSharePath(value) ? value : WideText();
}
}  // namespace

WideText TargetPathFromCommandLine(const WCHAR* commandLine, bool* unusable) {
  if (unusable != nullptr) *unusable = false;
  std::vector<WideText> arguments = SplitCommandLine(commandLine != nullptr ? WideText(commandLine) : WideText());
  // Entry 0 is the executable itself; entries from 2 on are ignored.
  if (arguments.size() < 2) return WideText();
  return FullTargetPath(arguments[1], unusable);
}

WideText FullTargetPath(const WideText& argument, bool* unusable) {
  if (unusable != nullptr) *unusable = false;
  WideText full(kFullPathUnits, 0);
  DWORD written = 0;
  {
    const FileSystemRedirectionOff realFileSystem;
    written = ::GetFullPathNameW(argument.c_str(), kFullPathUnits, full.data(), nullptr);
  }
  // A path that fails, or would not fit the buffer, is no target at all:
  // never a cut one, never "every file".
  if (written == 0 || written >= kFullPathUnits) {
    if (unusable != nullptr) *unusable = !argument.empty();
    return WideText();
  }
  full.resize(written);
  return full;
}

WideText PathThroughMapping(WideView fullPath, WideView remotePath) {
  if (!isDriveLetterPath(fullPath) || remotePath.empty()) return WideText();
  WideText path(remotePath);
  if (path.back() == '\\') path.pop_back();
  WideView rest = fullPath.substr(2);
  if (rest.empty()) rest = WideView(WTEXT("\\"));
  if (rest.front() != '\\') path += '\\';
  path += rest;
  return path;
}

TargetIdentity IdentifyTarget(const WideText& fullPath) {
  TargetIdentity identity;
  identity.matchPath = fullPath;
  if (fullPath.empty()) return identity;
  SystemAnswer answer = askSystem(fullPath);
  if (driveUnseen(fullPath, answer)) {
    const WideText remote = PathThroughMapping(fullPath, mappedRemotePath(fullPath));
    if (!remote.empty()) {
      identity.matchPath = remote;
      answer = askSystem(remote);
    }
  }
  identity.folder = answer.folder;
  identity.missing = answer.missing && !answer.opened;
  if (!answer.finalPath.IsEmpty()) identity.matchPath = answer.finalPath.ToWide();
  return identity;
}
