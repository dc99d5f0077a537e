#pragma once
// A handle of some process made usable in the own process: a handle of
// another process is examined through a duplicate, closed again together
// with the opened owner when this object goes.

#include <cstdint>

#include "os/UniqueHandle.h"

// The handle that a table entry's value stands for.
inline HANDLE HandleFromValue(uint32_t value) { return reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(value)); }

class LocalHandleCopy {
 public:
  // With `duplicateOwn`, a handle of the own process is duplicated as well,
  // so that the copy can outlive the original.
  LocalHandleCopy(HANDLE handle, DWORD ownerPid, DWORD ownPid, bool duplicateOwn = false);

  // False when the owner is another process that could not be opened.
  bool ownerOpened() const { return ownerOpened_; }
  // The handle to query: 0 when the duplication failed.
  HANDLE get() const { return handle_; }
  // Hands the duplicate, if one was made, to a new owner.
  UniqueHandle releaseDuplicate() { return UniqueHandle(duplicate_.release()); }

 private:
  UniqueHandle owner_;
  UniqueHandle duplicate_;
  HANDLE handle_ = nullptr;
  bool ownerOpened_ = true;
};
