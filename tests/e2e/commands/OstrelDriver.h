#pragma once
// Drives a running Ostrel.exe from another process, the way a user and the
// system see it: its windows, texts and rows through window messages (with
// buffers placed in Ostrel's own memory where a message needs one), real
// mouse and keyboard input through SendInput, and what other processes were
// started with.

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace e2e {

// Polls `condition` until it holds or `timeoutMs` has passed.
bool waitUntil(const std::function<bool()>& condition, DWORD timeoutMs = 20000);

std::wstring windowText(HWND window);
std::wstring className(HWND window);
// The first visible top-level window of `processId` with that class (and
// title, when given).
HWND findTopLevel(DWORD processId, const wchar_t* windowClass, const wchar_t* title = nullptr);
// The window that has the keyboard focus in the thread that owns `window`.
HWND focusOf(HWND window);

// The directory this driver runs from, with a trailing backslash.
std::wstring driverDirectory();
std::wstring driverPath();

// A started Ostrel.exe with its main window; ended when dropped.
class Ostrel {
 public:
  // `commandLine` is complete (exe included).
  explicit Ostrel(const std::wstring& commandLine);
  ~Ostrel();
  Ostrel(const Ostrel&) = delete;
  Ostrel& operator=(const Ostrel&) = delete;

  static std::wstring exePath();
  static std::wstring commandFor(const std::wstring& target);

  bool started() const { return main_ != nullptr; }
  DWORD processId() const { return process_.dwProcessId; }
  HANDLE process() const { return process_.hProcess; }
  HWND main() const { return main_; }
  HWND control(int id) const { return ::GetDlgItem(main_, id); }

  // Status part 0 (the status bar's own text).
  std::wstring status() const;
  // Waits for a search to end: part 0 is no longer "查找中...".
  bool waitForSearch() const;
  int rowCount() const;
  std::wstring cell(int row, int column) const;
  // Selects exactly `row` (-1: none).
  void selectOnly(int row) const;
  // The centre of a row, in screen coordinates.
  POINT rowCentre(int row) const;
  void bringToFront() const;

 private:
  LRESULT sendWithBuffer(UINT message, WPARAM wParam, void* local, size_t size, bool readBack) const;

  PROCESS_INFORMATION process_{};
  HWND main_ = nullptr;
};

// A message box of `processId`: its caption, its text and whether it shows an
// icon; closed with OK.
struct MessageBoxSeen {
  HWND window = nullptr;
  std::wstring caption;
  std::wstring text;
  bool hasIcon = false;
};
MessageBoxSeen waitForMessageBox(DWORD processId, DWORD timeoutMs = 20000);
void pressOk(HWND box);

// The number of items of the popup menu that a process shows (-1: none
// shown); `menuWindow` is the menu's window.
int waitForPopupMenuItemCount(HANDLE process, DWORD processId, HWND& menuWindow, DWORD timeoutMs = 10000);

// Real input.
void clickAt(POINT screen, bool right);
void leftClickCentre(HWND window);
void pressKeys(const std::vector<WORD>& keys);  // pressed in order, released in reverse

// The command lines of the running processes with this image name.
std::vector<std::wstring> commandLinesOf(const wchar_t* imageName);
// Ends every process with this image name whose command line contains `part`.
void endProcessesWith(const wchar_t* imageName, const std::wstring& part);

// CF_TEXT of the clipboard, as bytes; false when there is none.
bool clipboardText(std::string& text);

// A helper process of this driver that holds `path` open until dropped.
class FileHolder {
 public:
  explicit FileHolder(const std::wstring& path);
  ~FileHolder();
  FileHolder(const FileHolder&) = delete;
  FileHolder& operator=(const FileHolder&) = delete;
  bool holding() const { return holding_; }
  DWORD processId() const { return process_.dwProcessId; }
  HANDLE process() const { return process_.hProcess; }

 private:
  PROCESS_INFORMATION process_{};
  bool holding_ = false;
};

// The driver's own helper modes; true when argv named one (it then ran).
bool runHelperMode(int argc, wchar_t** argv, int& exitCode);

// A file under the driver's scratch folder, created with some content.
std::wstring makeScratchFile(const std::wstring& name);

}  // namespace e2e
