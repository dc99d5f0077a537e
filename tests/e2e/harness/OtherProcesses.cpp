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
    if (::lstrcmpiW(entry.szExeFile, imageName) == 0) visit(entry);
  }
  ::CloseHandle(snapshot);
}

}  // namespace

std::vector<std::wstring> commandLinesOf(const wchar_t* imageName) {
  std::vector<std::wstring> lines;
  forEachProcess(imageName, [&](const PROCESSENTRY32W& entry) { lines.push_back(commandLineOf(entry.th32ProcessID)); });
  return lines;
}

void endProcessesWith(const wchar_t* imageName, const std::wstring& part) {
  forEachProcess(imageName, [&](const PROCESSENTRY32W& entry) {
    if (commandLineOf(entry.th32ProcessID).find(part) == std::wstring::npos) return;
    if (HANDLE process = ::OpenProcess(PROCESS_TERMINATE, FALSE, entry.th32ProcessID)) {
      ::TerminateProcess(process, 0);
      ::CloseHandle(process);
    }
  });
}

DWORD childProcessOf(DWORD parent, const wchar_t* imageName) {
  DWORD child = 0;
  forEachProcess(imageName, [&](const PROCESSENTRY32W& entry) {
    if (child == 0 && entry.th32ParentProcessID == parent) child = entry.th32ProcessID;
  });
  return child;
}

}  // namespace e2e
