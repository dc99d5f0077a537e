#include "OstrelDriver.h"

#include <tlhelp32.h>
#include <winternl.h>

#include <cstring>
#include <fstream>

namespace e2e {
namespace {

constexpr DWORD kPollMs = 50;
constexpr int kMessageBoxTextId = 0xFFFF;
constexpr int kMessageBoxIconId = 0x0440;
constexpr UINT kMenuGetHandle = 0x01E1;  // MN_GETHMENU
const wchar_t kDialogClass[] = L"#32770";
const wchar_t kMenuClass[] = L"#32768";

std::wstring commandLineOf(DWORD processId) {
  using QueryInformationProcess = NTSTATUS(NTAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
  static const auto query = reinterpret_cast<QueryInformationProcess>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
  HANDLE process = ::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId);
  if (process == nullptr) return {};
  std::wstring line;
  PROCESS_BASIC_INFORMATION basic{};
  PEB peb{};
  RTL_USER_PROCESS_PARAMETERS parameters{};
  if (query(process, ProcessBasicInformation, &basic, sizeof basic, nullptr) == 0 &&
      ::ReadProcessMemory(process, basic.PebBaseAddress, &peb, sizeof peb, nullptr) &&
      ::ReadProcessMemory(process, peb.ProcessParameters, &parameters, sizeof parameters, nullptr)) {
    line.resize(parameters.CommandLine.Length / sizeof(wchar_t));
    if (!::ReadProcessMemory(process, parameters.CommandLine.Buffer, &line[0], parameters.CommandLine.Length,
                             nullptr)) {
      line.clear();
    }
  }
  ::CloseHandle(process);
  return line;
}

template <typename Visit>
void forEachProcess(const wchar_t* imageName, Visit visit) {
  HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = ::Process32FirstW(snapshot, &entry); more; more = ::Process32NextW(snapshot, &entry)) {
    if (::lstrcmpiW(entry.szExeFile, imageName) == 0) visit(entry.th32ProcessID);
  }
  ::CloseHandle(snapshot);
}

INPUT mouseInput(DWORD flags, LONG x, LONG y) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dx = x;
  input.mi.dy = y;
  input.mi.dwFlags = flags;
  return input;
}

INPUT keyInput(WORD key, bool up) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = key;
  input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  return input;
}

POINT centreOf(HWND window) {
  RECT rect{};
  ::GetWindowRect(window, &rect);
  return POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

}  // namespace

bool waitUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
  const ULONGLONG end = ::GetTickCount64() + timeoutMs;
  for (;;) {
    if (condition()) return true;
    if (::GetTickCount64() >= end) return false;
    ::Sleep(kPollMs);
  }
}

std::wstring driverPath() {
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  return path;
}

void bringToFront(HWND window) {
  ::SetForegroundWindow(window);
  waitUntil([window] { return ::GetForegroundWindow() == window; }, 5000);
}

MessageBoxSeen waitForMessageBox(DWORD processId, DWORD timeoutMs) {
  MessageBoxSeen seen;
  waitUntil([&] {
    seen.window = findTopLevelWhere(processId, kDialogClass, nullptr,
                                    [](HWND box) { return ::GetDlgItem(box, kMessageBoxTextId) != nullptr; });
    return seen.window != nullptr;
  }, timeoutMs);
  if (seen.window == nullptr) return seen;
  seen.caption = windowText(seen.window);
  seen.text = windowText(::GetDlgItem(seen.window, kMessageBoxTextId));
  const HWND icon = ::GetDlgItem(seen.window, kMessageBoxIconId);
  seen.hasIcon = icon != nullptr && ::IsWindowVisible(icon) && ::SendMessageW(icon, STM_GETICON, 0, 0) != 0;
  return seen;
}

void pressOk(HWND box) {
  ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(box, IDOK)));
  waitUntil([box] { return !::IsWindow(box); }, 10000);
}

int waitForPopupMenuItemCount(HANDLE process, DWORD processId, HWND& menuWindow, DWORD timeoutMs) {
  menuWindow = nullptr;
  if (!waitUntil([&] { return (menuWindow = findTopLevel(processId, kMenuClass)) != nullptr; }, timeoutMs)) {
    return -1;
  }
  // Menus live in their process: the count is asked there, by a thread that
  // runs GetMenuItemCount on the menu (user32 sits at the same address in
  // every process).
  const auto menu = reinterpret_cast<HMENU>(::SendMessageW(menuWindow, kMenuGetHandle, 0, 0));
  const auto count = reinterpret_cast<LPTHREAD_START_ROUTINE>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "GetMenuItemCount")));
  HANDLE thread = ::CreateRemoteThread(process, nullptr, 0, count, menu, 0, nullptr);
  if (thread == nullptr) return -1;
  DWORD result = static_cast<DWORD>(-1);
  if (::WaitForSingleObject(thread, 10000) == WAIT_OBJECT_0) ::GetExitCodeThread(thread, &result);
  ::CloseHandle(thread);
  return static_cast<int>(result);
}

void clickAt(POINT screen, bool right) {
  const LONG x = MulDiv(screen.x, 65535, ::GetSystemMetrics(SM_CXSCREEN) - 1);
  const LONG y = MulDiv(screen.y, 65535, ::GetSystemMetrics(SM_CYSCREEN) - 1);
  INPUT inputs[] = {
      mouseInput(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, x, y),
      mouseInput((right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN) | MOUSEEVENTF_ABSOLUTE, x, y),
      mouseInput((right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP) | MOUSEEVENTF_ABSOLUTE, x, y),
  };
  ::SendInput(ARRAYSIZE(inputs), inputs, sizeof(INPUT));
}

void leftClickCentre(HWND window) { clickAt(centreOf(window), false); }

void pressKeys(const std::vector<WORD>& keys) {
  std::vector<INPUT> inputs;
  for (WORD key : keys) inputs.push_back(keyInput(key, false));
  for (auto key = keys.rbegin(); key != keys.rend(); ++key) inputs.push_back(keyInput(*key, true));
  ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

std::vector<std::wstring> commandLinesOf(const wchar_t* imageName) {
  std::vector<std::wstring> lines;
  forEachProcess(imageName, [&](DWORD processId) { lines.push_back(commandLineOf(processId)); });
  return lines;
}

void endProcessesWith(const wchar_t* imageName, const std::wstring& part) {
  forEachProcess(imageName, [&](DWORD processId) {
    if (commandLineOf(processId).find(part) == std::wstring::npos) return;
    if (HANDLE process = ::OpenProcess(PROCESS_TERMINATE, FALSE, processId)) {
      ::TerminateProcess(process, 0);
      ::CloseHandle(process);
    }
  });
}

bool runHelperMode(int argc, wchar_t** argv, int& exitCode) {
  if (argc >= 3 && std::wstring(argv[1]) == L"--record") {
    // Stands in for a program that another one starts: notes how.
    std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
    const wchar_t* line = ::GetCommandLineW();
    out.write(reinterpret_cast<const char*>(line), static_cast<std::streamsize>(wcslen(line) * sizeof(wchar_t)));
    exitCode = 0;
    return true;
  }
  return false;
}

std::wstring makeScratchFile(const std::wstring& name) {
  wchar_t temp[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, temp);
  const std::wstring folder = std::wstring(temp) + L"ostrel e2e commands\\";
  ::CreateDirectoryW(folder.c_str(), nullptr);
  const std::wstring path = folder + name;
  HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    DWORD written = 0;
    ::WriteFile(file, "ostrel", 6, &written, nullptr);
    ::CloseHandle(file);
  }
  return path;
}

}  // namespace e2e
