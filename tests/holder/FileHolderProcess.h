#pragma once
// Starts file_holder.exe (beside the running test program) holding the given
// files, waits until it holds them, and ends it when destroyed.

#include <windows.h>

#include <string>
#include <vector>

class FileHolderProcess {
 public:
  explicit FileHolderProcess(const std::vector<std::wstring>& paths) {
    wchar_t self[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring program(self);
    program = program.substr(0, program.find_last_of(L'\\') + 1) + L"file_holder.exe";

    static LONG counter = 0;
    const std::wstring eventName = L"OstrelHolderReady-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                                   std::to_wstring(::InterlockedIncrement(&counter));
    const HANDLE ready = ::CreateEventW(nullptr, TRUE, FALSE, eventName.c_str());
    std::wstring commandLine = L"\"" + program + L"\" " + eventName;
    for (const std::wstring& path : paths) commandLine += L" \"" + path + L"\"";

    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (::CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                         &info)) {
      process_ = info.hProcess;
      pid_ = info.dwProcessId;
      ::CloseHandle(info.hThread);
      const HANDLE waits[] = {ready, process_};
      holding_ = ::WaitForMultipleObjects(2, waits, FALSE, 60000) == WAIT_OBJECT_0;
    }
    ::CloseHandle(ready);
  }
  ~FileHolderProcess() {
    if (process_ == nullptr) return;
    ::TerminateProcess(process_, 0);
    ::WaitForSingleObject(process_, 30000);
    ::CloseHandle(process_);
  }
  FileHolderProcess(const FileHolderProcess&) = delete;
  FileHolderProcess& operator=(const FileHolderProcess&) = delete;

  bool holding() const { return holding_; }
  DWORD pid() const { return pid_; }

 private:
  HANDLE process_ = nullptr;
  DWORD pid_ = 0;
  bool holding_ = false;
};
