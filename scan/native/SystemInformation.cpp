#include "scan/native/SystemInformation.h"

#include <cstdint>

#include "scan/native/NativeApi.h"

namespace {
constexpr NTSTATUS kStatusNotImplemented = static_cast<NTSTATUS>(0xC0000002u);
constexpr NTSTATUS kStatusBufferTooSmall = static_cast<NTSTATUS>(0xC0000023u);

bool isUnknownClass(NTSTATUS status) { return status == kStatusInvalidInfoClass || status == kStatusNotImplemented; }
bool isAboutSize(NTSTATUS status) { return status == kStatusInfoLengthMismatch || status == kStatusBufferTooSmall; }
}  // namespace

SystemInformation::Outcome SystemInformation::Read(ULONG informationClass, const Rules& rules) {
  Release();
  uint64_t size = rules.firstSize;
  for (int attempt = 1;; ++attempt) {
    if (!block_) {
      block_ = std::make_unique<VirtualBlock>(AllocateVirtualBlock(static_cast<SIZE_T>(size)));
      if (!*block_) {
        Release();
        return Outcome::kNoMemory;
      }
    }
    ULONG returned = 0;
    const NTSTATUS status =
        NativeApi.NtQuerySystemInformation(informationClass, block_->get(), static_cast<ULONG>(size), &returned);
    if (status == kStatusSuccess) {
      filled_ = returned > 0 && returned <= size ? returned : static_cast<std::size_t>(size);
      return Outcome::kRead;
    }
    if (attempt == 1 && isUnknownClass(status)) {
      Release();
      return Outcome::kUnknownClass;
    }
    const bool aboutSize = isAboutSize(status) || returned > size;
    if (attempt >= rules.attempts || (attempt == 1 && !aboutSize && returned == 0 && rules.lengthlessFails)) {
      Release();
      return Outcome::kFailed;
    }
    if (aboutSize) {
      // From what the system asked for, or, when it named nothing larger,
      // from what was offered; a quarter more covers growth between calls.
      const uint64_t base = returned > size ? returned : size;
      const uint64_t grown = base + base / 4;
      if (grown > kLargestBlock) {
        Release();
        return Outcome::kFailed;
      }
      size = grown;
      block_.reset();
      continue;
    }
    Sys().Sleep(rules.pauseMs);
  }
}

void SystemInformation::Release() {
  block_.reset();
  filled_ = 0;
}
