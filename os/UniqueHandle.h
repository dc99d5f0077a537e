#pragma once
// Owns one kernel handle and closes it through the system seam.

#include <cstdint>
#include <utility>

#include "os/SystemCalls.h"

class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(HANDLE handle) : handle_(handle) {}
  ~UniqueHandle() { reset(); }
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) {
      reset();
      handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;

  HANDLE get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }
  // For calls that hand a handle out through a pointer.
  HANDLE* put() {
    reset();
    return &handle_;
  }
  HANDLE release() { return std::exchange(handle_, nullptr); }
  void reset(HANDLE handle = nullptr) {
    if (handle_ != nullptr) Sys().CloseHandle(handle_);
    handle_ = handle;
  }

 private:
  HANDLE handle_ = nullptr;
};

// The handle that a handle table's value stands for in its owner process.
inline HANDLE HandleFromValue(uint32_t value) { return reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(value)); }
