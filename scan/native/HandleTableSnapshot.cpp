#include "scan/native/HandleTableSnapshot.h"

#include <type_traits>

#include "scan/native/NativeApi.h"
#include "scan/native/NativeLayouts.h"

namespace {
constexpr ULONG kFirstBufferSize = 1048576;
constexpr ULONG kResizeSlack = 256;
constexpr int kAttempts = 50;
constexpr DWORD kRetryPauseMs = 1000;
constexpr NTSTATUS kStatusNotImplemented = static_cast<NTSTATUS>(0xC0000002u);

bool isUnknownClass(NTSTATUS status) { return status == kStatusInvalidInfoClass || status == kStatusNotImplemented; }

template <typename Table>
std::size_t entriesThatFit(const void* buffer, ULONG filled) {
  constexpr std::size_t header = offsetof(Table, entries);
  if (filled < header) return 0;
  const std::size_t room = (filled - header) / sizeof(Table::entries[0]);
  const auto claimed = static_cast<std::size_t>(static_cast<const Table*>(buffer)->count);
  return claimed < room ? claimed : room;
}
}  // namespace

HandleTableSnapshot::Outcome HandleTableSnapshot::Read() {
  count_ = 0;
  ULONG size = kFirstBufferSize;
  buffer_ = std::make_unique<VirtualBlock>(size);
  if (!*buffer_) return Outcome::kNoMemory;

  tableClass_ = kSystemExtendedHandleInformation;
  ULONG returned = 0;
  NTSTATUS status = NativeApi.NtQuerySystemInformation(tableClass_, buffer_->get(), size, &returned);
  if (isUnknownClass(status)) {
    tableClass_ = kSystemHandleInformation;
    returned = 0;
    status = NativeApi.NtQuerySystemInformation(tableClass_, buffer_->get(), size, &returned);
  }
  if (status != kStatusSuccess) {
    if (returned == 0) {
      buffer_.reset();
      return Outcome::kFailed;
    }
    buffer_.reset();
    size = returned + kResizeSlack;
    buffer_ = std::make_unique<VirtualBlock>(size);
    if (!*buffer_) return Outcome::kNoMemory;
  }

  // The table read is the one of the loop's last call, also when the first
  // call already succeeded.
  for (int attempt = 0;; ++attempt) {
    returned = 0;
    status = NativeApi.NtQuerySystemInformation(tableClass_, buffer_->get(), size, &returned);
    if (status == kStatusSuccess) break;
    if (attempt == kAttempts - 1) {
      buffer_.reset();
      return Outcome::kFailed;
    }
    Sys().Sleep(kRetryPauseMs);
  }
  countEntries(returned > 0 && returned <= size ? returned : size);
  return Outcome::kRead;
}

void HandleTableSnapshot::countEntries(ULONG filled) {
  count_ = tableClass_ == kSystemExtendedHandleInformation
               ? entriesThatFit<ExtendedHandleTable>(buffer_->get(), filled)
               : entriesThatFit<HandleTable>(buffer_->get(), filled);
}

template <typename Table>
const auto& entryAt(const void* buffer, std::size_t index) {
  const auto* first = static_cast<const unsigned char*>(buffer) + offsetof(Table, entries);
  using Entry = std::remove_reference_t<decltype(Table::entries[0])>;
  return reinterpret_cast<const Entry*>(first)[index];
}

HandleTableRow HandleTableSnapshot::row(std::size_t index) const {
  if (tableClass_ == kSystemExtendedHandleInformation) {
    const auto& entry = entryAt<ExtendedHandleTable>(buffer_->get(), index);
    return HandleTableRow{static_cast<uint32_t>(entry.ownerPid), entry.typeNumber, entry.attributes,
                          static_cast<uint32_t>(entry.handleValue), entry.grantedAccess};
  }
  const auto& entry = entryAt<HandleTable>(buffer_->get(), index);
  return HandleTableRow{entry.ownerPid, entry.typeNumber, entry.attributes, entry.handleValue,
                        entry.grantedAccess};
}
