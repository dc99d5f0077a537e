// A helper for the real-system tests and the benchmark: opens each file it
// is given and, with "--copies N", duplicates that handle until it holds N of
// it (duplicates share one open file, so thousands of handles cost Wine's
// server no more than one file descriptor each file). Prints one line per handle,
// "HANDLE <value in hex> <path>", then "READY", and holds the handles until
// its standard input is closed.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

int main(int argc, char** argv) {
  int copies = 1;
  int first = 1;
  if (argc > 2 && std::strcmp(argv[1], "--copies") == 0) {
    copies = std::atoi(argv[2]);
    first = 3;
  }
  std::vector<HANDLE> handles;
  for (int i = first; i < argc; ++i) {
    HANDLE original = CreateFileA(argv[i], GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    for (int copy = 0; copy < copies; ++copy) {
      HANDLE file = original;
      if (copy > 0 && original != INVALID_HANDLE_VALUE &&
          !DuplicateHandle(GetCurrentProcess(), original, GetCurrentProcess(), &file, 0, FALSE,
                           DUPLICATE_SAME_ACCESS)) {
        file = INVALID_HANDLE_VALUE;
      }
      if (file == INVALID_HANDLE_VALUE) {
        std::printf("FAILED %s\n", argv[i]);
        std::fflush(stdout);
        return 1;
      }
      handles.push_back(file);
      std::printf("HANDLE %llx %s\n", static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(file)), argv[i]);
    }
  }
  std::printf("READY\n");
  std::fflush(stdout);
  char buffer[64];
  DWORD read = 0;
  while (ReadFile(GetStdHandle(STD_INPUT_HANDLE), buffer, sizeof buffer, &read, nullptr) && read > 0) {
  }
  for (HANDLE file : handles) CloseHandle(file);
  return 0;
}
