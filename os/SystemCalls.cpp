#include "os/SystemCalls.h"

#ifdef _WIN32
#include <psapi.h>

#include <string>

namespace {
// A system DLL loaded on first use from the system's own folder; null where
// it cannot be loaded. Never unloaded: its calls may be running. The file
// server's calls (netapi32) and the Recycle Bin's (shell32, which brings the
// whole shell and the window manager with it) are loaded so: a search, and a
// console program that never recycles, never load them.
HMODULE systemDll(const wchar_t* name) {
  WCHAR folder[MAX_PATH];
  const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH - 16) return HMODULE{};
  const std::wstring path = std::wstring(folder, length) + L"\\" + name;
  return ::LoadLibraryW(path.c_str());
}

template <typename Fn>
Fn callIn(HMODULE module, const char* name) {
  return module == nullptr ? nullptr : reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

template <typename Fn>
Fn netApiCall(const char* name) {
  static const HMODULE module = systemDll(L"netapi32.dll");
  return callIn<Fn>(module, name);
}

int WINAPI SHFileOperationWOnDemand(SHFILEOPSTRUCTW* operation) {
  using Fn = int(WINAPI*)(SHFILEOPSTRUCTW*);
  static const Fn call = callIn<Fn>(systemDll(L"shell32.dll"), "SHFileOperationW");
  // ERROR_INVALID_FUNCTION: no shell, no Recycle Bin; the caller reports it.
  return call == nullptr ? ERROR_INVALID_FUNCTION : call(operation);
}

using NetFileEnumFn = DWORD(WINAPI*)(LPWSTR, LPWSTR, LPWSTR, DWORD, BYTE**, DWORD, DWORD*, DWORD*, DWORD_PTR*);
using NetFileCloseFn = DWORD(WINAPI*)(LPWSTR, DWORD);
using NetFileGetInfoFn = DWORD(WINAPI*)(LPWSTR, DWORD, DWORD, BYTE**);
using NetShareGetInfoFn = DWORD(WINAPI*)(LPWSTR, LPWSTR, DWORD, BYTE**);
using NetApiBufferFreeFn = DWORD(WINAPI*)(LPVOID);

DWORD WINAPI NetFileEnumOnDemand(LPWSTR server, LPWSTR basePath, LPWSTR userName, DWORD level, BYTE** buffer,
                                 DWORD preferredLength, DWORD* entriesRead, DWORD* totalEntries, DWORD_PTR* resume) {
  static const NetFileEnumFn call = netApiCall<NetFileEnumFn>("NetFileEnum");
  return call == nullptr ? ERROR_NOT_SUPPORTED
                         : call(server, basePath, userName, level, buffer, preferredLength, entriesRead, totalEntries,
                                resume);
}
DWORD WINAPI NetFileCloseOnDemand(LPWSTR server, DWORD fileId) {
  static const NetFileCloseFn call = netApiCall<NetFileCloseFn>("NetFileClose");
  return call == nullptr ? ERROR_NOT_SUPPORTED : call(server, fileId);
}
DWORD WINAPI NetFileGetInfoOnDemand(LPWSTR server, DWORD fileId, DWORD level, BYTE** buffer) {
  static const NetFileGetInfoFn call = netApiCall<NetFileGetInfoFn>("NetFileGetInfo");
  return call == nullptr ? ERROR_NOT_SUPPORTED : call(server, fileId, level, buffer);
}
DWORD WINAPI NetShareGetInfoOnDemand(LPWSTR server, LPWSTR shareName, DWORD level, BYTE** buffer) {
  static const NetShareGetInfoFn call = netApiCall<NetShareGetInfoFn>("NetShareGetInfo");
  return call == nullptr ? ERROR_NOT_SUPPORTED : call(server, shareName, level, buffer);
}
DWORD WINAPI NetApiBufferFreeOnDemand(LPVOID buffer) {
  static const NetApiBufferFreeFn call = netApiCall<NetApiBufferFreeFn>("NetApiBufferFree");
  return call == nullptr ? ERROR_NOT_SUPPORTED : call(buffer);
}
}  // namespace

SystemCalls RealSystemCalls() {
  SystemCalls c{};
  c.GetModuleHandleA = ::GetModuleHandleA;
  c.GetProcAddress = ::GetProcAddress;
  c.GetVersionExA = ::GetVersionExA;
  c.GetCurrentProcess = ::GetCurrentProcess;
  c.GetCurrentProcessId = ::GetCurrentProcessId;
  c.GetLastError = ::GetLastError;
  c.OpenProcessToken = ::OpenProcessToken;
  c.LookupPrivilegeValueA = ::LookupPrivilegeValueA;
  c.AdjustTokenPrivileges = ::AdjustTokenPrivileges;
  c.CloseHandle = ::CloseHandle;
  c.OpenProcess = ::OpenProcess;
  c.DuplicateHandle = ::DuplicateHandle;
  c.GetExitCodeProcess = ::GetExitCodeProcess;
  c.TerminateProcess = ::TerminateProcess;
  c.GetProcessTimes = ::GetProcessTimes;
  c.K32EnumProcessModulesEx = ::K32EnumProcessModulesEx;
  c.K32GetModuleFileNameExW = ::K32GetModuleFileNameExW;
  c.QueryFullProcessImageNameW = ::QueryFullProcessImageNameW;
  c.GetFinalPathNameByHandleW = ::GetFinalPathNameByHandleW;
  c.GetFileType = ::GetFileType;
  c.GetFileInformationByHandle = ::GetFileInformationByHandle;
  c.IsWow64Process = ::IsWow64Process;
  // Looked up, not linked: a system without WOW64 has no such exports.
  const HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
  c.Wow64DisableWow64FsRedirection = reinterpret_cast<BOOL(WINAPI*)(LPVOID*)>(
      reinterpret_cast<void*>(::GetProcAddress(kernel, "Wow64DisableWow64FsRedirection")));
  c.Wow64RevertWow64FsRedirection = reinterpret_cast<BOOL(WINAPI*)(LPVOID)>(
      reinterpret_cast<void*>(::GetProcAddress(kernel, "Wow64RevertWow64FsRedirection")));
  c.CreateThread = ::CreateThread;
  c.VirtualAlloc = ::VirtualAlloc;
  c.VirtualFree = ::VirtualFree;
  c.Sleep = ::Sleep;
  c.GetDriveTypeW = ::GetDriveTypeW;
  c.RegGetValueW = ::RegGetValueW;
  c.GetTokenInformation = ::GetTokenInformation;
  c.GetFileAttributesW = ::GetFileAttributesW;
  c.GetVolumePathNameW = ::GetVolumePathNameW;
  c.MoveFileExW = ::MoveFileExW;
  c.SHFileOperationW = SHFileOperationWOnDemand;
  c.CreateFileW = ::CreateFileW;
  c.NetFileEnum = NetFileEnumOnDemand;
  c.NetFileClose = NetFileCloseOnDemand;
  c.NetFileGetInfo = NetFileGetInfoOnDemand;
  c.NetShareGetInfo = NetShareGetInfoOnDemand;
  c.NetApiBufferFree = NetApiBufferFreeOnDemand;
  return c;
}

#else

namespace {
// Without Windows there is no system to ask: every call fails, the way a
// Windows call fails, so code run without a fake simply finds nothing.
HMODULE WINAPI NoModule(LPCSTR) { return nullptr; }
FARPROC WINAPI NoProc(HMODULE, LPCSTR) { return nullptr; }
BOOL WINAPI NoVersion(OSVERSIONINFOA*) { return FALSE; }
HANDLE WINAPI PseudoProcess() { return reinterpret_cast<HANDLE>(static_cast<intptr_t>(-1)); }
DWORD WINAPI ZeroId() { return 0; }
DWORD WINAPI NoError() { return 0; }
BOOL WINAPI NoToken(HANDLE, DWORD, HANDLE*) { return FALSE; }
BOOL WINAPI NoLookup(LPCSTR, LPCSTR, LUID*) { return FALSE; }
BOOL WINAPI NoAdjust(HANDLE, BOOL, TOKEN_PRIVILEGES*, DWORD, TOKEN_PRIVILEGES*, DWORD*) { return FALSE; }
BOOL WINAPI NoClose(HANDLE) { return FALSE; }
HANDLE WINAPI NoProcess(DWORD, BOOL, DWORD) { return nullptr; }
BOOL WINAPI NoDuplicate(HANDLE, HANDLE, HANDLE, HANDLE*, DWORD, BOOL, DWORD) { return FALSE; }
BOOL WINAPI NoExitCode(HANDLE, DWORD*) { return FALSE; }
BOOL WINAPI NoTerminate(HANDLE, UINT) { return FALSE; }
BOOL WINAPI NoTimes(HANDLE, FILETIME*, FILETIME*, FILETIME*, FILETIME*) { return FALSE; }
BOOL WINAPI NoModules(HANDLE, HMODULE*, DWORD, DWORD*, DWORD) { return FALSE; }
DWORD WINAPI NoModuleName(HANDLE, HMODULE, LPWSTR, DWORD) { return 0; }
BOOL WINAPI NoImageName(HANDLE, DWORD, LPWSTR, DWORD*) { return FALSE; }
DWORD WINAPI NoFinalPath(HANDLE, LPWSTR, DWORD, DWORD) { return 0; }
DWORD WINAPI NoFileType(HANDLE) { return FILE_TYPE_UNKNOWN; }
BOOL WINAPI NoFileInformation(HANDLE, BY_HANDLE_FILE_INFORMATION*) { return FALSE; }
BOOL WINAPI NoWow64(HANDLE, BOOL*) { return FALSE; }
HANDLE WINAPI NoThread(SECURITY_ATTRIBUTES*, SIZE_T, LPTHREAD_START_ROUTINE, LPVOID, DWORD, DWORD*) {
  return nullptr;
}
LPVOID WINAPI NoAlloc(LPVOID, SIZE_T, DWORD, DWORD) { return nullptr; }
BOOL WINAPI NoFree(LPVOID, SIZE_T, DWORD) { return FALSE; }
void WINAPI NoSleep(DWORD) {}
UINT WINAPI NoDrive(LPCWSTR) { return DRIVE_NO_ROOT_DIR; }
LSTATUS WINAPI NoValue(HKEY, LPCWSTR, LPCWSTR, DWORD, DWORD*, void*, DWORD*) { return ERROR_FILE_NOT_FOUND; }
BOOL WINAPI NoTokenInformation(HANDLE, TOKEN_INFORMATION_CLASS, LPVOID, DWORD, DWORD*) { return FALSE; }
DWORD WINAPI NoAttributes(LPCWSTR) { return INVALID_FILE_ATTRIBUTES; }
BOOL WINAPI NoVolume(LPCWSTR, LPWSTR, DWORD) { return FALSE; }
BOOL WINAPI NoMove(LPCWSTR, LPCWSTR, DWORD) { return FALSE; }
int WINAPI NoFileOperation(SHFILEOPSTRUCTW*) { return ERROR_INVALID_PARAMETER; }

HANDLE WINAPI NoFile(LPCWSTR, DWORD, DWORD, SECURITY_ATTRIBUTES*, DWORD, DWORD, HANDLE) { return INVALID_HANDLE_VALUE; }
DWORD WINAPI NoFileServer(LPWSTR, LPWSTR, LPWSTR, DWORD, BYTE**, DWORD, DWORD*, DWORD*, DWORD_PTR*) {
  return ERROR_NOT_SUPPORTED;
}
DWORD WINAPI NoFileClose(LPWSTR, DWORD) { return ERROR_NOT_SUPPORTED; }
DWORD WINAPI NoFileInfo(LPWSTR, DWORD, DWORD, BYTE**) { return ERROR_NOT_SUPPORTED; }
DWORD WINAPI NoShare(LPWSTR, LPWSTR, DWORD, BYTE**) { return ERROR_NOT_SUPPORTED; }
DWORD WINAPI NoBufferFree(LPVOID) { return ERROR_NOT_SUPPORTED; }
}  // namespace

SystemCalls RealSystemCalls() {
  return SystemCalls{NoModule,   NoProc,       NoVersion,   PseudoProcess, ZeroId,  NoError, NoToken,
                     NoLookup,   NoAdjust,     NoClose,     NoProcess,     NoDuplicate, NoExitCode, NoTerminate, NoTimes,
                     NoModules, NoModuleName, NoImageName, NoFinalPath, NoFileType, NoFileInformation, NoWow64, nullptr,
                     nullptr, NoThread,  NoAlloc,       NoFree,  NoSleep, NoDrive, NoValue, NoTokenInformation,
                     NoAttributes, NoVolume, NoMove, NoFileOperation,
                     NoFile,  NoFileServer, NoFileClose, NoFileInfo, NoShare, NoBufferFree};
}

#endif

SystemCalls& Sys() {
  // Built on first use so that static initialisation in other files
  // (the OS version, the native binding) can already reach it.
  static SystemCalls calls = RealSystemCalls();
  return calls;
}
