#pragma once
// One snapshot of the system process list per scan, for the owners' image
// names. The map points into the block, so it is valid only while the block
// lives and until the next fill. Only entries that lie wholly inside what
// the call filled are taken.

#include <cstdint>
#include <map>

#include "scan/native/NativeLayouts.h"
#include "os/VirtualBlock.h"
#include "text/AnsiString.h"

class ProcessImageCache {
 public:
  ProcessImageCache();
  virtual ~ProcessImageCache();
  ProcessImageCache(const ProcessImageCache&) = delete;
  ProcessImageCache& operator=(const ProcessImageCache&) = delete;

  // Reads the process list once; 1 when the map was filled, 0 otherwise
  // (the map then stays empty).
  int Fill();
  // The image name of a process, e.g. "services.exe"; empty when the ID is
  // not in the list or the entry has no name.
  AnsiString LookupProcessName(uint32_t processId) const;

 private:
  VirtualBlock block_;
  std::map<uint32_t, const unsigned char*> map_;  // process ID to its entry in the block
};
