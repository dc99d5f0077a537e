#pragma once
// Starts file_holder.exe (beside the running program) on a set of files,
// waits until it holds them and reads back the handles it opened; lets it go
// when the object goes.

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

class FileHolderProcess {
 public:
  struct HeldHandle {
    uint32_t value;
    std::string path;  // as the helper was given it, in the ANSI code page
  };

  // Opens every path once, or `copies` handles of it (duplicates of one open).
  explicit FileHolderProcess(const std::vector<std::wstring>& paths, int copies = 1);
  // The same for paths in the ANSI code page.
  explicit FileHolderProcess(const std::vector<std::string>& paths, int copies = 1);
  ~FileHolderProcess();
  FileHolderProcess(const FileHolderProcess&) = delete;
  FileHolderProcess& operator=(const FileHolderProcess&) = delete;

  // True once the helper holds every file.
  bool holding() const { return holding_; }
  DWORD pid() const { return info_.dwProcessId; }
  HANDLE process() const { return info_.hProcess; }
  const std::vector<HeldHandle>& handles() const { return handles_; }
  // Ends the helper at once and waits until it has gone.
  void kill();

 private:
  PROCESS_INFORMATION info_{};
  HANDLE input_ = nullptr;   // our end of its standard input
  HANDLE output_ = nullptr;  // our end of its standard output
  bool holding_ = false;
  std::vector<HeldHandle> handles_;
};

// A full path of a new empty file in the temporary folder.
std::string MakeTempFile(const std::string& stem);
