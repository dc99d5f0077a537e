#pragma once
// The seam between the tool and the operating system. Every Windows call
// that the scanning engine and the start-up make goes through this table,
// and so do the calls that end a holder process and act on a held file
// (rename, move, Recycle Bin, delete at the next start), so that tests can put a
// scripted system behind it: injected statuses, table contents, versions,
// failing OpenProcess, calls that hang, a Sleep that does not sleep. The
// real build starts with the real functions.
//
// The table is replaced only while no scan runs; afterwards it is only read.

#include "os/Win32.h"

struct SystemCalls {
  // Modules and versions.
  HMODULE(WINAPI* GetModuleHandleA)(LPCSTR name);
  FARPROC(WINAPI* GetProcAddress)(HMODULE module, LPCSTR name);
  BOOL(WINAPI* GetVersionExA)(OSVERSIONINFOA* record);

  // The own process and errors.
  HANDLE(WINAPI* GetCurrentProcess)();
  DWORD(WINAPI* GetCurrentProcessId)();
  DWORD(WINAPI* GetLastError)();

  // Privileges.
  BOOL(WINAPI* OpenProcessToken)(HANDLE process, DWORD access, HANDLE* token);
  BOOL(WINAPI* LookupPrivilegeValueA)(LPCSTR system, LPCSTR name, LUID* luid);
  BOOL(WINAPI* AdjustTokenPrivileges)(HANDLE token, BOOL disableAll, TOKEN_PRIVILEGES* state,
                                      DWORD length, TOKEN_PRIVILEGES* previous, DWORD* returned);

  // Processes and handles.
  BOOL(WINAPI* CloseHandle)(HANDLE handle);
  HANDLE(WINAPI* OpenProcess)(DWORD access, BOOL inherit, DWORD processId);
  BOOL(WINAPI* DuplicateHandle)(HANDLE sourceProcess, HANDLE source, HANDLE targetProcess,
                                HANDLE* target, DWORD access, BOOL inherit, DWORD options);
  BOOL(WINAPI* GetExitCodeProcess)(HANDLE process, DWORD* exitCode);
  BOOL(WINAPI* TerminateProcess)(HANDLE process, UINT exitCode);
  BOOL(WINAPI* GetProcessTimes)(HANDLE process, FILETIME* creation, FILETIME* exit, FILETIME* kernel,
                                FILETIME* user);
  BOOL(WINAPI* K32EnumProcessModulesEx)(HANDLE process, HMODULE* modules, DWORD size, DWORD* needed, DWORD filter);
  DWORD(WINAPI* K32GetModuleFileNameExW)(HANDLE process, HMODULE module, LPWSTR buffer, DWORD size);
  BOOL(WINAPI* QueryFullProcessImageNameW)(HANDLE process, DWORD flags, LPWSTR buffer, DWORD* size);
  DWORD(WINAPI* GetFinalPathNameByHandleW)(HANDLE file, LPWSTR buffer, DWORD size, DWORD flags);
  DWORD(WINAPI* GetFileType)(HANDLE file);
  BOOL(WINAPI* GetFileInformationByHandle)(HANDLE file, BY_HANDLE_FILE_INFORMATION* information);

  // Bitness: whether a process runs under WOW64 (32-bit on 64-bit Windows),
  // and the calling thread's file-system redirection (resolved from kernel32
  // at start: null where the system has none).
  BOOL(WINAPI* IsWow64Process)(HANDLE process, BOOL* underWow64);
  BOOL(WINAPI* Wow64DisableWow64FsRedirection)(LPVOID* previous);
  BOOL(WINAPI* Wow64RevertWow64FsRedirection)(LPVOID previous);

  // Threads, memory, time.
  HANDLE(WINAPI* CreateThread)(SECURITY_ATTRIBUTES* security, SIZE_T stackSize,
                               LPTHREAD_START_ROUTINE start, LPVOID parameter, DWORD flags,
                               DWORD* threadId);
  LPVOID(WINAPI* VirtualAlloc)(LPVOID address, SIZE_T size, DWORD type, DWORD protect);
  BOOL(WINAPI* VirtualFree)(LPVOID address, SIZE_T size, DWORD type);
  void(WINAPI* Sleep)(DWORD milliseconds);

  // The target's drive letter and the user's drive mappings: what kind of
  // drive a root is for this process, and a value under HKEY_CURRENT_USER.
  UINT(WINAPI* GetDriveTypeW)(LPCWSTR root);
  LSTATUS(WINAPI* RegGetValueW)(HKEY key, LPCWSTR subKey, LPCWSTR value, DWORD flags, DWORD* type, void* data,
                                DWORD* bytes);

  // The own process's token: whether it runs elevated.
  BOOL(WINAPI* GetTokenInformation)(HANDLE token, TOKEN_INFORMATION_CLASS informationClass, LPVOID information,
                                    DWORD length, DWORD* returned);
  // Files and folders acted on at the user's word: what a path is, the
  // volume it lies on, renaming and moving it (also at the next start), and
  // moving it to the Recycle Bin.
  DWORD(WINAPI* GetFileAttributesW)(LPCWSTR path);
  BOOL(WINAPI* GetVolumePathNameW)(LPCWSTR path, LPWSTR volume, DWORD size);
  BOOL(WINAPI* MoveFileExW)(LPCWSTR from, LPCWSTR to, DWORD flags);
  int(WINAPI* SHFileOperationW)(SHFILEOPSTRUCTW* operation);
  // The target file itself, opened to ask who has it open.
  HANDLE(WINAPI* CreateFileW)(LPCWSTR name, DWORD access, DWORD share, SECURITY_ATTRIBUTES* security,
                              DWORD disposition, DWORD flags, HANDLE templateFile);
  // A file server's opens for users on other computers (netapi32, loaded on
  // first use: a search that never asks never loads it; where it or a call
  // is missing, the call answers ERROR_NOT_SUPPORTED). Each answer's block
  // is freed with NetApiBufferFree.
  DWORD(WINAPI* NetFileEnum)(LPWSTR server, LPWSTR basePath, LPWSTR userName, DWORD level, BYTE** buffer,
                             DWORD preferredLength, DWORD* entriesRead, DWORD* totalEntries, DWORD_PTR* resume);
  DWORD(WINAPI* NetFileClose)(LPWSTR server, DWORD fileId);
  DWORD(WINAPI* NetFileGetInfo)(LPWSTR server, DWORD fileId, DWORD level, BYTE** buffer);
  DWORD(WINAPI* NetShareGetInfo)(LPWSTR server, LPWSTR shareName, DWORD level, BYTE** buffer);
  DWORD(WINAPI* NetApiBufferFree)(LPVOID buffer);
};

// The table in force. The real build starts with RealSystemCalls(); the host
// build starts with a table whose every call fails, until a test installs
// its fake.
SystemCalls& Sys();

// The operating system's own functions (on the host: calls that all fail).
SystemCalls RealSystemCalls();

// Puts a table in force for the lifetime of the object and restores the
// previous one afterwards.
class ScopedSystemCalls {
 public:
  explicit ScopedSystemCalls(const SystemCalls& calls) : saved_(Sys()) { Sys() = calls; }
  ~ScopedSystemCalls() { Sys() = saved_; }
  ScopedSystemCalls(const ScopedSystemCalls&) = delete;
  ScopedSystemCalls& operator=(const ScopedSystemCalls&) = delete;

 private:
  SystemCalls saved_;
};
