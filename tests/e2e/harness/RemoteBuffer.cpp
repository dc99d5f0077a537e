#include "RemoteBuffer.h"

#include <stdexcept>
#include <vector>

namespace e2e {

RemoteBuffer::RemoteBuffer(HANDLE process, size_t bytes)
    : process_(process),
      address_(::VirtualAllocEx(process, nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)),
      bytes_(bytes) {
  if (address_ == nullptr) throw std::runtime_error("VirtualAllocEx failed in the Ostrel process");
}

RemoteBuffer::~RemoteBuffer() { ::VirtualFreeEx(process_, address_, 0, MEM_RELEASE); }

void RemoteBuffer::write(const void* data, size_t bytes, size_t offset) {
  SIZE_T written = 0;
  if (offset + bytes > bytes_ || !::WriteProcessMemory(process_, remote(offset), data, bytes, &written) ||
      written != bytes) {
    throw std::runtime_error("WriteProcessMemory failed");
  }
}

void RemoteBuffer::read(void* data, size_t bytes, size_t offset) const {
  SIZE_T got = 0;
  if (offset + bytes > bytes_ || !::ReadProcessMemory(process_, remote(offset), data, bytes, &got) || got != bytes) {
    throw std::runtime_error("ReadProcessMemory failed");
  }
}

std::wstring RemoteBuffer::readText(size_t offset, size_t maxUnits) const {
  std::vector<wchar_t> text(maxUnits + 1, L'\0');
  read(text.data(), maxUnits * sizeof(wchar_t), offset);
  return std::wstring(text.data());
}

}  // namespace e2e
