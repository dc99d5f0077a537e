// The row actions: what a row offers and what each item does, through the
// effects seam; then the real doings against the system: the clipboard,
// Explorer and ending the holder.

#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <string>
#include <thread>

#include "SearchWindowsTestSupport.h"
#include "search/SearchSession.h"
#include "support/RecordedSessionEvents.h"
#include "ui/main/ResultList.h"
#include "fakes/FakeSystem.h"
#include "support/ClipboardText.h"
#include "ui/framework/Clipboard.h"
#include "ui/main/RowActions.h"

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

TEST(CopyTextToClipboard, PlacesExactlyThePathAsUnicodeText) {
  OwnerWindow owner;
  for (const std::wstring path : {L"C:\\Program Files\\共享 目录\\报告 \"v2\".txt", L"C:\\d\\한국어 報告 😁.txt"}) {
    ASSERT_TRUE(CopyTextToClipboard(owner.get(), path));
    std::wstring text;
    ASSERT_TRUE(ReadClipboardText(text));
    EXPECT_EQ(path, text);
  }
}

TEST(CopyTextToClipboard, ReplacesWhatWasThereAndTakesAnEmptyPath) {
  OwnerWindow owner;
  ASSERT_TRUE(CopyTextToClipboard(owner.get(), L"C:\\first.txt"));
  ASSERT_TRUE(CopyTextToClipboard(owner.get(), L""));
  std::wstring text = L"unchanged";
  ASSERT_TRUE(ReadClipboardText(text));
  EXPECT_EQ(L"", text);
}

TEST(CopyTextToClipboard, FailsAndLeavesTheClipboardAloneWhileAnotherHoldsItOpen) {
  OwnerWindow owner;
  ASSERT_TRUE(CopyTextToClipboard(owner.get(), L"C:\\before.txt"));
  {
    ClipboardHeldElsewhere held;
    ASSERT_TRUE(held.opened());
    EXPECT_FALSE(CopyTextToClipboard(owner.get(), L"C:\\after.txt"));
  }
  std::wstring text;
  ASSERT_TRUE(ReadClipboardText(text));
  EXPECT_EQ(L"C:\\before.txt", text);
  // Released again, the clipboard takes the copy.
  EXPECT_TRUE(CopyTextToClipboard(owner.get(), L"C:\\after.txt"));
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

uint64_t creationTimeOf(HANDLE process) {
  FILETIME creation{};
  FILETIME exit{};
  FILETIME kernel{};
  FILETIME user{};
  if (!::GetProcessTimes(process, &creation, &exit, &kernel, &user)) return 0;
  return (static_cast<uint64_t>(creation.dwHighDateTime) << 32) | creation.dwLowDateTime;
}

TEST(EndHolderProcess, EndsTheHolderWithExitCodeZeroThenFailsOnTheEndedOne) {
  BindNativeLayerForScans();  // the critical mark is asked of ntdll
  IdleProcess process;
  ASSERT_TRUE(process.started());
  const uint64_t started = creationTimeOf(process.handle());
  ASSERT_NE(0u, started);
  EXPECT_EQ(EndResult::kEnded, EndHolderProcess(process.id(), started));
  ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(process.handle(), 10000));
  DWORD exitCode = STILL_ACTIVE;
  ASSERT_TRUE(::GetExitCodeProcess(process.handle(), &exitCode));
  EXPECT_EQ(0u, exitCode);
  // Still known to the system while a handle is open; then gone altogether.
  EXPECT_EQ(EndResult::kFailed, EndHolderProcess(process.id(), started));
  const DWORD id = process.id();
  process.closeHandles();
  EXPECT_EQ(EndResult::kFailed, EndHolderProcess(id, started));
}

// As after the holder ended and its ID went to another program: another
// start time, or none known, and the process is left alone.
TEST(EndHolderProcess, LeavesAloneAProcessThatIsNotTheHolder) {
  BindNativeLayerForScans();  // the critical mark is asked of ntdll
  IdleProcess process;
  ASSERT_TRUE(process.started());
  const uint64_t started = creationTimeOf(process.handle());
  EXPECT_EQ(EndResult::kFailed, EndHolderProcess(process.id(), started + 1));
  EXPECT_EQ(EndResult::kFailed, EndHolderProcess(process.id(), 0));
  EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), ::WaitForSingleObject(process.handle(), 0));
  ::TerminateProcess(process.handle(), 0);
}

// What a row offers, and what each item does, with the effects recorded.
class RecordedEffects : public RowActionEffects {
 public:
  // Programs that are not ended, whatever `ends` says.
  static constexpr DWORD kCannotEnd = 800;
  static constexpr DWORD kCritical = 4;
  void selectInExplorer(const SharedText& path) override { log += L"select:" + path.ToWide() + L";"; }
  bool copyToClipboard(const SharedText& text) override {
    log += L"copy:" + text.ToWide() + L";";
    return copies;
  }
  EndResult endHolder(const RowTarget& target) override {
    log += L"end:" + std::to_wstring(target.processId) + L";";
    if (target.processId == kCannotEnd) return EndResult::kFailed;
    return target.processId == kCritical ? EndResult::kCritical : ends;
  }
  bool confirmClose() override {
    log += L"confirm;";
    return agrees;
  }
  bool confirmEnd(int programs) override {
    log += L"confirmEnd:" + std::to_wstring(programs) + L";";
    return agrees;
  }
  bool startClosing(const std::vector<RowTarget>& handles) override {
    log += L"closing:";
    for (const RowTarget& handle : handles) log += std::to_wstring(handle.handleValue) + L",";
    log += L";";
    return startsClosing;
  }
  void refresh() override { log += L"refresh;"; }
  void tell(const wchar_t* message, bool failure) override {
    log += std::wstring(failure ? L"error:" : L"tell:") + message + L";";
  }
  std::wstring log;
  bool copies = true;
  EndResult ends = EndResult::kEnded;
  bool agrees = true;
  bool startsClosing = true;
};

TEST(RowMenu, EachItemDoesItsOneThing) {
  RowTarget target;
  target.filePath = SharedText(std::wstring(L"C:\\한국어 😁.txt"));
  target.processPath = SharedText(std::wstring(L"C:\\Apps\\占用者.exe"));
  target.processId = 700;
  target.handleValue = 0x44;
  RowTarget second = target;
  second.handleValue = 0x99;  // a second selected row
  RowTarget module = target;
  module.loadedModule = true;
  RowTarget otherProgram = target;
  otherProgram.processId = 701;
  RowTarget failingProgram = target;
  failingProgram.processId = RecordedEffects::kCannotEnd;
  RowTarget criticalProgram = target;
  criticalProgram.processId = RecordedEffects::kCritical;
  RowTarget sameIdLater = target;
  sameIdLater.processCreationTime = 99;  // another program under the ID
  constexpr EndResult kEnds = EndResult::kEnded;
  const struct {
    RowMenuCommand command;
    bool copies;
    EndResult ends;
    const wchar_t* log;
    std::vector<RowTarget> selected;
    bool agrees;
  } cases[] = {
      {RowMenuCommand::ViewFileLocation, true, kEnds, L"select:C:\\한국어 😁.txt;", {target, second}, true},
      {RowMenuCommand::CopyFileLocation, true, kEnds, L"copy:C:\\한국어 😁.txt;tell:复制成功;", {target}, true},
      {RowMenuCommand::CopyFileLocation, false, kEnds, L"copy:C:\\한국어 😁.txt;tell:复制失败;", {target}, true},
      {RowMenuCommand::ViewProcessLocation, true, kEnds, L"select:C:\\Apps\\占用者.exe;", {target}, true},
      {RowMenuCommand::EndProcess, true, kEnds, L"end:700;tell:结束成功;", {target, second}, true},
      {RowMenuCommand::EndProcess, true, EndResult::kFailed, L"end:700;tell:结束失败;", {target}, true},
      {RowMenuCommand::EndProcess, true, EndResult::kCritical, L"end:700;tell:结束失败\n这是系统关键进程;", {target}, true},
      // Several programs: one question, each program once, one box, a new
      // search; a critical one counts as not ended.
      {RowMenuCommand::EndProcess, true, kEnds, L"confirmEnd:2;end:700;end:701;tell:结束成功;refresh;",
       {target, otherProgram, second, module}, true},
      {RowMenuCommand::EndProcess, true, kEnds,
       L"confirmEnd:4;end:700;end:800;end:700;end:4;error:结束失败\n4个进程中有2个结束失败;refresh;",
       {target, failingProgram, sameIdLater, criticalProgram}, true},
      {RowMenuCommand::EndProcess, true, kEnds, L"confirmEnd:2;", {target, otherProgram}, false},
      {RowMenuCommand::Refresh, true, kEnds, L"refresh;", {}, true},
      {RowMenuCommand::Dismissed, true, kEnds, L"", {target}, true},
      // Every selected handle, after the user agreed; modules are no handles.
      {RowMenuCommand::CloseHandle, true, kEnds, L"confirm;closing:68,68,;", {target, module, target}, true},
      {RowMenuCommand::CloseHandle, true, kEnds, L"confirm;", {target}, false},
  };
  for (const auto& c : cases) {
    RecordedEffects effects;
    effects.copies = c.copies;
    effects.ends = c.ends;
    effects.agrees = c.agrees;
    PerformRowAction(c.command, c.selected, effects);
    EXPECT_EQ(std::wstring(c.log), effects.log) << static_cast<unsigned>(c.command);
  }
}

// The end of a batch of closings: one box, then the refresh; a batch that
// cannot start fails every handle.
TEST(RowMenu, ClosingEndsInOneBoxThenTheRefresh) {
  const struct {
    CloseTally tally;
    const wchar_t* log;
  } cases[] = {
      {{3, 0, 0}, L"tell:关闭成功;refresh;"},
      {{3, 1, 0}, L"error:关闭失败\n3个句柄中有1个关闭失败;refresh;"},
      {{3, 2, 1}, L"error:关闭失败\n3个句柄中有2个关闭失败\n其中1个句柄已变化;refresh;"},
      {{3, 3, 1, 2}, L"error:关闭失败\n3个句柄中有3个关闭失败\n其中1个句柄已变化\n其中2个句柄未能确认是否已关闭;refresh;"},
  };
  for (const auto& c : cases) {
    RecordedEffects effects;
    ReportClosing(c.tally, effects);
    EXPECT_EQ(c.log, effects.log);
  }
  RowTarget target;
  target.handleValue = 0x44;
  RecordedEffects refused;
  refused.startsClosing = false;
  PerformRowAction(RowMenuCommand::CloseHandle, {target}, refused);
  EXPECT_EQ(L"confirm;closing:68,;error:关闭失败\n1个句柄中有1个关闭失败;refresh;", refused.log);
}

TEST(RowMenu, ARowIsOfferedOnlyThroughItsResultAndNeverWhileASearchRuns) {
  FakeSystem system;
  ListAndStatusWindows windows;
  const auto events = std::make_shared<RecordedSessionEvents>();
  SearchSession session(WideText(), false, events, &IdentifyTarget);
  HandleRecord held;
  held.ownerPid = 700;
  held.ownerCreationTime = 1234;
  held.filePath = SharedText(std::wstring(L"C:\\a.txt"));
  session.adoptResults(nullptr, {held});
  const ResultList list(session, windows.listView(), windows.statusBar());
  LVITEMA item{};
  item.mask = LVIF_TEXT | LVIF_PARAM;
  item.pszText = const_cast<char*>("a.txt");
  item.lParam = 0;
  ::SendMessageA(windows.listView(), LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
  item.iItem = 1;
  item.lParam = 5;  // names no result
  ::SendMessageA(windows.listView(), LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));

  const std::optional<RowTarget> target = RowTargetFor(session, list, 0);
  ASSERT_TRUE(target.has_value());
  EXPECT_EQ(700u, target->processId);
  EXPECT_EQ(1234u, target->processCreationTime);
  EXPECT_FALSE(RowTargetFor(session, list, 1).has_value());
  EXPECT_FALSE(RowTargetFor(session, list, -1).has_value());
  {
    // A search whose thread never runs stays busy until it is finished.
    ScopedThreadLauncher idle([](std::function<void()>) { return std::make_shared<std::thread>(); });
    ASSERT_EQ(SearchSession::Start::kStarted, session.startSearch());
  }
  session.adoptResults(nullptr, {held});
  EXPECT_FALSE(RowTargetFor(session, list, 0).has_value());
  session.finishSearch();
  session.adoptResults(nullptr, {held});
  ASSERT_TRUE(RowTargetFor(session, list, 0).has_value());
  // A closing that hangs keeps the batch open until it is released.
  FakeSystem::Object file{u"File", u"", "\\\\?\\C:\\a.txt"};
  file.pathQueryHangs = true;
  FakeSystem::Process holder{u"holder.exe", "C:\\holder.exe"};
  holder.creationTime = 1234;
  system.addProcess(700, holder);
  system.addHandle(700, 0x44, file);
  ASSERT_TRUE(session.startClosing({HeldHandle{700, 1234, 0x44, SharedText(std::wstring(L"C:\\a.txt"))}}));
  EXPECT_FALSE(RowTargetFor(session, list, 0).has_value()) << "nor while handles are being closed";
  system.releaseHangs();
  system.waitForThreads();
  ASSERT_TRUE(session.takeClosingEnd().has_value());
  EXPECT_TRUE(RowTargetFor(session, list, 0).has_value());

  const std::vector<RowMenuItem> items = RowMenuItems(&*target);
  ASSERT_EQ(6u, items.size());
  EXPECT_EQ(RowMenuCommand::EndProcess, items[3].command);
  EXPECT_EQ(RowMenuCommand::CloseHandle, items[4].command);
  EXPECT_EQ(RowMenuCommand::Refresh, items[5].command);
  RowTarget module = *target;
  module.loadedModule = true;
  EXPECT_EQ(5u, RowMenuItems(&module).size()) << "a module row offers no 关闭句柄";
  ASSERT_EQ(1u, RowMenuItems(nullptr).size());
  EXPECT_EQ(RowMenuCommand::Refresh, RowMenuItems(nullptr)[0].command);
}

TEST(SelectInExplorer, AnEmptyPathStartsNothing) {
  EXPECT_FALSE(SelectInExplorer(L""));
  EXPECT_FALSE(SelectInExplorer(nullptr));
}

}  // namespace
