#include "scan/native/HandleTableSnapshot.h"

#include <cstring>
#include <type_traits>

#include "scan/native/NativeApi.h"
#include "scan/native/NativeLayouts.h"

namespace {
constexpr SystemInformation::Rules kTableRules{1048576, 50, 1000, true};

template <typename Table>
using EntryOf = std::remove_reference_t<decltype(Table::entries[0])>;

template <typename Table>
std::size_t entriesThatFit(const unsigned char* buffer, std::size_t filled) {
  constexpr std::size_t header = offsetof(Table, entries);
  if (filled < header) return 0;
  const std::size_t room = (filled - header) / sizeof(EntryOf<Table>);
  const auto claimed = static_cast<std::size_t>(reinterpret_cast<const Table*>(buffer)->count);
  return claimed < room ? claimed : room;
}

template <typename Table>
EntryOf<Table> entryAt(const unsigned char* buffer, std::size_t index) {
  EntryOf<Table> entry;
  std::memcpy(&entry, buffer + offsetof(Table, entries) + index * sizeof entry, sizeof entry);
  return entry;
}
}  // namespace

HandleTableSnapshot::Outcome HandleTableSnapshot::Read() {
  count_ = 0;
  tableClass_ = kSystemExtendedHandleInformation;
  SystemInformation::Outcome outcome = table_.Read(tableClass_, kTableRules);
  if (outcome == SystemInformation::Outcome::kUnknownClass) {
    tableClass_ = kSystemHandleInformation;
    outcome = table_.Read(tableClass_, kTableRules);
  }
  switch (outcome) {
    case SystemInformation::Outcome::kRead:
      break;
    case SystemInformation::Outcome::kNoMemory:
      return Outcome::kNoMemory;
    default:
      return Outcome::kFailed;
  }
  count_ = tableClass_ == kSystemExtendedHandleInformation
               ? entriesThatFit<ExtendedHandleTable>(table_.data(), table_.filled())
               : entriesThatFit<HandleTable>(table_.data(), table_.filled());
  return Outcome::kRead;
}

HandleTableRow HandleTableSnapshot::row(std::size_t index) const {
  if (tableClass_ == kSystemExtendedHandleInformation) {
    const auto entry = entryAt<ExtendedHandleTable>(table_.data(), index);
    return HandleTableRow{static_cast<uint32_t>(entry.ownerPid), entry.typeNumber, entry.attributes,
                          static_cast<uint32_t>(entry.handleValue), entry.grantedAccess,
                          static_cast<uint64_t>(reinterpret_cast<uintptr_t>(entry.object))};
  }
  const auto entry = entryAt<HandleTable>(table_.data(), index);
  return HandleTableRow{entry.ownerPid, entry.typeNumber, entry.attributes, entry.handleValue, entry.grantedAccess,
                        static_cast<uint64_t>(reinterpret_cast<uintptr_t>(entry.object))};
}
