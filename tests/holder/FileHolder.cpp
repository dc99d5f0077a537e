// A process that holds files open until it is told to let go, for the tests
// and the benchmark that look for a file's holders.
//
// Usage: file_holder.exe [--copies N] PATH [PATH...]
// Opens each PATH (creating a missing file; the same path twice gives two
// opens) and, with "--copies N", duplicates that handle until it holds N of
// it: duplicates share one open file, so thousands of handles cost Wine's
// server no more than one file descriptor a file. Prints one line a handle,
// "HANDLE <value in hex> <path in the ANSI code page>", then "READY", and
// holds the handles until its standard input is closed. Exits with 2 when a
// path cannot be opened, after printing "FAILED <path>".

#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::string ansiFromWide(const wchar_t* wide) {
  const int bytes = ::WideCharToMultiByte(CP_ACP, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  std::string text(bytes > 0 ? bytes - 1 : 0, '\0');
  if (bytes > 1) ::WideCharToMultiByte(CP_ACP, 0, wide, -1, &text[0], bytes, nullptr, nullptr);
  return text;
}

}  // namespace

int main() {
  int count = 0;
  LPWSTR* arguments = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (arguments == nullptr) return 1;
  int copies = 1;
  int first = 1;
  if (count > 2 && std::wstring(arguments[1]) == L"--copies") {
    copies = _wtoi(arguments[2]);
    first = 3;
  }
  std::vector<HANDLE> held;
  for (int i = first; i < count; ++i) {
    const std::string path = ansiFromWide(arguments[i]);
    const HANDLE original = ::CreateFileW(arguments[i], GENERIC_READ | GENERIC_WRITE,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                          FILE_ATTRIBUTE_NORMAL, nullptr);
    for (int copy = 0; copy < copies; ++copy) {
      HANDLE file = original;
      if (copy > 0 && original != INVALID_HANDLE_VALUE &&
          !::DuplicateHandle(::GetCurrentProcess(), original, ::GetCurrentProcess(), &file, 0, FALSE,
                             DUPLICATE_SAME_ACCESS)) {
        file = INVALID_HANDLE_VALUE;
      }
      if (file == INVALID_HANDLE_VALUE) {
        std::printf("FAILED %s\n", path.c_str());
        std::fflush(stdout);
        return 2;
      }
      held.push_back(file);
      std::printf("HANDLE %llx %s\n", static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(file)), path.c_str());
    }
  }
  ::LocalFree(arguments);
  std::printf("READY\n");
  std::fflush(stdout);
  char buffer[64];
  DWORD read = 0;
  while (::ReadFile(::GetStdHandle(STD_INPUT_HANDLE), buffer, sizeof buffer, &read, nullptr) && read > 0) {
  }
  for (HANDLE file : held) ::CloseHandle(file);
  return 0;
}
