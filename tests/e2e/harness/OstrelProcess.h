#pragma once
// Ostrel.exe started by the driver: the process beside the driver's own
// executable, with optional arguments, ended by the destructor if it is
// still running.

#include <windows.h>

#include <optional>
#include <string>

namespace e2e {

// Ostrel.exe (Ostrel64.exe in a 64-bit driver) in the driver's own folder.
std::wstring OstrelExecutablePath();
// The driver's own executable.
std::wstring DriverPath();
// A file in the driver's folder (file_holder.exe, held_module.dll): its full path.
std::wstring besideDriver(const std::wstring& name);

// A command line as the system runs a registered command: complete, the
// executable's path included.
struct CommandLine {
  std::wstring text;
};

class OstrelProcess {
 public:
  // `arguments` follow the executable's quoted path on the command line as
  // given (quote paths with spaces yourself).
  explicit OstrelProcess(const std::wstring& arguments = L"");
  explicit OstrelProcess(const CommandLine& commandLine);
  ~OstrelProcess();
  OstrelProcess(const OstrelProcess&) = delete;
  OstrelProcess& operator=(const OstrelProcess&) = delete;

  HANDLE handle() const { return process_; }
  DWORD id() const { return processId_; }
  // The exit code once the process has ended within `milliseconds`.
  std::optional<DWORD> waitForExit(DWORD milliseconds);

 private:
  void start(const wchar_t* executable, const std::wstring& commandLine);

  HANDLE process_ = nullptr;
  DWORD processId_ = 0;
};

}  // namespace e2e
