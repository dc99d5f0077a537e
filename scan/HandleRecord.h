#pragma once
// One queued handle of the system handle table, with what the scan learned
// about it. Copied by value; the texts (UTF-16) share their characters, and all the
// records of one owner share its name and path.

#include <cstdint>

#include "text/WideText.h"

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
};
