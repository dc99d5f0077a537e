#include "FileHolderProcess.h"

#include <cstdlib>
#include <sstream>

namespace {

std::wstring besideThisProgram(const wchar_t* name) {
  wchar_t path[MAX_PATH] = {};
  const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring own(path, length);
  return own.substr(0, own.find_last_of(L'\\') + 1) + name;
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

FileHolderProcess::FileHolderProcess(const std::vector<std::wstring>& paths, int copies) {
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

  const std::wstring program = besideThisProgram(L"file_holder.exe");
  std::wstring commandLine = L"\"" + program + L"\" --copies " + std::to_wstring(copies);
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
  std::string text;
  char buffer[4096];
  DWORD read = 0;
  while (text.find("READY\n") == std::string::npos && text.find("READY\r\n") == std::string::npos &&
         ::ReadFile(output_, buffer, sizeof buffer, &read, nullptr) && read > 0) {
    text.append(buffer, read);
  }
  std::istringstream lines(text);
  std::string word;
  while (lines >> word) {
    if (word == "READY") {
      holding_ = true;
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
