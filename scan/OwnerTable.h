#pragma once
// The processes that hold the handles of one scan. Each owner is opened
// once, not inheritable, with the rights to duplicate its handles and to
// read its image path (falling back to less when it refuses that much), and
// held until the scan and its last worker are done: holding it also keeps
// its process ID from being given to another process meanwhile. What the
// records show of an owner (running or not, creation time, image path and
// name) is asked once per owner and shared by all its records, each text
// sized to what it holds.

#include <cstdint>
#include <memory>
#include <unordered_map>

#include "os/UniqueHandle.h"
#include "scan/CancelByte.h"
#include "scan/HandleRecord.h"
#include "scan/native/ProcessList.h"
#include "text/WideText.h"

struct Owner {
  uint32_t pid = 0;
  UniqueHandle process;       // null when the process could not be opened at all
  bool canDuplicate = false;  // its handles can be brought into the own process
  bool running = false;       // its exit code said it still runs
  uint64_t creationTime = 0;  // FILETIME of its start, 0 when unknown
  SharedText imageName;       // "holder.exe"; empty when not in the process list
  SharedText imagePath;       // full image path; empty when it cannot be read
  bool leftAlone = false;     // its handles are not to be named (services on NT 4)
  bool holdsRecords = false;  // some record of the scan is its: described
};

class OwnerTable {
 public:
  OwnerTable() = default;
  OwnerTable(const OwnerTable&) = delete;
  OwnerTable& operator=(const OwnerTable&) = delete;

  // The owner with this ID, opened the first time it is asked for.
  Owner& Open(uint32_t pid);
  // Asks every owner that holds records what the records show of it, once each,
  // with one read of the process list for the names. A raised cancel byte
  // stops it between owners.
  void Describe(const CancelByte* cancel);
  // The process list Describe read, for the rest of the scan.
  const ProcessList& processes() const { return processes_; }

 private:
  std::unordered_map<uint32_t, std::unique_ptr<Owner>> owners_;
  bool described_ = false;
  ProcessList processes_;
};

// The full path of `module` in an opened process, as the system gives it;
// empty when it cannot be read.
SharedText ModuleFileName(HANDLE process, HMODULE module);
// The full path of an opened process's executable, asked of the process
// itself rather than of its module list, so that it is read across bitness
// (a 32-bit process asking a 64-bit one); empty when it cannot be read.
SharedText ProcessImagePath(HANDLE process);
