#include "FileHolderProcess.h"

#include <cstdlib>
#include <string>

namespace {

std::wstring besideThisProgram(const wchar_t* name) {
  wchar_t path[MAX_PATH] = {};
  const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring own(path, length);
  return own.substr(0, own.find_last_of(L'\\') + 1) + name;
}

std::string ansiFromWide(const std::wstring& wide) {
  const int bytes = ::WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string text(bytes > 0 ? bytes - 1 : 0, '\0');
  if (bytes > 1) ::WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, &text[0], bytes, nullptr, nullptr);
  return text;
}

std::vector<std::wstring> wideFromAnsi(const std::vector<std::string>& paths) {
  std::vector<std::wstring> wide;
  for (const std::string& path : paths) {
    const int units = ::MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, nullptr, 0);
    std::wstring text(units > 0 ? units - 1 : 0, L'\0');
    if (units > 1) ::MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, &text[0], units);
    wide.push_back(text);
  }
  return wide;
}

FileHolderProcess::Options withCopies(int copies) {
  FileHolderProcess::Options options;
  options.copies = copies;
  return options;
}

}  // namespace

std::string MakeTempFile(const std::string& stem) {
  char folder[MAX_PATH];
  ::GetTempPathA(MAX_PATH, folder);
  char name[MAX_PATH];
  ::GetTempFileNameA(folder, stem.c_str(), 0, name);
  char full[MAX_PATH];
  ::GetFullPathNameA(name, MAX_PATH, full, nullptr);
  return full;
}

FileHolderProcess::FileHolderProcess(const std::vector<std::string>& paths, int copies)
    : FileHolderProcess(wideFromAnsi(paths), copies) {}

FileHolderProcess::FileHolderProcess(const std::vector<std::wstring>& paths, int copies)
    : FileHolderProcess(paths, withCopies(copies)) {}

FileHolderProcess::FileHolderProcess(const std::vector<std::wstring>& paths, const Options& options) {
  SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE childInput = nullptr;
  HANDLE childOutput = nullptr;
  if (!::CreatePipe(&childInput, &input_, &inheritable, 0)) return;
  if (!::CreatePipe(&output_, &childOutput, &inheritable, 0)) {
    ::CloseHandle(childInput);
    return;
  }
  ::SetHandleInformation(input_, HANDLE_FLAG_INHERIT, 0);
  ::SetHandleInformation(output_, HANDLE_FLAG_INHERIT, 0);

  const std::wstring program = options.program.empty() ? besideThisProgram(L"file_holder.exe") : options.program;
  std::wstring commandLine = L"\"" + program + L"\" --copies " + std::to_wstring(options.copies);
  if (!options.deleteSharing) commandLine += L" --no-delete-share";
  for (const std::wstring& module : options.modules) commandLine += L" --load \"" + module + L"\"";
  for (const std::wstring& path : paths) commandLine += L" \"" + path + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = childInput;
  startup.hStdOutput = childOutput;
  startup.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
  const BOOL started = ::CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                                        nullptr, nullptr, &startup, &info_);
  ::CloseHandle(childInput);
  ::CloseHandle(childOutput);
  if (!started) {
    info_ = PROCESS_INFORMATION{};
    return;
  }

  // The output ends at "READY", or when the helper ends having failed.
  std::string line;
  while (!holding_ && readLine(line)) {
    if (line == "READY") {
      holding_ = true;
    } else if (line.compare(0, 7, "HANDLE ") == 0) {
      const size_t space = line.find(' ', 7);
      if (space == std::string::npos) continue;
      handles_.push_back({static_cast<uint32_t>(std::strtoull(line.c_str() + 7, nullptr, 16)), line.substr(space + 1)});
    } else if (line.compare(0, 7, "MODULE ") == 0) {
      modules_.push_back(line.substr(7));
    }
  }
}

bool FileHolderProcess::readLine(std::string& line) {
  char buffer[4096];
  DWORD read = 0;
  size_t end = unread_.find('\n');
  while (end == std::string::npos) {
    if (!::ReadFile(output_, buffer, sizeof buffer, &read, nullptr) || read == 0) return false;
    unread_.append(buffer, read);
    end = unread_.find('\n');
  }
  line = unread_.substr(0, end);
  unread_.erase(0, end + 1);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return true;
}

bool FileHolderProcess::running() const {
  return info_.hProcess != nullptr && ::WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT;
}

std::optional<FileHolderProcess::HeldHandle> FileHolderProcess::swap(size_t index, const std::wstring& path) {
  if (!holding_ || index >= handles_.size()) return std::nullopt;
  const std::string command = "SWAP " + std::to_string(index) + " " + ansiFromWide(path) + "\n";
  DWORD written = 0;
  if (!::WriteFile(input_, command.data(), static_cast<DWORD>(command.size()), &written, nullptr) ||
      written != command.size()) {
    return std::nullopt;
  }
  // The helper answers each command with one line.
  std::string line;
  if (!readLine(line) || line.compare(0, 7, "HANDLE ") != 0) return std::nullopt;
  const size_t space = line.find(' ', 7);
  if (space == std::string::npos) return std::nullopt;
  handles_[index] = {static_cast<uint32_t>(std::strtoull(line.c_str() + 7, nullptr, 16)), line.substr(space + 1)};
  return handles_[index];
}

void FileHolderProcess::kill() {
  if (info_.hProcess == nullptr) return;
  ::TerminateProcess(info_.hProcess, 0);
  ::WaitForSingleObject(info_.hProcess, INFINITE);
}

FileHolderProcess::~FileHolderProcess() {
  if (input_ != nullptr) ::CloseHandle(input_);  // the helper closes its files and ends
  if (info_.hProcess != nullptr) {
    if (::WaitForSingleObject(info_.hProcess, 10000) != WAIT_OBJECT_0) kill();
    ::CloseHandle(info_.hProcess);
    ::CloseHandle(info_.hThread);
  }
  if (output_ != nullptr) ::CloseHandle(output_);
}
