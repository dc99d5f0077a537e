#pragma once
// Starts the file-holder helper on a set of files and reads back the handles
// it opened; ends it when the object goes.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

class HolderProcess {
 public:
  struct HeldHandle {
    uint32_t value;
    std::string path;
  };

  // Starts ostrel_file_holder.exe (found beside this program) and waits until
  // it holds every file. `copies` opens each file that many times.
  HolderProcess(const std::vector<std::string>& files, int copies = 1);
  ~HolderProcess();
  HolderProcess(const HolderProcess&) = delete;
  HolderProcess& operator=(const HolderProcess&) = delete;

  bool ready() const { return ready_; }
  DWORD pid() const { return info_.dwProcessId; }
  HANDLE process() const { return info_.hProcess; }
  const std::vector<HeldHandle>& handles() const { return handles_; }
  const std::string& exePath() const { return exePath_; }
  // Ends the helper at once and waits until it has gone.
  void kill();

 private:
  PROCESS_INFORMATION info_{};
  HANDLE input_ = nullptr;   // our end of its standard input
  HANDLE output_ = nullptr;  // our end of its standard output
  bool ready_ = false;
  std::vector<HeldHandle> handles_;
  std::string exePath_;
};

// A full path of a new empty file in the temporary folder.
std::string MakeTempFile(const std::string& stem);
