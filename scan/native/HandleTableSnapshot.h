#pragma once
// One snapshot of the system handle table. The extended table (whole process
// IDs and handle values) is read first; only a system that does not know
// that class is asked for the basic one, whose IDs and handle values are 16
// bits wide. The buffer grows from the length the system reports as often as
// the table outgrows it; only refusals not about size pause (1 s) before the
// next of at most 50 attempts. The walk reads no entry beyond what the call
// filled, whatever count the table claims.

#include <cstddef>
#include <cstdint>

#include "scan/native/SystemInformation.h"

struct HandleTableRow {
  uint32_t ownerPid;
  uint16_t typeNumber;
  uint32_t attributes;
  uint32_t handleValue;
  uint32_t grantedAccess;
  uint64_t objectAddress;  // the object's kernel address; 0 where the system does not give it (Wine)
};

class HandleTableSnapshot {
 public:
  enum class Outcome { kRead, kFailed, kNoMemory };

  HandleTableSnapshot() = default;
  HandleTableSnapshot(const HandleTableSnapshot&) = delete;
  HandleTableSnapshot& operator=(const HandleTableSnapshot&) = delete;

  // kFailed: the system gave no table (a first refusal without a length, a
  // length no real table has, or 50 refusals). kNoMemory: no buffer.
  Outcome Read();

  std::size_t count() const { return count_; }
  HandleTableRow row(std::size_t index) const;

 private:
  SystemInformation table_;
  ULONG tableClass_ = 0;
  std::size_t count_ = 0;
};
