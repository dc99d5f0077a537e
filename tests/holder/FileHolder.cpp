// A process that holds files open, and modules loaded, until it is told to
// let go, for the tests and the benchmark that look for a file's holders.
//
// Usage: file_holder.exe [--copies N] [--no-delete-share] [--let-go-after SECONDS] [--load DLL]... PATH...
// Opens each PATH (creating a missing file; the same path twice gives two
// opens) and, with "--copies N", duplicates that handle until it holds N of
// it: duplicates share one open file, so thousands of handles cost Wine's
// server no more than one file descriptor a file. The files are shared for
// reading and writing, and for deleting unless "--no-delete-share" is given
// (then nobody can delete them while they are held). Prints one line a
// handle, "HANDLE <value in hex> <path in the ANSI code page>", then loads
// each DLL and keeps it loaded, printing "MODULE <path>", then its own
// process ID, "PID <decimal>", for callers that cannot ask the system for it
// (a Linux test starting it under Wine), then "READY".
//
// It then reads commands from its standard input, one a line:
//   SWAP <index> <path>  closes the index-th handle (0-based, in the order
//                        printed) and opens <path> in its place, as the
//                        others were opened; prints "HANDLE <value> <path>".
// With "--let-go-after SECONDS" it closes every handle that many seconds
// after "READY" (and keeps running), printing "LET GO".
// When its standard input is closed it closes every handle and exits with 0.
// A path that cannot be opened or loaded prints "FAILED <path>"; at start the
// helper then exits with 2.

#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::string ansiFromWide(const wchar_t* wide) {
  const int bytes = ::WideCharToMultiByte(CP_ACP, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  std::string text(bytes > 0 ? bytes - 1 : 0, '\0');
  if (bytes > 1) ::WideCharToMultiByte(CP_ACP, 0, wide, -1, &text[0], bytes, nullptr, nullptr);
  return text;
}

std::wstring wideFromAnsi(const std::string& text) {
  const int units = ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
  std::wstring wide(units > 0 ? units - 1 : 0, L'\0');
  if (units > 1) ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, &wide[0], units);
  return wide;
}

void say(const char* word, const std::string& path) {
  std::printf("%s %s\n", word, path.c_str());
  std::fflush(stdout);
}

void sayHandle(HANDLE file, const std::string& path) {
  std::printf("HANDLE %llx %s\n", static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(file)), path.c_str());
  std::fflush(stdout);
}

class Holder {
 public:
  explicit Holder(DWORD sharing) : sharing_(sharing) { ::InitializeCriticalSection(&lock_); }
  ~Holder() {
    letGo();
    ::DeleteCriticalSection(&lock_);
  }

  // Closes every handle it holds; the commands then find none.
  void letGo() {
    ::EnterCriticalSection(&lock_);
    for (HANDLE file : held_) {
      if (file != INVALID_HANDLE_VALUE) ::CloseHandle(file);
    }
    held_.clear();
    ::LeaveCriticalSection(&lock_);
  }

  HANDLE open(const wchar_t* path) const {
    return ::CreateFileW(path, GENERIC_READ | GENERIC_WRITE, sharing_, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                         nullptr);
  }

  // Opens `path` once and holds `copies` handles of it; false when it cannot.
  bool hold(const wchar_t* path, int copies) {
    const std::string name = ansiFromWide(path);
    const HANDLE original = open(path);
    for (int copy = 0; copy < copies; ++copy) {
      HANDLE file = original;
      if (copy > 0 && original != INVALID_HANDLE_VALUE &&
          !::DuplicateHandle(::GetCurrentProcess(), original, ::GetCurrentProcess(), &file, 0, FALSE,
                             DUPLICATE_SAME_ACCESS)) {
        file = INVALID_HANDLE_VALUE;
      }
      if (file == INVALID_HANDLE_VALUE) {
        say("FAILED", name);
        return false;
      }
      held_.push_back(file);
      sayHandle(file, name);
    }
    return true;
  }

  // The index-th handle closed and `path` opened in its place. The handle is
  // closed first, so the system may give the new one the freed value.
  void swap(size_t index, const std::string& path) {
    ::EnterCriticalSection(&lock_);
    swapLocked(index, path);
    ::LeaveCriticalSection(&lock_);
  }

  void swapLocked(size_t index, const std::string& path) {
    if (index >= held_.size()) {
      say("FAILED", path);
      return;
    }
    ::CloseHandle(held_[index]);
    held_[index] = open(wideFromAnsi(path).c_str());
    if (held_[index] == INVALID_HANDLE_VALUE) {
      say("FAILED", path);
    } else {
      sayHandle(held_[index], path);
    }
  }

  // Answers the commands on standard input until it is closed.
  void serve() {
    std::string pending;
    char buffer[512];
    DWORD read = 0;
    while (::ReadFile(::GetStdHandle(STD_INPUT_HANDLE), buffer, sizeof buffer, &read, nullptr) && read > 0) {
      pending.append(buffer, read);
      for (size_t end = pending.find('\n'); end != std::string::npos; end = pending.find('\n')) {
        std::string line = pending.substr(0, end);
        pending.erase(0, end + 1);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        command(line);
      }
    }
  }

 private:
  void command(const std::string& line) {
    const char kSwap[] = "SWAP ";
    if (line.compare(0, sizeof kSwap - 1, kSwap) != 0) return;
    char* pathStart = nullptr;
    const unsigned long index = std::strtoul(line.c_str() + sizeof kSwap - 1, &pathStart, 10);
    if (*pathStart == ' ') ++pathStart;
    swap(index, pathStart);
  }

  DWORD sharing_;
  CRITICAL_SECTION lock_;  // the let-go thread and the commands
  std::vector<HANDLE> held_;
};

struct LetGo {
  Holder* holder;
  DWORD afterMs;
};

DWORD WINAPI letGoLater(LPVOID argument) {
  const LetGo* letGo = static_cast<const LetGo*>(argument);
  ::Sleep(letGo->afterMs);
  letGo->holder->letGo();
  std::printf("LET GO\n");
  std::fflush(stdout);
  return 0;
}

}  // namespace

int main() {
  int count = 0;
  LPWSTR* arguments = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (arguments == nullptr) return 1;
  int copies = 1;
  DWORD letGoAfterMs = 0;
  DWORD sharing = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  std::vector<const wchar_t*> modules;
  int first = 1;
  for (; first < count; ++first) {
    const std::wstring option = arguments[first];
    if (option == L"--copies" && first + 1 < count) {
      copies = _wtoi(arguments[++first]);
    } else if (option == L"--let-go-after" && first + 1 < count) {
      letGoAfterMs = static_cast<DWORD>(_wtoi(arguments[++first])) * 1000;
    } else if (option == L"--no-delete-share") {
      sharing &= ~static_cast<DWORD>(FILE_SHARE_DELETE);
    } else if (option == L"--load" && first + 1 < count) {
      modules.push_back(arguments[++first]);
    } else {
      break;
    }
  }
  Holder holder(sharing);
  for (int i = first; i < count; ++i) {
    if (!holder.hold(arguments[i], copies)) return 2;
  }
  for (const wchar_t* module : modules) {
    if (::LoadLibraryW(module) == nullptr) {
      say("FAILED", ansiFromWide(module));
      return 2;
    }
    say("MODULE", ansiFromWide(module));
  }
  ::LocalFree(arguments);
  std::printf("PID %lu\nREADY\n", static_cast<unsigned long>(::GetCurrentProcessId()));
  std::fflush(stdout);
  LetGo letGo{&holder, letGoAfterMs};
  if (letGoAfterMs > 0) {
    const HANDLE thread = ::CreateThread(nullptr, 0, letGoLater, &letGo, 0, nullptr);
    if (thread == nullptr) return 2;
    ::CloseHandle(thread);
  }
  holder.serve();
  // Ends the let-go thread with the process, before the holder it uses is destroyed.
  holder.letGo();
  ::ExitProcess(0);
}
