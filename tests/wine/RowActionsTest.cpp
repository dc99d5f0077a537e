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
  bool confirmClose(bool remote) override {
    log += remote ? L"confirm remote;" : L"confirm;";
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
  // The freeing of files: plans made by the engine from `rows`.
  ReleasePlan planRelease(WideView path, const std::vector<SharedText>& covered) override {
    log += L"plan:" + std::to_wstring(covered.size()) + L";";
    return PlanRelease(rows, path, [&covered](const HandleRecord& row) {
      for (const SharedText& file : covered) {
        if (row.filePath == file) return true;
      }
      return false;
    });
  }
  bool ask(const WideText& question) override {
    log += L"ask:" + question + L";";
    return agrees;
  }
  std::optional<WideText> askNewName(const WideText& currentName) override {
    log += L"name:" + currentName + L";";
    return newName;
  }
  std::optional<WideText> pickFolder() override {
    log += L"pick;";
    return folder;
  }
  std::optional<ReleaseOutcome> checkFileAction(const ReleasePlan&, const FileActionRequest&) override {
    log += L"check;";
    return refusal;
  }
  bool startRelease(ReleaseJob job) override {
    log += L"closing " + std::to_wstring(job.closing.HandleCount()) + L";";
    started = std::move(job);
    return startsClosing;
  }
  ReleaseResult applyFileAction(const ReleasePlan& plan, const FileActionRequest& request,
                                const ClosingReport&) override {
    log += L"apply " + std::to_wstring(static_cast<int>(request.action)) + L":" + plan.path + L";";
    ReleaseResult result;
    result.outcome = ReleaseOutcome::kDone;
    if (!outcomes.empty()) result = outcomes.front();
    if (!outcomes.empty()) outcomes.erase(outcomes.begin());
    return result;
  }
  std::wstring log;
  bool copies = true;
  EndResult ends = EndResult::kEnded;
  bool agrees = true;
  bool startsClosing = true;
  std::vector<HandleRecord> rows;
  std::optional<WideText> newName;
  std::optional<WideText> folder;
  std::optional<ReleaseOutcome> refusal;
  std::optional<ReleaseJob> started;
  std::vector<ReleaseResult> outcomes;  // applyFileAction's, in turn; then kDone
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
      {RowMenuCommand::DeleteAtNextStart, true, kEnds, L"", {}, true},
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

  EXPECT_EQ(HolderKind::kHandle, KindOf(*target));
  ASSERT_EQ(1u, RowMenuItems(nullptr).size());
  EXPECT_EQ(RowMenuCommand::Refresh, RowMenuItems(nullptr)[0].command);
}

// The menu as the user reads it, by the row's kind: "|" a separator.
std::wstring menuText(const RowTarget* target) {
  std::wstring text;
  for (const RowMenuItem& item : RowMenuItems(target)) {
    if (!text.empty()) text += L",";
    text += item.text == nullptr ? L"|" : item.text;
  }
  return text;
}

TEST(RowMenu, TheItemsFollowTheRowsKindInGroups) {
  const struct {
    HolderKind kind;
    bool module;
    const wchar_t* menu;
  } cases[] = {
      {HolderKind::kHandle, false,
       L"查看文件位置,复制文件位置,查看进程位置,|,结束进程,|,关闭句柄,|,解除占用并删除,解除占用并重命名...,"
       L"解除占用并移动...,下次启动时删除,|,刷新\tF5"},
      {HolderKind::kHandle, true,
       L"查看文件位置,复制文件位置,查看进程位置,|,结束进程,|,解除占用并删除,解除占用并重命名...,"
       L"解除占用并移动...,下次启动时删除,|,刷新\tF5"},
      {HolderKind::kUnreadable, false, L"查看文件位置,复制文件位置,查看进程位置,|,结束进程,|,下次启动时删除,|,刷新\tF5"},
      {HolderKind::kRemote, false,
       L"查看文件位置,复制文件位置,|,关闭句柄,|,解除占用并删除,解除占用并重命名...,解除占用并移动...,"
       L"下次启动时删除,|,刷新\tF5"},
  };
  for (const auto& c : cases) {
    RowTarget target;
    target.kind = c.kind;
    target.loadedModule = c.module;
    EXPECT_EQ(c.menu, menuText(&target)) << static_cast<int>(c.kind);
  }
  EXPECT_EQ(L"刷新\tF5", menuText(nullptr));
}

// Closing rows of every kind: only handles and remote opens are closed, a
// remote open's question warns, and no program is ended for a remote open.
TEST(RowMenu, EachKindIsClosedOrEndedAsItCanBe) {
  RowTarget handle;
  handle.processId = 700;
  handle.handleValue = 0x44;
  RowTarget unreadable = handle;
  unreadable.kind = HolderKind::kUnreadable;
  unreadable.handleValue = 0;
  RowTarget remote;
  remote.kind = HolderKind::kRemote;
  remote.handleValue = 0x51;
  const struct {
    RowMenuCommand command;
    std::vector<RowTarget> selected;
    const wchar_t* log;
  } cases[] = {
      {RowMenuCommand::CloseHandle, {handle, unreadable}, L"confirm;closing:68,;"},
      {RowMenuCommand::CloseHandle, {remote, handle}, L"confirm remote;closing:81,68,;"},
      {RowMenuCommand::EndProcess, {unreadable}, L"end:700;tell:结束成功;"},
      {RowMenuCommand::EndProcess, {handle, remote}, L"end:700;tell:结束成功;"},
  };
  for (const auto& c : cases) {
    RecordedEffects effects;
    PerformRowAction(c.command, c.selected, effects);
    EXPECT_EQ(std::wstring(c.log), effects.log) << static_cast<unsigned>(c.command);
  }
}

HandleRecord heldRow(const wchar_t* path, DWORD pid, uint32_t handle, const wchar_t* program,
                     HolderKind kind = HolderKind::kHandle) {
  HandleRecord row;
  row.ownerPid = pid;
  row.ownerCreationTime = 1000 + pid;
  row.handleValue = handle;
  row.filePath = SharedText(std::wstring(path));
  row.processName = SharedText(std::wstring(program));
  row.loadedModule = kind == HolderKind::kModule;
  row.kind = kind == HolderKind::kModule ? HolderKind::kHandle : kind;
  return row;
}

ReleaseResult outcome(ReleaseOutcome what, DWORD systemError = 0) {
  ReleaseResult result;
  result.outcome = what;
  result.systemError = systemError;
  return result;
}

// Freeing files: the question counts every row of the files from the last
// search, a refused name or destination closes nothing, the operation runs
// only after the closings, and a failed delete offers the next start.
TEST(RowMenu, FreeingAFileChecksAsksClosesThenActs) {
  const std::vector<HandleRecord> rows{
      heldRow(L"C:\\a.txt", 700, 0x44, L"one.exe"),
      heldRow(L"C:\\a.txt", 700, 0x48, L"one.exe"),
      heldRow(L"C:\\a.txt", 701, 0x10, L"two.exe"),
      heldRow(L"C:\\a.txt", 702, 0, L"loader.exe", HolderKind::kModule),
      heldRow(L"C:\\b.txt", 703, 0x20, L"three.exe"),
      heldRow(L"C:\\a.txt", 0, 0x51, L"alice", HolderKind::kRemote),
  };
  const RowTarget onA = RowTargetOf(rows[0]);
  const RowTarget onB = RowTargetOf(rows[4]);
  const RowTarget remoteOnA = RowTargetOf(rows[5]);
  const std::wstring question3of4 =
      L"ask:将关闭3个程序的4个句柄,这些程序可能出错或丢失数据。确定要继续吗?"
      L"\n以下程序将它作为模块加载,无法通过关闭句柄解除占用:loader.exe\n另一台计算机上的用户未保存的更改将会丢失。;";
  ReleaseResult heldStill = outcome(ReleaseOutcome::kStillHeld);
  heldStill.stillHeldBy = {SharedText(std::wstring(L"loader.exe")), SharedText(std::wstring(L"two.exe"))};
  heldStill.offerNextStart = true;
  const ReleaseResult failedCode = outcome(ReleaseOutcome::kFailed, 1117);
  const struct {
    RowMenuCommand command;
    std::vector<RowTarget> selected;
    std::optional<WideText> newName;
    std::optional<ReleaseOutcome> refusal;
    std::vector<ReleaseResult> outcomes;
    bool agrees;
    const std::wstring log;
  } cases[] = {
      // Two rows of one file: planned once, every one of its rows counted
      // (not only the selected one), the remote open among them.
      {RowMenuCommand::ReleaseAndDelete, {onA, remoteOnA}, {}, {}, {}, true,
       L"plan:1;check;plan:1;" + question3of4 + L"closing 4;"},
      {RowMenuCommand::ReleaseAndDelete, {onA}, {}, {}, {}, false, L"plan:1;check;plan:1;" + question3of4},
      // Two files: one question over both.
      {RowMenuCommand::ReleaseAndDelete, {onB, onA, onB}, {}, {}, {}, true,
       L"plan:1;plan:1;check;check;plan:2;ask:将关闭4个程序的5个句柄,这些程序可能出错或丢失数据。确定要继续吗?"
       L"\n以下程序将它作为模块加载,无法通过关闭句柄解除占用:loader.exe\n另一台计算机上的用户未保存的更改将会丢失。;"
       L"closing 5;"},
      // A name refused: said which rule, nothing asked, nothing closed.
      {RowMenuCommand::ReleaseAndRename, {onB, onA}, WideText(L"CON.txt"), ReleaseOutcome::kNameReserved, {}, true,
       L"plan:1;name:b.txt;check;error:重命名失败\n该名称是系统保留的设备名;"},
      {RowMenuCommand::ReleaseAndRename, {onB}, std::nullopt, {}, {}, true, L"plan:1;name:b.txt;"},
      {RowMenuCommand::ReleaseAndRename, {onB}, WideText(L"b.txt"), {}, {}, true, L"plan:1;name:b.txt;"},
      {RowMenuCommand::ReleaseAndRename, {onB}, WideText(L"c.txt"), {}, {}, true,
       L"plan:1;name:b.txt;check;plan:1;ask:将关闭1个程序的1个句柄,这些程序可能出错或丢失数据。确定要继续吗?;closing 1;"},
      {RowMenuCommand::ReleaseAndMove, {onB}, {}, ReleaseOutcome::kNameExists, {}, true,
       L"plan:1;pick;check;error:移动失败\n该位置已有同名的文件或文件夹;"},
      // The next start closes nothing: one question, the operation, one box.
      {RowMenuCommand::DeleteAtNextStart, {onB}, {}, {}, {}, true,
       L"plan:1;check;ask:确定要在下次启动时删除吗?;apply 3:C:\\b.txt;tell:已安排在下次启动时删除;refresh;"},
      {RowMenuCommand::DeleteAtNextStart, {onB}, {}, {}, {failedCode}, true,
       L"plan:1;check;ask:确定要在下次启动时删除吗?;apply 3:C:\\b.txt;error:安排失败\n错误代码 1117;refresh;"},
      {RowMenuCommand::DeleteAtNextStart, {onB}, {}, {}, {}, false, L"plan:1;check;ask:确定要在下次启动时删除吗?;"},
  };
  for (const auto& c : cases) {
    RecordedEffects effects;
    effects.rows = rows;
    effects.newName = c.newName;
    effects.folder = WideText(L"D:\\to");
    effects.refusal = c.refusal;
    effects.outcomes = c.outcomes;
    effects.agrees = c.agrees;
    PerformRowAction(c.command, c.selected, effects);
    EXPECT_EQ(c.log, effects.log) << static_cast<unsigned>(c.command);
  }

  // The end of the closings: the operation on each file, one box, the
  // offer of the next start for what could not be deleted.
  RecordedEffects effects;
  effects.rows = rows;
  PerformRowAction(RowMenuCommand::ReleaseAndDelete, {onA}, effects);
  ASSERT_TRUE(effects.started.has_value());
  EXPECT_EQ(L"C:\\a.txt", effects.started->closing.path);
  const struct {
    std::vector<ReleaseResult> outcomes;
    bool agrees;
    const wchar_t* log;
  } ends[] = {
      {{}, true, L"apply 0:C:\\a.txt;tell:删除成功;refresh;"},
      {{heldStill}, true,
       L"apply 0:C:\\a.txt;error:删除失败\n文件仍被占用\n占用它的程序:loader.exe、two.exe;ask:是否在下次启动时删除?;"
       L"apply 3:C:\\a.txt;tell:已安排在下次启动时删除;refresh;"},
      {{heldStill}, false,
       L"apply 0:C:\\a.txt;error:删除失败\n文件仍被占用\n占用它的程序:loader.exe、two.exe;ask:是否在下次启动时删除?;refresh;"},
      {{outcome(ReleaseOutcome::kAccessDenied)}, true, L"apply 0:C:\\a.txt;error:删除失败\n拒绝访问;refresh;"},
  };
  for (const auto& end : ends) {
    RecordedEffects finishing;
    finishing.outcomes = end.outcomes;
    finishing.agrees = end.agrees;
    FinishRelease(*effects.started, ClosingReport{}, finishing);
    EXPECT_EQ(end.log, finishing.log);
  }

  // Closings that cannot start: nothing is done to the file.
  RecordedEffects refused;
  refused.rows = rows;
  refused.startsClosing = false;
  PerformRowAction(RowMenuCommand::ReleaseAndDelete, {onB}, refused);
  EXPECT_EQ(L"plan:1;check;plan:1;ask:将关闭1个程序的1个句柄,这些程序可能出错或丢失数据。确定要继续吗?;closing 1;"
            L"error:删除失败\n文件仍被占用;refresh;",
            refused.log);
}

TEST(SelectInExplorer, AnEmptyPathStartsNothing) {
  EXPECT_FALSE(SelectInExplorer(L""));
  EXPECT_FALSE(SelectInExplorer(nullptr));
}

}  // namespace
