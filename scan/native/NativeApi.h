#pragma once
// The entry points of the Windows native layer that the engine calls, bound
// by name at start-up, and the operating system's major version. Both are
// written once during static initialisation and only read afterwards.

#include "os/Win32.h"

using NtQuerySystemInformationFn = NTSTATUS(WINAPI*)(ULONG informationClass, void* buffer, ULONG length,
                                                     ULONG* returnedLength);
using NtQueryObjectFn = NTSTATUS(WINAPI*)(HANDLE handle, ULONG informationClass, void* buffer, ULONG length,
                                          ULONG* returnedLength);
using NtQueryInformationThreadFn = NTSTATUS(WINAPI*)(HANDLE thread, ULONG informationClass, void* buffer,
                                                     ULONG length, ULONG* returnedLength);
using NtQueryInformationFileFn = NTSTATUS(WINAPI*)(HANDLE file, void* ioStatus, void* buffer, ULONG length,
                                                   ULONG informationClass);
using NtQueryInformationProcessFn = NTSTATUS(WINAPI*)(HANDLE process, ULONG informationClass, void* buffer,
                                                      ULONG length, ULONG* returnedLength);

struct NativeApiTable {
  NtQuerySystemInformationFn NtQuerySystemInformation = nullptr;
  NtQueryObjectFn NtQueryObject = nullptr;
  NtQueryInformationThreadFn NtQueryInformationThread = nullptr;
  NtQueryInformationFileFn NtQueryInformationFile = nullptr;  // asks a file who has it open (class 47)
  NtQueryInformationProcessFn NtQueryInformationProcess = nullptr;
  int allPresent = 0;
};

// Information classes and the success status.
constexpr ULONG kSystemProcessInformation = 5;
constexpr ULONG kSystemHandleInformation = 16;
constexpr ULONG kSystemExtendedHandleInformation = 64;
constexpr ULONG kObjectNameInformation = 1;
constexpr ULONG kObjectTypeInformation = 2;
constexpr ULONG kProcessBasicInformation = 0;
constexpr ULONG kProcessBreakOnTermination = 29;  // a ULONG: non-zero for a critical process
constexpr ULONG kThreadBasicInformation = 0;
constexpr NTSTATUS kStatusSuccess = 0;
constexpr NTSTATUS kStatusInfoLengthMismatch = static_cast<NTSTATUS>(0xC0000004u);
constexpr NTSTATUS kStatusInvalidInfoClass = static_cast<NTSTATUS>(0xC0000003u);
constexpr NTSTATUS kStatusNotImplemented = static_cast<NTSTATUS>(0xC0000002u);

extern NativeApiTable NativeApi;
extern DWORD OsMajorVersion;

// Looks the five names up in ntdll.dll; allPresent is 1 only when all were found.
void BindNativeApi();
// The major version from the extended version record, else from the basic one, else 0.
void ReadOsMajorVersion();
