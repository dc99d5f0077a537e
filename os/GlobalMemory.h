#pragma once
// Owns a global memory block until it is handed to someone else (the
// clipboard takes the blocks it is given).

#include <windows.h>

#include <utility>

class GlobalMemory {
 public:
  explicit GlobalMemory(HGLOBAL block) : block_(block) {}
  ~GlobalMemory() {
    if (block_ != nullptr) ::GlobalFree(block_);
  }
  GlobalMemory(GlobalMemory&& other) noexcept : block_(other.release()) {}
  GlobalMemory(const GlobalMemory&) = delete;
  GlobalMemory& operator=(const GlobalMemory&) = delete;
  GlobalMemory& operator=(GlobalMemory&&) = delete;

  HGLOBAL get() const { return block_; }
  explicit operator bool() const { return block_ != nullptr; }
  HGLOBAL release() { return std::exchange(block_, nullptr); }

 private:
  HGLOBAL block_;
};
