#pragma once
// One whole answer of NtQuerySystemInformation in a block of its own. The
// block grows from the length the system reports, with a quarter to spare,
// on every refusal for size, and the call is retried at once; only other
// refusals pause before the next attempt. The first successful answer is
// kept. A reported length that no real answer can have (near 4 GiB, say,
// which would wrap a 32-bit size) is refused instead of allocated, so the
// block's size is always what was really allocated.

#include <cstddef>
#include <memory>

#include "os/VirtualBlock.h"
#include "os/Win32.h"

class SystemInformation {
 public:
  enum class Outcome { kRead, kUnknownClass, kFailed, kNoMemory };

  struct Rules {
    ULONG firstSize;       // bytes of the first block
    int attempts;          // calls in all, the first included
    DWORD pauseMs;         // before a retry that follows a refusal not about size
    bool lengthlessFails;  // a first refusal not about size and without a length ends at once
  };

  // The largest block an answer may need: far beyond any real table, far
  // below what wraps a 32-bit size.
  static constexpr ULONG kLargestBlock = 256u * 1024 * 1024;

  SystemInformation() = default;
  SystemInformation(const SystemInformation&) = delete;
  SystemInformation& operator=(const SystemInformation&) = delete;

  // kUnknownClass: the system does not know the class (first call only).
  Outcome Read(ULONG informationClass, const Rules& rules);
  void Release();

  const unsigned char* data() const { return block_ ? static_cast<const unsigned char*>(block_->get()) : nullptr; }
  // The bytes the call filled: what it reported, bounded by the block.
  std::size_t filled() const { return filled_; }

 private:
  std::unique_ptr<VirtualBlock> block_;
  std::size_t filled_ = 0;
};
