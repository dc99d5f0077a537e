#include "ScratchFiles.h"

#include <windows.h>

#include <stdexcept>

namespace e2e {

std::wstring tempDirectory() {
  wchar_t directory[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, directory);
  wchar_t full[MAX_PATH] = {};
  if (::GetLongPathNameW(directory, full, MAX_PATH) == 0) return directory;
  return full;
}

std::wstring scratchFile(const std::wstring& name) {
  const std::wstring path = tempDirectory() + name;
  HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot create a scratch file");
  DWORD written = 0;
  ::WriteFile(file, "ostrel", 6, &written, nullptr);
  ::CloseHandle(file);
  return path;
}

}  // namespace e2e
