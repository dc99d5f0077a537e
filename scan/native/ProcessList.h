#pragma once
// The image names of the system's processes ("services.exe"), from one read
// of the process list, kept by process ID. The list's block grows from the
// length the system reports, so a large system still gets its names; the
// block is let go as soon as the names are copied out. Only entries that
// lie wholly inside what the call filled are taken.

#include <cstdint>
#include <map>
#include <vector>

#include "text/WideText.h"

class ProcessList {
 public:
  // 1 when the names were read, 0 otherwise (the list then stays empty).
  int Fill();
  // Empty when the ID is not in the list or its entry has no name.
  SharedText LookupProcessName(uint32_t processId) const;
  // Every process ID of the list, in increasing order.
  std::vector<uint32_t> processIds() const;

 private:
  std::map<uint32_t, SharedText> names_;
};
