#include "OtherProcesses.h"

#include <tlhelp32.h>
#include <winternl.h>

namespace e2e {
namespace {

std::wstring commandLineOf(DWORD processId) {
  using QueryInformationProcess = NTSTATUS(NTAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
  static const auto query = reinterpret_cast<QueryInformationProcess>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
  HANDLE process = ::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId);
  if (process == nullptr) return {};
  std::wstring line;
  PROCESS_BASIC_INFORMATION basic{};
  PEB peb{};
  RTL_USER_PROCESS_PARAMETERS parameters{};
  if (query(process, ProcessBasicInformation, &basic, sizeof basic, nullptr) == 0 &&
      ::ReadProcessMemory(process, basic.PebBaseAddress, &peb, sizeof peb, nullptr) &&
      ::ReadProcessMemory(process, peb.ProcessParameters, &parameters, sizeof parameters, nullptr)) {
    line.resize(parameters.CommandLine.Length / sizeof(wchar_t));
    if (!::ReadProcessMemory(process, parameters.CommandLine.Buffer, &line[0], parameters.CommandLine.Length,
                             nullptr)) {
      line.clear();
    }
  }
  ::CloseHandle(process);
  return line;
}

template <typename Visit>
void forEachProcess(const wchar_t* imageName, Visit visit) {
  HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = ::Process32FirstW(snapshot, &entry); more; more = ::Process32NextW(snapshot, &entry)) {
    if (::lstrcmpiW(entry.szExeFile, imageName) == 0) visit(entry.th32ProcessID);
  }
  ::CloseHandle(snapshot);
}

}  // namespace

std::vector<std::wstring> commandLinesOf(const wchar_t* imageName) {
  std::vector<std::wstring> lines;
  forEachProcess(imageName, [&](DWORD processId) { lines.push_back(commandLineOf(processId)); });
  return lines;
}

void endProcessesWith(const wchar_t* imageName, const std::wstring& part) {
  forEachProcess(imageName, [&](DWORD processId) {
    if (commandLineOf(processId).find(part) == std::wstring::npos) return;
    if (HANDLE process = ::OpenProcess(PROCESS_TERMINATE, FALSE, processId)) {
      ::TerminateProcess(process, 0);
      ::CloseHandle(process);
    }
  });
}

}  // namespace e2e
