#include "scan/native/ProcessList.h"

#include <cstring>

#include "scan/native/NativeApi.h"
#include "scan/native/NativeLayouts.h"
#include "scan/native/NativeText.h"
#include "scan/native/SystemInformation.h"

namespace {
// A list refused for size grows and is asked again at once; a few rounds
// cover processes started between the calls.
constexpr SystemInformation::Rules kListRules{1048576, 8, 0, true};
}  // namespace

int ProcessList::Fill() {
  names_.clear();
  if (NativeApi.allPresent == 0) return 0;
  SystemInformation list;
  if (list.Read(kSystemProcessInformation, kListRules) != SystemInformation::Outcome::kRead) return 0;
  const unsigned char* base = list.data();
  const std::size_t filled = list.filled();
  std::size_t offset = 0;
  // A chain that leaves what was filled ends there. Entries are copied out,
  // as the system aligns them no further than it must.
  while (filled >= sizeof(ProcessListEntry) && offset <= filled - sizeof(ProcessListEntry)) {
    ProcessListEntry entry;
    std::memcpy(&entry, base + offset, sizeof entry);
    // A later entry of the same ID replaces an earlier one.
    names_[static_cast<uint32_t>(entry.processId)] = CountedText(entry.imageName, base, base + filled);
    if (entry.nextEntryOffset == 0 || entry.nextEntryOffset >= filled - offset) break;
    offset += entry.nextEntryOffset;
  }
  return 1;
}

SharedText ProcessList::LookupProcessName(uint32_t processId) const {
  const auto found = names_.find(processId);
  return found == names_.end() ? SharedText() : found->second;
}

std::vector<uint32_t> ProcessList::processIds() const {
  std::vector<uint32_t> ids;
  ids.reserve(names_.size());
  for (const auto& entry : names_) ids.push_back(entry.first);
  return ids;
}
