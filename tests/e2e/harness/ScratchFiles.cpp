#include "ScratchFiles.h"

#include <windows.h>

#include <stdexcept>

#include "OstrelProcess.h"

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

std::wstring scratchFolder(const std::wstring& name) {
  std::wstring path = tempDirectory();
  for (size_t start = 0; start <= name.size();) {
    size_t end = name.find(L'\\', start);
    if (end == std::wstring::npos) end = name.size();
    path += name.substr(start, end - start);
    if (!::CreateDirectoryW(path.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS) {
      throw std::runtime_error("cannot create a scratch folder");
    }
    if (end < name.size()) path += L'\\';
    start = end + 1;
  }
  return path;
}

std::wstring copyFromDriverFolder(const std::wstring& file, const std::wstring& folder) {
  const std::wstring source = besideDriver(file);
  const std::wstring copy = folder + L"\\" + file;
  if (!::CopyFileW(source.c_str(), copy.c_str(), FALSE)) throw std::runtime_error("cannot copy a test program");
  return copy;
}

}  // namespace e2e
