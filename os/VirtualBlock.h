#pragma once
// A block of reserved and committed read-write memory from VirtualAlloc,
// released when the owner goes. A failed allocation leaves it missing.

#include "os/SystemCalls.h"

class VirtualBlock {
 public:
  explicit VirtualBlock(SIZE_T size)
      : data_(Sys().VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE)),
        size_(data_ != nullptr ? size : 0) {}
  ~VirtualBlock() {
    if (data_ != nullptr) Sys().VirtualFree(data_, 0, MEM_RELEASE);
  }
  VirtualBlock(const VirtualBlock&) = delete;
  VirtualBlock& operator=(const VirtualBlock&) = delete;

  explicit operator bool() const { return data_ != nullptr; }
  void* get() const { return data_; }
  SIZE_T size() const { return size_; }

 private:
  void* data_;
  SIZE_T size_;
};
