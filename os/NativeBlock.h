#pragma once
// A heap block for one answer of the native layer, aligned for the pointer-
// sized members of its records.

#include <vector>

#include "os/Win32.h"

class NativeBlock {
 public:
  explicit NativeBlock(ULONG size) : words_((size + sizeof(ULONG_PTR) - 1) / sizeof(ULONG_PTR)), size_(size) {}

  void* data() { return words_.data(); }
  const unsigned char* bytes() const { return reinterpret_cast<const unsigned char*>(words_.data()); }
  ULONG size() const { return size_; }

 private:
  std::vector<ULONG_PTR> words_;
  ULONG size_;
};
