// A process that holds files open until it is ended, for the tests that look
// for a file's holders.
//
// Usage: file_holder.exe READY-EVENT PATH [PATH...]
// Opens one handle per PATH (the same path twice gives two handles), creating
// missing files, then signals the named event READY-EVENT and waits for ever.
// Exits with 2 when a path cannot be opened.

#include <windows.h>
#include <shellapi.h>

#include <vector>

int main() {
  int count = 0;
  LPWSTR* arguments = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (arguments == nullptr || count < 3) return 1;
  std::vector<HANDLE> held;
  for (int i = 2; i < count; ++i) {
    const HANDLE file = ::CreateFileW(arguments[i], GENERIC_READ | GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 2;
    held.push_back(file);
  }
  const HANDLE ready = ::OpenEventW(EVENT_MODIFY_STATE, FALSE, arguments[1]);
  if (ready == nullptr) return 3;
  ::SetEvent(ready);
  ::Sleep(INFINITE);
  return 0;
}
