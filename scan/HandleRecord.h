#pragma once
// One queued handle of the system handle table, with what the scan learned
// about it; or one holder found another way (its kind). Copied by value; the
// texts (UTF-16) share their characters, and all the records of one owner
// share its name and path.

#include <cstdint>
#include <deque>
#include <functional>

#include "text/WideText.h"

// What a record stands for.
enum class HolderKind : uint8_t {
  kHandle,      // a handle of the owner's, named by the scan
  kModule,      // the file loaded as a module by the owner: told by loadedModule
  kUnreadable,  // the system says the owner has the file open, but its handles could not be read
                // (a protected process): no handle value
  kRemote,      // a file server's open for a user on another computer: no process. processName holds
                // the user's name, handleValue the server's ID of the open, ownerPid is 0; a path
                // "\\server\share\..." was opened on that server, any other on this computer's
};

struct HandleRecord {
  uint32_t ownerPid = 0;       // process that holds the handle
  uint8_t typeNumber = 0;      // object type number from the table
  uint8_t attributes = 0;      // always 0 in a queued record
  uint32_t handleValue = 0;    // handle value in the owner process (32 bits: the extended table has them whole)
  uint32_t grantedAccess = 0;  // access mask granted to the handle
  uint64_t ownerCreationTime = 0;  // when the owner started (FILETIME), 0 when unknown: tells it from a later
                                   // process that was given the same ID
  SharedText filePath;         // the object's name: for a file, its path; empty when unresolved
  SharedText processName;      // owner's image name, e.g. "services.exe"
  SharedText processPath;      // owner's full image path
  bool loadedModule = false;   // not a handle: the file is loaded as a module (handleValue 0)
  HolderKind kind = HolderKind::kHandle;  // set for the kinds found another way; in the padding,
                                          // so a record is no bigger for it
};

// The one way to ask what a record stands for.
inline HolderKind KindOf(const HandleRecord& record) {
  return record.loadedModule ? HolderKind::kModule : record.kind;
}

// A scan's records, in the order it found them.
using HandleRecords = std::deque<HandleRecord>;
// Which loaded modules a scan keeps, by path (called on its workers).
using ModuleFilter = std::function<bool(const SharedText& path)>;
