#pragma once
// The layouts of the answers that name who has a file open without reading
// any process's handles: the file system's list of the processes using a
// file (NtQueryInformationFile class 47), and a file server's opens and
// shares (netapi32, levels 3 and 2). Pointer-sized members are written as
// pointers and ULONG_PTR, so one description is right for the 32-bit and
// the 64-bit process alike; the Windows build checks them against the
// system's own declarations.

#include <cstddef>

#include "os/Win32.h"

// NtQueryInformationFile's class: the IDs of the processes that have the
// file (or the folder itself) open.
constexpr ULONG kFileProcessIdsUsingFileInformation = 47;

// The status record every NtQueryInformationFile call fills.
struct IoStatusRecord {
  union {
    NTSTATUS status;
    void* pointer;
  };
  ULONG_PTR information;
};

// The answer of class 47: the count, then that many process IDs.
struct ProcessIdsUsingFile {
  ULONG count;
  ULONG_PTR ids[1];
};

// One open of a file server (NetFileEnum level 3, FILE_INFO_3): the
// server's ID of the open, the server's own local path and the user.
struct FileServerOpen {
  DWORD id;
  DWORD permissions;
  DWORD locks;
  WCHAR* path;
  WCHAR* user;
};

// One share of a file server (NetShareGetInfo level 2, SHARE_INFO_2): its
// folder on the server is `path`.
struct ShareDetails {
  WCHAR* name;
  DWORD type;
  WCHAR* remark;
  DWORD permissions;
  DWORD maxUses;
  DWORD currentUses;
  WCHAR* path;
  WCHAR* password;
};

// The file server's answers that the engine tells apart.
constexpr DWORD kNetSuccess = 0;
constexpr DWORD kNetServerNotStarted = 2114;  // NERR_ServerNotStarted
constexpr DWORD kNetMoreData = 234;           // ERROR_MORE_DATA: call again with the resume handle
constexpr DWORD kNetEverything = 0xFFFFFFFFu;  // MAX_PREFERRED_LENGTH: the server sizes the block

#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(IoStatusRecord) == 8 && offsetof(ProcessIdsUsingFile, ids) == 4, "class 47, 32-bit");
static_assert(sizeof(FileServerOpen) == 20 && sizeof(ShareDetails) == 32, "file server answers, 32-bit");
#elif defined(_WIN64)
static_assert(sizeof(IoStatusRecord) == 16 && offsetof(ProcessIdsUsingFile, ids) == 8, "class 47, 64-bit");
static_assert(sizeof(FileServerOpen) == 32 && offsetof(FileServerOpen, path) == 16 && sizeof(ShareDetails) == 56,
              "file server answers, 64-bit");
#endif
