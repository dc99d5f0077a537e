#include "HolderProcess.h"

#include <cstdlib>
#include <sstream>

namespace {
std::string besideThisProgram(const char* name) {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string own(path, length);
  return own.substr(0, own.find_last_of('\\') + 1) + name;
}
}  // namespace

std::string MakeTempFile(const std::string& stem) {
  char folder[MAX_PATH];
  GetTempPathA(MAX_PATH, folder);
  char name[MAX_PATH];
  GetTempFileNameA(folder, stem.c_str(), 0, name);
  char full[MAX_PATH];
  GetFullPathNameA(name, MAX_PATH, full, nullptr);
  return full;
}

HolderProcess::HolderProcess(const std::vector<std::string>& files, int copies)
    : exePath_(besideThisProgram("ostrel_file_holder.exe")) {
  SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE childInput = nullptr;
  HANDLE childOutput = nullptr;
  CreatePipe(&childInput, &input_, &inheritable, 0);
  CreatePipe(&output_, &childOutput, &inheritable, 0);
  SetHandleInformation(input_, HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(output_, HANDLE_FLAG_INHERIT, 0);

  std::string command = "\"" + exePath_ + "\" --copies " + std::to_string(copies);
  for (const std::string& file : files) command += " \"" + file + "\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = childInput;
  startup.hStdOutput = childOutput;
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  std::vector<char> line(command.begin(), command.end());
  line.push_back('\0');
  const BOOL started =
      CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &startup, &info_);
  CloseHandle(childInput);
  CloseHandle(childOutput);
  if (!started) return;

  std::string text;
  char buffer[4096];
  DWORD read = 0;
  while (text.find("READY\n") == std::string::npos && text.find("READY\r\n") == std::string::npos &&
         ReadFile(output_, buffer, sizeof buffer, &read, nullptr) && read > 0) {
    text.append(buffer, read);
  }
  std::istringstream lines(text);
  std::string word;
  while (lines >> word) {
    if (word == "READY") {
      ready_ = true;
    } else if (word == "HANDLE") {
      std::string value;
      std::string path;
      lines >> value;
      std::getline(lines, path);
      while (!path.empty() && (path.back() == '\r' || path.back() == '\n')) path.pop_back();
      handles_.push_back({static_cast<uint32_t>(std::strtoull(value.c_str(), nullptr, 16)), path.substr(1)});
    }
  }
}

void HolderProcess::kill() {
  if (info_.hProcess == nullptr) return;
  TerminateProcess(info_.hProcess, 0);
  WaitForSingleObject(info_.hProcess, INFINITE);
}

HolderProcess::~HolderProcess() {
  if (input_ != nullptr) CloseHandle(input_);  // the helper closes its files and ends
  if (info_.hProcess != nullptr) {
    if (WaitForSingleObject(info_.hProcess, 10000) != WAIT_OBJECT_0) kill();
    CloseHandle(info_.hProcess);
    CloseHandle(info_.hThread);
  }
  if (output_ != nullptr) CloseHandle(output_);
}
