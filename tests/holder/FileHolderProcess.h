#pragma once
// Starts file_holder.exe (beside the running program) on a set of files,
// waits until it holds them (and has loaded the modules asked for) and reads
// back the handles it opened; can have it swap one handle for another file
// while it runs; lets everything go when the object goes.

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class FileHolderProcess {
 public:
  struct HeldHandle {
    uint32_t value;
    std::string path;  // as the helper was given it, in the ANSI code page
  };

  struct Options {
    int copies = 1;            // handles a path: duplicates of one open
    bool deleteSharing = true;  // false: the files cannot be deleted while held
    std::vector<std::wstring> modules;  // DLLs loaded after the files, kept loaded
    std::wstring program;  // the helper's exe; empty: file_holder.exe beside this program
  };

  // Opens every path once, or `copies` handles of it (duplicates of one open).
  explicit FileHolderProcess(const std::vector<std::wstring>& paths, int copies = 1);
  // The same for paths in the ANSI code page.
  explicit FileHolderProcess(const std::vector<std::string>& paths, int copies = 1);
  FileHolderProcess(const std::vector<std::wstring>& paths, const Options& options);
  ~FileHolderProcess();
  FileHolderProcess(const FileHolderProcess&) = delete;
  FileHolderProcess& operator=(const FileHolderProcess&) = delete;

  // True once the helper holds every file and has loaded every module.
  bool holding() const { return holding_; }
  DWORD pid() const { return info_.dwProcessId; }
  HANDLE process() const { return info_.hProcess; }
  // True while the helper process has not ended.
  bool running() const;
  const std::vector<HeldHandle>& handles() const { return handles_; }
  // The modules loaded, as the helper was given them (ANSI code page).
  const std::vector<std::string>& modules() const { return modules_; }
  // Has the helper close handles()[index] and open `path` in its place (the
  // freed value may be given to it); the new handle, also in handles(), or
  // none when the helper could not open the file or has ended.
  std::optional<HeldHandle> swap(size_t index, const std::wstring& path);
  // Ends the helper at once and waits until it has gone.
  void kill();

 private:
  // The next line of the helper's output without its line end; false once
  // the output has ended.
  bool readLine(std::string& line);

  PROCESS_INFORMATION info_{};
  HANDLE input_ = nullptr;   // our end of its standard input
  HANDLE output_ = nullptr;  // our end of its standard output
  std::string unread_;       // output read but not yet taken as lines
  bool holding_ = false;
  std::vector<HeldHandle> handles_;
  std::vector<std::string> modules_;
};

// A full path of a new empty file in the temporary folder.
std::string MakeTempFile(const std::string& stem);
