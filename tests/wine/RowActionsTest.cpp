// The row actions against the real system: the clipboard and process ending.

#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <string>
#include <thread>

#include "support/ClipboardText.h"
#include "text/CodePageConversion.h"
#include "ui/main/CopyPathToClipboard.h"
#include "ui/main/SelectInExplorer.h"
#include "ui/main/TerminateProcessById.h"

namespace {

// A plain hidden window to own the clipboard, as the main window does.
class OwnerWindow {
 public:
  OwnerWindow() : hwnd_(::CreateWindowExA(0, "STATIC", "owner", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr)) {}
  ~OwnerWindow() { ::DestroyWindow(hwnd_); }
  HWND get() const { return hwnd_; }

 private:
  HWND hwnd_;
};

std::wstring readClipboardUnicode() {
  std::wstring text;
  if (!::OpenClipboard(nullptr)) return text;
  if (HANDLE data = ::GetClipboardData(CF_UNICODETEXT)) {
    if (const wchar_t* units = static_cast<const wchar_t*>(::GlobalLock(data))) {
      text.assign(units);
      ::GlobalUnlock(data);
    }
  }
  ::CloseClipboard();
  return text;
}

// Holds the clipboard open from another thread, as another program would.
class ClipboardHeldElsewhere {
 public:
  ClipboardHeldElsewhere() : holder_([this] {
      opened_ = ::OpenClipboard(nullptr) != FALSE;
      ready_ = true;
      while (!release_) ::Sleep(5);
      if (opened_) ::CloseClipboard();
    }) {
    while (!ready_) ::Sleep(5);
  }
  ~ClipboardHeldElsewhere() {
    release_ = true;
    holder_.join();
  }
  bool opened() const { return opened_; }

 private:
  std::atomic<bool> opened_{false};
  std::atomic<bool> ready_{false};
  std::atomic<bool> release_{false};
  std::thread holder_;
};

TEST(CopyPathToClipboard, PlacesExactlyThePathsBytesAsText) {
  OwnerWindow owner;
  const AnsiString path("C:\\Program Files\\共享 目录\\报告 \"v2\".txt");
  ASSERT_TRUE(copyPathToClipboard(owner.get(), path));
  std::string text;
  ASSERT_TRUE(ReadClipboardText(text));
  EXPECT_EQ(std::string(path.GetString()), text);
  // Other programs paste the UTF-16 form the system derives from it.
  EXPECT_EQ(std::wstring(L"C:\\Program Files\\共享 目录\\报告 \"v2\".txt"), readClipboardUnicode());
}

TEST(CopyPathToClipboard, ReplacesWhatWasThereAndTakesAnEmptyPath) {
  OwnerWindow owner;
  ASSERT_TRUE(copyPathToClipboard(owner.get(), AnsiString("C:\\first.txt")));
  ASSERT_TRUE(copyPathToClipboard(owner.get(), AnsiString()));
  std::string text = "unchanged";
  ASSERT_TRUE(ReadClipboardText(text));
  EXPECT_EQ("", text);
}

TEST(CopyPathToClipboard, FailsAndLeavesTheClipboardAloneWhileAnotherHoldsItOpen) {
  OwnerWindow owner;
  ASSERT_TRUE(copyPathToClipboard(owner.get(), AnsiString("C:\\before.txt")));
  {
    ClipboardHeldElsewhere held;
    ASSERT_TRUE(held.opened());
    EXPECT_FALSE(copyPathToClipboard(owner.get(), AnsiString("C:\\after.txt")));
  }
  std::string text;
  ASSERT_TRUE(ReadClipboardText(text));
  EXPECT_EQ("C:\\before.txt", text);
  // Released again, the clipboard takes the copy.
  EXPECT_TRUE(copyPathToClipboard(owner.get(), AnsiString("C:\\after.txt")));
}

// A process that does nothing until it is ended: a suspended command shell.
class IdleProcess {
 public:
  IdleProcess() {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    wchar_t command[] = L"cmd.exe /c exit 7";
    started_ = ::CreateProcessW(nullptr, command, nullptr, nullptr, FALSE, CREATE_SUSPENDED | CREATE_NO_WINDOW,
                                nullptr, nullptr, &startup, &info_) != FALSE;
  }
  ~IdleProcess() { closeHandles(); }
  bool started() const { return started_; }
  DWORD id() const { return info_.dwProcessId; }
  HANDLE handle() const { return info_.hProcess; }
  void closeHandles() {
    if (!started_) return;
    ::CloseHandle(info_.hThread);
    ::CloseHandle(info_.hProcess);
    started_ = false;
  }

 private:
  PROCESS_INFORMATION info_{};
  bool started_ = false;
};

TEST(TerminateProcessById, EndsTheProcessWithExitCodeZero) {
  IdleProcess process;
  ASSERT_TRUE(process.started());
  EXPECT_TRUE(terminateProcessById(process.id()));
  ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(process.handle(), 10000));
  DWORD exitCode = STILL_ACTIVE;
  ASSERT_TRUE(::GetExitCodeProcess(process.handle(), &exitCode));
  EXPECT_EQ(0u, exitCode);
}

TEST(TerminateProcessById, FailsForAProcessThatHasAlreadyEnded) {
  IdleProcess process;
  ASSERT_TRUE(process.started());
  const DWORD id = process.id();
  ASSERT_TRUE(terminateProcessById(id));
  ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(process.handle(), 10000));
  // Still known to the system while a handle is open.
  EXPECT_FALSE(terminateProcessById(id));
  process.closeHandles();
  // Gone altogether.
  EXPECT_FALSE(terminateProcessById(id));
}

std::string imagePathOf(HANDLE process) {
  char path[MAX_PATH * 4];
  DWORD size = sizeof path;
  if (!::QueryFullProcessImageNameA(process, 0, path, &size)) return std::string();
  return std::string(path, size);
}

TEST(TerminateProcessById, EndsTheProcessWhenItStillRunsTheExpectedImage) {
  IdleProcess process;
  ASSERT_TRUE(process.started());
  std::string image = imagePathOf(process.handle());
  ASSERT_FALSE(image.empty());
  // The scan's path may differ in letter case only.
  for (char& c : image) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  EXPECT_TRUE(terminateProcessById(process.id(), image.c_str()));
  EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(process.handle(), 10000));
}

TEST(TerminateProcessById, LeavesAProcessAloneWhoseIdNowNamesAnotherImage) {
  // As after the holder ended and its ID went to another program.
  IdleProcess process;
  ASSERT_TRUE(process.started());
  EXPECT_FALSE(terminateProcessById(process.id(), "C:\\Program Files\\Holder\\holder.exe"));
  EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), ::WaitForSingleObject(process.handle(), 0));
  ::TerminateProcess(process.handle(), 0);
}

TEST(TerminateProcessById, FailsForAnIdThatNamesNoProcess) { EXPECT_FALSE(terminateProcessById(0)); }

TEST(SelectInExplorer, AnEmptyPathStartsNothing) {
  EXPECT_FALSE(selectInExplorer(L""));
  EXPECT_FALSE(selectInExplorer(nullptr));
}

}  // namespace
