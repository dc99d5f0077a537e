// Starts Ostrel.exe (path in argv[1]) with its standard output redirected to
// a file, closes its window if it opens one, and checks that it ends with
// exit code 0 and writes nothing but the privilege messages.

#include <windows.h>

#include <cstdio>
#include <string>

#include "TopLevelWindow.h"

namespace {

constexpr DWORD kStartLimitMs = 60000;
constexpr DWORD kExitLimitMs = 30000;

int fail(const char* what) {
  std::printf("FAIL: %s\n", what);
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return fail("usage: StartAndExit Ostrel.exe");
  char tempDir[MAX_PATH];
  ::GetTempPathA(MAX_PATH, tempDir);
  std::string outPath = std::string(tempDir) + "ostrel-stdout.txt";

  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE out = ::CreateFileA(outPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
  if (out == INVALID_HANDLE_VALUE) return fail("cannot create the output file");

  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = out;
  startup.hStdError = out;
  startup.hStdInput = nullptr;
  PROCESS_INFORMATION process{};
  std::string commandLine = std::string("\"") + argv[1] + "\"";
  if (!::CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                        &process)) {
    ::CloseHandle(out);
    return fail("cannot start Ostrel.exe");
  }
  ::CloseHandle(out);
  ::CloseHandle(process.hThread);

  // Until the main window exists the program may end by itself; once it has
  // one, closing the window must end it.
  DWORD waited = 0;
  while (::WaitForSingleObject(process.hProcess, 250) == WAIT_TIMEOUT) {
    waited += 250;
    const HWND window = e2e::findTopLevel(process.dwProcessId, nullptr);
    if (window != nullptr) {
      ::PostMessageA(window, WM_CLOSE, 0, 0);
      if (::WaitForSingleObject(process.hProcess, kExitLimitMs) != WAIT_OBJECT_0) {
        ::TerminateProcess(process.hProcess, 99);
        ::CloseHandle(process.hProcess);
        return fail("the process did not end after WM_CLOSE");
      }
      break;
    }
    if (waited > kStartLimitMs) {
      ::TerminateProcess(process.hProcess, 99);
      ::CloseHandle(process.hProcess);
      return fail("neither a window nor an exit within the limit");
    }
  }
  DWORD code = 1;
  ::GetExitCodeProcess(process.hProcess, &code);
  ::CloseHandle(process.hProcess);
  if (code != 0) {
    std::printf("exit code %lu\n", static_cast<unsigned long>(code));
    return fail("exit code is not 0");
  }

  // Standard output holds at most the privilege messages.
  FILE* text = std::fopen(outPath.c_str(), "r");
  if (text == nullptr) return fail("cannot read the output file");
  char line[512];
  int bad = 0;
  while (std::fgets(line, sizeof line, text) != nullptr) {
    std::string s(line);
    if (s.find("failed, Error = ") == std::string::npos ||
        s.find("SeDebugPrivilege is not available.") == std::string::npos) {
      std::printf("unexpected output: %s", line);
      ++bad;
    }
  }
  std::fclose(text);
  ::DeleteFileA(outPath.c_str());
  if (bad != 0) return fail("unexpected standard output");
  std::printf("OK: Ostrel.exe ended with exit code 0\n");
  return 0;
}
