#include "OstrelProcess.h"

#include <stdexcept>
#include <vector>

namespace e2e {

std::wstring DriverPath() {
  std::vector<wchar_t> own(MAX_PATH * 4);
  DWORD length = ::GetModuleFileNameW(nullptr, own.data(), static_cast<DWORD>(own.size()));
  return std::wstring(own.data(), length);
}

std::wstring besideDriver(const std::wstring& name) {
  std::wstring path = DriverPath();
  path.resize(path.find_last_of(L"\\/") + 1);
  return path + name;
}

// The 64-bit build of the exe is named Ostrel64.exe; the driver has the
// exe's bitness.
std::wstring OstrelExecutablePath() { return besideDriver(sizeof(void*) == 8 ? L"Ostrel64.exe" : L"Ostrel.exe"); }

OstrelProcess::OstrelProcess(const std::wstring& arguments) {
  const std::wstring exe = OstrelExecutablePath();
  std::wstring commandLine = L"\"" + exe + L"\"";
  if (!arguments.empty()) commandLine += L" " + arguments;
  start(exe.c_str(), commandLine);
}

OstrelProcess::OstrelProcess(const CommandLine& commandLine) { start(nullptr, commandLine.text); }

void OstrelProcess::start(const wchar_t* executable, const std::wstring& commandLine) {
  std::vector<wchar_t> writable(commandLine.begin(), commandLine.end());
  writable.push_back(L'\0');
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!::CreateProcessW(executable, writable.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
    throw std::runtime_error("cannot start Ostrel.exe");
  }
  ::CloseHandle(info.hThread);
  process_ = info.hProcess;
  processId_ = info.dwProcessId;
}

OstrelProcess::~OstrelProcess() {
  if (::WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
    ::TerminateProcess(process_, 0xE2E);
    ::WaitForSingleObject(process_, 10000);
  }
  ::CloseHandle(process_);
}

std::optional<DWORD> OstrelProcess::waitForExit(DWORD milliseconds) {
  if (::WaitForSingleObject(process_, milliseconds) != WAIT_OBJECT_0) return std::nullopt;
  DWORD code = 0;
  ::GetExitCodeProcess(process_, &code);
  return code;
}

}  // namespace e2e
