#include "scan/ProcessImageCache.h"

#include <cstring>

#include "scan/native/CountedString.h"
#include "scan/native/NativeApi.h"

namespace {
constexpr SIZE_T kProcessListBlock = 1048576;

ProcessListEntry entryAt(const unsigned char* place) {
  ProcessListEntry entry;
  std::memcpy(&entry, place, sizeof entry);
  return entry;
}
}  // namespace

ProcessImageCache::ProcessImageCache() : block_(kProcessListBlock) {}

ProcessImageCache::~ProcessImageCache() = default;

int ProcessImageCache::Fill() {
  map_.clear();
  if (NativeApi.allPresent == 0) return 0;
  if (!block_) return 0;
  if (NativeApi.NtQuerySystemInformation(kSystemProcessInformation, block_.get(),
                                         static_cast<ULONG>(block_.size()), nullptr) != kStatusSuccess) {
    return 0;
  }
  const auto* base = static_cast<const unsigned char*>(block_.get());
  SIZE_T offset = 0;
  // A chain that leaves the block ends here. Entries are copied out, as the
  // system aligns them no further than it must.
  while (offset <= block_.size() - sizeof(ProcessListEntry)) {
    const ProcessListEntry entry = entryAt(base + offset);
    map_[static_cast<uint32_t>(entry.processId)] = base + offset;
    if (entry.nextEntryOffset == 0 || entry.nextEntryOffset >= block_.size() - offset) break;
    offset += entry.nextEntryOffset;
  }
  return 1;
}

AnsiString ProcessImageCache::LookupProcessName(uint32_t processId) const {
  const auto found = map_.find(processId);
  if (found == map_.end()) return AnsiString();
  const auto* base = static_cast<const unsigned char*>(block_.get());
  return NarrowCountedString(entryAt(found->second).imageName, base, base + block_.size());
}
