#pragma once
// The layouts of the native layer's answers that the engine reads. Pointer-
// sized members are written as pointers and ULONG_PTR, so one description is
// right for the shipped 32-bit process and for a 64-bit one alike.

#include <cstddef>

#include "os/Win32.h"

// Counted UTF-16 text: its length and maximum length in bytes, then the
// address of its characters.
struct CountedString {
  USHORT Length;
  USHORT MaximumLength;
  const WCHAR* Buffer;
};

// System handle table, information class 16.
struct HandleTableEntry {
  ULONG ownerPid;
  UCHAR typeNumber;
  UCHAR attributes;
  USHORT handleValue;
  void* object;
  ULONG grantedAccess;
};
struct HandleTable {
  ULONG count;
  HandleTableEntry entries[1];
};

// Extended system handle table, information class 64: whole process IDs and
// handle values.
struct ExtendedHandleTableEntry {
  void* object;
  ULONG_PTR ownerPid;
  ULONG_PTR handleValue;
  ULONG grantedAccess;
  USHORT creatorBackTraceIndex;
  USHORT typeNumber;
  ULONG attributes;
  ULONG reserved;
};
struct ExtendedHandleTable {
  ULONG_PTR count;
  ULONG_PTR reserved;
  ExtendedHandleTableEntry entries[1];
};

// One entry of the system process list (information class 5); the chain
// goes on by nextEntryOffset bytes from the entry's start.
struct ProcessListEntry {
  ULONG nextEntryOffset;
  ULONG numberOfThreads;
  BYTE reserved[48];
  CountedString imageName;
  LONG basePriority;
  ULONG_PTR processId;
};

// Object type information (NtQueryObject class 2); the type name's
// characters follow the fixed record in the same block.
struct ObjectTypeRecord {
  CountedString typeName;
  ULONG reserved[22];
};

// Object name information (NtQueryObject class 1).
struct ObjectNameRecord {
  CountedString name;
};

// Process basic information (NtQueryInformationProcess class 0).
struct ProcessBasicRecord {
  NTSTATUS exitStatus;
  void* pebBaseAddress;
  ULONG_PTR affinityMask;
  LONG basePriority;
  ULONG_PTR processId;
  ULONG_PTR parentProcessId;
};

// Thread basic information (NtQueryInformationThread class 0).
struct ThreadBasicRecord {
  NTSTATUS exitStatus;
  void* tebBaseAddress;
  void* clientProcessId;
  void* clientThreadId;
  ULONG_PTR affinityMask;
  LONG priority;
  LONG basePriority;
};

#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(CountedString) == 8, "counted string");
static_assert(sizeof(HandleTableEntry) == 16 && offsetof(HandleTable, entries) == 4, "handle table");
static_assert(offsetof(HandleTableEntry, typeNumber) == 4 && offsetof(HandleTableEntry, handleValue) == 6 &&
                  offsetof(HandleTableEntry, grantedAccess) == 12,
              "handle table entry");
static_assert(sizeof(ExtendedHandleTableEntry) == 28 && offsetof(ExtendedHandleTable, entries) == 8,
              "extended handle table");
static_assert(offsetof(ExtendedHandleTableEntry, ownerPid) == 4 &&
                  offsetof(ExtendedHandleTableEntry, handleValue) == 8 &&
                  offsetof(ExtendedHandleTableEntry, typeNumber) == 18 &&
                  offsetof(ExtendedHandleTableEntry, attributes) == 20,
              "extended handle table entry");
static_assert(offsetof(ProcessListEntry, imageName) == 56 && offsetof(ProcessListEntry, processId) == 68,
              "process list entry");
static_assert(sizeof(ObjectTypeRecord) == 96, "object type information");
static_assert(sizeof(ProcessBasicRecord) == 24 && offsetof(ProcessBasicRecord, processId) == 16,
              "process basic information");
static_assert(sizeof(ThreadBasicRecord) == 28 && offsetof(ThreadBasicRecord, clientThreadId) == 12,
              "thread basic information");
#endif
