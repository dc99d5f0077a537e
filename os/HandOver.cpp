#include "os/HandOver.h"

#include <vector>

#include "os/SystemCalls.h"
#include "os/UniqueHandle.h"

const wchar_t kSixtyFourBitExeName[] = L"Ostrel64.exe";
const wchar_t kSixtyFourBitConsoleExeName[] = L"ostrel-cli64.exe";

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

// Starts the sibling and waits for it. `passStandard`: the sibling writes to
// our standard output and error and reads our input, which are made
// inheritable for it (nothing else of ours is).
std::optional<DWORD> runAndWait(const std::wstring& executable, const std::wstring& commandLine,
                                const std::wstring& directory, bool passStandard) {
  // CreateProcessW may write into the command line.
  std::vector<wchar_t> writable(commandLine.begin(), commandLine.end());
  writable.push_back(L'\0');
  STARTUPINFOW own{};
  own.cb = sizeof own;
  ::GetStartupInfoW(&own);
  // How the window was asked to show passes on.
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = own.dwFlags & STARTF_USESHOWWINDOW;
  startup.wShowWindow = own.wShowWindow;
  if (passStandard) {
    startup.dwFlags |= STARTF_USESTDHANDLES;
    startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = ::GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
    for (HANDLE standard : {startup.hStdInput, startup.hStdOutput, startup.hStdError}) {
      if (standard != nullptr && standard != INVALID_HANDLE_VALUE) {
        ::SetHandleInformation(standard, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
      }
    }
  }
  PROCESS_INFORMATION started{};
  if (!::CreateProcessW(executable.c_str(), writable.data(), nullptr, nullptr, passStandard ? TRUE : FALSE, 0,
                        nullptr, directory.empty() ? nullptr : directory.c_str(), &startup, &started)) {
    return std::nullopt;
  }
  const UniqueHandle thread(started.hThread);
  const UniqueHandle process(started.hProcess);
  ::WaitForSingleObject(process.get(), INFINITE);
  DWORD exitCode = 1;
  if (!Sys().GetExitCodeProcess(process.get(), &exitCode)) exitCode = 1;
  return exitCode;
}

std::optional<DWORD> realRunAndWait(const std::wstring& executable, const std::wstring& commandLine,
                                    const std::wstring& directory) {
  return runAndWait(executable, commandLine, directory, false);
}

std::optional<DWORD> realRunAndWaitPassingStandard(const std::wstring& executable, const std::wstring& commandLine,
                                                   const std::wstring& directory) {
  return runAndWait(executable, commandLine, directory, true);
}
}  // namespace

HandOverSystem RealHandOverSystem(StandardHandles standard) {
#ifdef _WIN64
  constexpr bool kBuiltFor64Bit = true;
#else
  constexpr bool kBuiltFor64Bit = false;
#endif
  return HandOverSystem{kBuiltFor64Bit, realRunsUnderWow64, realOwnExecutablePath, realIsFile,
                        realCommandLine, realCurrentDirectory,
                        standard == StandardHandles::kPassedOn ? realRunAndWaitPassingStandard : realRunAndWait};
}

std::optional<DWORD> HandOverTo64BitSibling(const HandOverSystem& system, const wchar_t* siblingName) {
  if (system.builtFor64Bit || !system.runsUnderWow64()) return std::nullopt;
  const std::wstring own = system.ownExecutablePath();
  const std::size_t slash = own.find_last_of(L"\\/");
  if (slash == std::wstring::npos) return std::nullopt;
  const std::wstring sibling = own.substr(0, slash + 1) + siblingName;
  if (!system.isFile(sibling)) return std::nullopt;
  return system.runAndWait(sibling, system.commandLine(), system.currentDirectory());
}
