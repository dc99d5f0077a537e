#pragma once
// Memory in another process, for the messages whose answers are written
// through a pointer (LVM_GETITEMTEXTW, SB_GETTEXTW, LVM_GETCOLUMNW...): the
// pointer must be valid in the process that owns the control.
//
// The driver and Ostrel.exe must have the same bitness: the structures are
// copied as this process lays them out.

#include <windows.h>

#include <cstddef>
#include <string>

namespace e2e {

class RemoteBuffer {
 public:
  RemoteBuffer(HANDLE process, size_t bytes);
  ~RemoteBuffer();
  RemoteBuffer(const RemoteBuffer&) = delete;
  RemoteBuffer& operator=(const RemoteBuffer&) = delete;

  // The buffer's address in the other process; `offset` bytes into it.
  void* remote(size_t offset = 0) const { return static_cast<char*>(address_) + offset; }
  size_t size() const { return bytes_; }

  void write(const void* data, size_t bytes, size_t offset = 0);
  void read(void* data, size_t bytes, size_t offset = 0) const;
  // The zero-terminated UTF-16 text at `offset`.
  std::wstring readText(size_t offset, size_t maxUnits) const;

  template <typename T>
  void writeValue(const T& value, size_t offset = 0) {
    write(&value, sizeof value, offset);
  }
  template <typename T>
  T readValue(size_t offset = 0) const {
    T value{};
    read(&value, sizeof value, offset);
    return value;
  }

 private:
  HANDLE process_;
  void* address_;
  size_t bytes_;
};

}  // namespace e2e
