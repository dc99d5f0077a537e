#pragma once
// One snapshot of the system handle table. The extended table (whole process
// IDs and handle values) is read first; only a system that does not know
// that class is asked for the basic one, whose IDs and handle values are 16
// bits wide. The walk reads no entry beyond what the call filled, whatever
// count the table claims.

#include <cstddef>
#include <cstdint>
#include <memory>

#include "os/VirtualBlock.h"

struct HandleTableRow {
  uint32_t ownerPid;
  uint16_t typeNumber;
  uint32_t attributes;
  uint32_t handleValue;
  uint32_t grantedAccess;
};

class HandleTableSnapshot {
 public:
  enum class Outcome { kRead, kFailed, kNoMemory };

  HandleTableSnapshot() = default;
  HandleTableSnapshot(const HandleTableSnapshot&) = delete;
  HandleTableSnapshot& operator=(const HandleTableSnapshot&) = delete;

  // kFailed: the system gave no table (no length on the first refusal, or
  // all retries refused). kNoMemory: a buffer could not be had.
  Outcome Read();

  std::size_t count() const { return count_; }
  HandleTableRow row(std::size_t index) const;

 private:
  std::unique_ptr<VirtualBlock> buffer_;
  ULONG tableClass_ = 0;
  std::size_t count_ = 0;

  void countEntries(ULONG filled);
};
