#include "OstrelDriver.h"

#include <commctrl.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <cstring>
#include <cstddef>
#include <fstream>

namespace e2e {
namespace {

constexpr DWORD kPollMs = 50;
constexpr UINT kSendTimeoutMs = 10000;
constexpr int kStatusBarId = 1002;
constexpr int kListViewId = 1001;
constexpr int kMessageBoxTextId = 0xFFFF;
constexpr int kMessageBoxIconId = 0x0440;
constexpr UINT kMenuGetHandle = 0x01E1;  // MN_GETHMENU
const wchar_t kSearching[] = L"查找中...";
const wchar_t kMainTitle[] = L"Ostrel";
const wchar_t kDialogClass[] = L"#32770";
const wchar_t kMenuClass[] = L"#32768";

struct TopLevelQuery {
  DWORD processId;
  const wchar_t* windowClass;
  const wchar_t* title;
  std::function<bool(HWND)> accept;
  HWND found;
};

BOOL CALLBACK matchTopLevel(HWND window, LPARAM parameter) {
  auto& query = *reinterpret_cast<TopLevelQuery*>(parameter);
  DWORD owner = 0;
  ::GetWindowThreadProcessId(window, &owner);
  if (owner != query.processId || !::IsWindowVisible(window)) return TRUE;
  if (className(window) != query.windowClass) return TRUE;
  if (query.title != nullptr && windowText(window) != query.title) return TRUE;
  if (query.accept && !query.accept(window)) return TRUE;
  query.found = window;
  return FALSE;
}

HWND findTopLevelWhere(DWORD processId, const wchar_t* windowClass, const wchar_t* title,
                       std::function<bool(HWND)> accept) {
  TopLevelQuery query{processId, windowClass, title, std::move(accept), nullptr};
  ::EnumWindows(matchTopLevel, reinterpret_cast<LPARAM>(&query));
  return query.found;
}

// Memory in another process, for messages that carry a pointer.
class RemoteBlock {
 public:
  RemoteBlock(HANDLE process, size_t size)
      : process_(process), address_(::VirtualAllocEx(process, nullptr, size, MEM_COMMIT, PAGE_READWRITE)) {}
  ~RemoteBlock() {
    if (address_ != nullptr) ::VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
  }
  char* address() const { return static_cast<char*>(address_); }
  bool write(size_t offset, const void* data, size_t size) const {
    return ::WriteProcessMemory(process_, address() + offset, data, size, nullptr) != FALSE;
  }
  bool read(size_t offset, void* data, size_t size) const {
    return ::ReadProcessMemory(process_, address() + offset, data, size, nullptr) != FALSE;
  }

 private:
  HANDLE process_;
  void* address_;
};

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

std::wstring windowText(HWND window) {
  wchar_t text[1024] = {};
  DWORD_PTR copied = 0;
  ::SendMessageTimeoutW(window, WM_GETTEXT, ARRAYSIZE(text), reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                        kSendTimeoutMs, &copied);
  return text;
}

std::wstring className(HWND window) {
  wchar_t name[256] = {};
  ::GetClassNameW(window, name, ARRAYSIZE(name));
  return name;
}

HWND findTopLevel(DWORD processId, const wchar_t* windowClass, const wchar_t* title) {
  return findTopLevelWhere(processId, windowClass, title, nullptr);
}

HWND focusOf(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (!::GetGUIThreadInfo(::GetWindowThreadProcessId(window, nullptr), &info)) return nullptr;
  return info.hwndFocus;
}

std::wstring driverPath() {
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  return path;
}

std::wstring driverDirectory() {
  std::wstring path = driverPath();
  return path.substr(0, path.find_last_of(L'\\') + 1);
}

Ostrel::Ostrel(const std::wstring& commandLine) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  std::wstring line = commandLine;
  if (!::CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process_)) {
    process_ = PROCESS_INFORMATION{};
    return;
  }
  waitUntil([this] { return (main_ = findTopLevel(process_.dwProcessId, kDialogClass, kMainTitle)) != nullptr; });
}

Ostrel::~Ostrel() {
  if (process_.hProcess == nullptr) return;
  ::TerminateProcess(process_.hProcess, 0);
  ::WaitForSingleObject(process_.hProcess, 10000);
  ::CloseHandle(process_.hThread);
  ::CloseHandle(process_.hProcess);
}

std::wstring Ostrel::exePath() {
  wchar_t fromEnvironment[MAX_PATH] = {};
  if (::GetEnvironmentVariableW(L"OSTREL_EXE", fromEnvironment, MAX_PATH) > 0) return fromEnvironment;
  return driverDirectory() + L"Ostrel.exe";
}

std::wstring Ostrel::commandFor(const std::wstring& target) {
  std::wstring line = L"\"" + exePath() + L"\"";
  if (!target.empty()) line += L" \"" + target + L"\"";
  return line;
}

std::wstring Ostrel::status() const { return windowText(control(kStatusBarId)); }

bool Ostrel::waitForSearch() const {
  return waitUntil([this] {
    const std::wstring text = status();
    return !text.empty() && text != kSearching;
  }, 60000);
}

int Ostrel::rowCount() const {
  return static_cast<int>(::SendMessageW(control(kListViewId), LVM_GETITEMCOUNT, 0, 0));
}

LRESULT Ostrel::sendWithBuffer(UINT message, WPARAM wParam, void* local, size_t size, bool readBack) const {
  RemoteBlock block(process_.hProcess, size);
  if (block.address() == nullptr || !block.write(0, local, size)) return 0;
  DWORD_PTR result = 0;
  ::SendMessageTimeoutW(control(kListViewId), message, wParam, reinterpret_cast<LPARAM>(block.address()),
                        SMTO_ABORTIFHUNG, kSendTimeoutMs, &result);
  if (readBack) block.read(0, local, size);
  return static_cast<LRESULT>(result);
}

std::wstring Ostrel::cell(int row, int column) const {
  constexpr int kTextUnits = 1024;
  struct Request {
    LVITEMW item;
    wchar_t text[kTextUnits];
  };
  RemoteBlock block(process_.hProcess, sizeof(Request));
  Request request{};
  request.item.iSubItem = column;
  request.item.cchTextMax = kTextUnits;
  request.item.pszText = reinterpret_cast<wchar_t*>(block.address() + offsetof(Request, text));
  if (!block.write(0, &request, sizeof request)) return {};
  DWORD_PTR units = 0;
  ::SendMessageTimeoutW(control(kListViewId), LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(block.address()),
                        SMTO_ABORTIFHUNG, kSendTimeoutMs, &units);
  block.read(0, &request, sizeof request);
  request.text[kTextUnits - 1] = L'\0';
  return request.text;
}

void Ostrel::selectOnly(int row) const {
  LVITEMW none{};
  none.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  sendWithBuffer(LVM_SETITEMSTATE, static_cast<WPARAM>(-1), &none, sizeof none, false);
  if (row < 0) return;
  LVITEMW selected{};
  selected.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  selected.state = LVIS_SELECTED | LVIS_FOCUSED;
  sendWithBuffer(LVM_SETITEMSTATE, static_cast<WPARAM>(row), &selected, sizeof selected, false);
}

POINT Ostrel::rowCentre(int row) const {
  RECT rect{};
  rect.left = LVIR_LABEL;
  sendWithBuffer(LVM_GETITEMRECT, static_cast<WPARAM>(row), &rect, sizeof rect, true);
  POINT centre{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
  ::ClientToScreen(control(kListViewId), &centre);
  return centre;
}

void Ostrel::bringToFront() const {
  ::SetForegroundWindow(main_);
  waitUntil([this] { return ::GetForegroundWindow() == main_; }, 5000);
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

bool clipboardText(std::string& text) {
  if (!::OpenClipboard(nullptr)) return false;
  bool found = false;
  if (HANDLE data = ::GetClipboardData(CF_TEXT)) {
    if (const char* bytes = static_cast<const char*>(::GlobalLock(data))) {
      text.assign(bytes);
      found = true;
      ::GlobalUnlock(data);
    }
  }
  ::CloseClipboard();
  return found;
}

FileHolder::FileHolder(const std::wstring& path) {
  const std::wstring eventName = L"ostrel-e2e-hold-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                                 std::to_wstring(::GetTickCount64());
  HANDLE ready = ::CreateEventW(nullptr, TRUE, FALSE, eventName.c_str());
  std::wstring line = L"\"" + driverPath() + L"\" --hold \"" + path + L"\" " + eventName;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  if (::CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process_)) {
    HANDLE waits[] = {ready, process_.hProcess};
    holding_ = ::WaitForMultipleObjects(2, waits, FALSE, 20000) == WAIT_OBJECT_0;
  } else {
    process_ = PROCESS_INFORMATION{};
  }
  ::CloseHandle(ready);
}

FileHolder::~FileHolder() {
  if (process_.hProcess == nullptr) return;
  ::TerminateProcess(process_.hProcess, 0);
  ::WaitForSingleObject(process_.hProcess, 10000);
  ::CloseHandle(process_.hThread);
  ::CloseHandle(process_.hProcess);
}

bool runHelperMode(int argc, wchar_t** argv, int& exitCode) {
  if (argc == 4 && std::wstring(argv[1]) == L"--hold") {
    // Holds the file open, says so, and waits to be ended.
    HANDLE file = ::CreateFileW(argv[2], GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      exitCode = 2;
      return true;
    }
    HANDLE ready = ::OpenEventW(EVENT_MODIFY_STATE, FALSE, argv[3]);
    ::SetEvent(ready);
    ::Sleep(INFINITE);
  }
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
