#include "app/HandOver.h"

#include <vector>

#include "os/SystemCalls.h"
#include "os/UniqueHandle.h"

const wchar_t kSixtyFourBitExeName[] = L"Ostrel64.exe";

namespace {
// Room for a long path (\\?\ form) of the own executable.
constexpr DWORD kLongPathChars = 32768;

bool realRunsUnderWow64() {
  BOOL wow64 = FALSE;
  return Sys().IsWow64Process(Sys().GetCurrentProcess(), &wow64) != FALSE && wow64 != FALSE;
}

std::wstring realOwnExecutablePath() {
  std::vector<wchar_t> buffer(kLongPathChars);
  const DWORD length = ::GetModuleFileNameW(nullptr, buffer.data(), kLongPathChars);
  if (length == 0 || length >= kLongPathChars) return std::wstring();
  return std::wstring(buffer.data(), length);
}

bool realIsFile(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::wstring realCommandLine() {
  const wchar_t* text = ::GetCommandLineW();
  return text != nullptr ? std::wstring(text) : std::wstring();
}

std::wstring realCurrentDirectory() {
  std::vector<wchar_t> buffer(kLongPathChars);
  const DWORD length = ::GetCurrentDirectoryW(kLongPathChars, buffer.data());
  if (length == 0 || length >= kLongPathChars) return std::wstring();
  return std::wstring(buffer.data(), length);
}

std::optional<DWORD> realRunAndWait(const std::wstring& executable, const std::wstring& commandLine,
                                    const std::wstring& directory) {
  // CreateProcessW may write into the command line.
  std::vector<wchar_t> writable(commandLine.begin(), commandLine.end());
  writable.push_back(L'\0');
  STARTUPINFOW own{};
  own.cb = sizeof own;
  ::GetStartupInfoW(&own);
  // How the window was asked to show passes on; nothing else does (the
  // standard handles are not inherited).
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = own.dwFlags & STARTF_USESHOWWINDOW;
  startup.wShowWindow = own.wShowWindow;
  PROCESS_INFORMATION started{};
  if (!::CreateProcessW(executable.c_str(), writable.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        directory.empty() ? nullptr : directory.c_str(), &startup, &started)) {
    return std::nullopt;
  }
  const UniqueHandle thread(started.hThread);
  const UniqueHandle process(started.hProcess);
  ::WaitForSingleObject(process.get(), INFINITE);
  DWORD exitCode = 1;
  if (!Sys().GetExitCodeProcess(process.get(), &exitCode)) exitCode = 1;
  return exitCode;
}
}  // namespace

HandOverSystem RealHandOverSystem() {
#ifdef _WIN64
  constexpr bool kBuiltFor64Bit = true;
#else
  constexpr bool kBuiltFor64Bit = false;
#endif
  return HandOverSystem{kBuiltFor64Bit, realRunsUnderWow64, realOwnExecutablePath, realIsFile,
                        realCommandLine, realCurrentDirectory, realRunAndWait};
}

std::optional<DWORD> HandOverTo64BitSibling(const HandOverSystem& system) {
  if (system.builtFor64Bit || !system.runsUnderWow64()) return std::nullopt;
  const std::wstring own = system.ownExecutablePath();
  const std::size_t slash = own.find_last_of(L"\\/");
  if (slash == std::wstring::npos) return std::nullopt;
  const std::wstring sibling = own.substr(0, slash + 1) + kSixtyFourBitExeName;
  if (!system.isFile(sibling)) return std::nullopt;
  return system.runAndWait(sibling, system.commandLine(), system.currentDirectory());
}
