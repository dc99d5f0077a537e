#include "ui/main/RowActions.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "app/Application.h"
#include "os/ClipboardSession.h"
#include "os/GlobalMemory.h"
#include "os/PopupMenu.h"
#include "os/ProcessTimes.h"
#include "os/SlimLock.h"
#include "os/SmallThread.h"
#include "os/UniqueHandle.h"
#include "res/resource.h"
#include "scan/HandleNaming.h"
#include "search/PathComparison.h"
#include "ui/main/WindowTexts.h"

namespace {
constexpr RowMenuItem kActionItems[] = {
    {RowMenuCommand::ViewFileLocation, L"查看文件位置"},
    {RowMenuCommand::CopyFileLocation, L"复制文件位置"},
    {RowMenuCommand::ViewProcessLocation, L"查看进程位置"},
    {RowMenuCommand::EndProcess, L"结束进程"},
};
constexpr RowMenuItem kCloseHandleItem{RowMenuCommand::CloseHandle, L"关闭句柄"};
constexpr RowMenuItem kRefreshItem{RowMenuCommand::Refresh, L"刷新"};

constexpr wchar_t kExplorer[] = L"explorer.exe";
constexpr wchar_t kSelectSwitch[] = L"/select,\"";
constexpr wchar_t kClosingQuote[] = L"\"";
// ShellExecuteW reports failure as a value of at most 32, not as null.
constexpr INT_PTR kLastShellExecuteError = 32;

constexpr UINT kEndedExitCode = 0;
// Ending it, and asking whether it still runs and when it started.
constexpr DWORD kEndAccess = PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION;
// Bringing its handles over (and closing them there), and asking when it started.
constexpr DWORD kCloseAccess = PROCESS_DUP_HANDLE | PROCESS_QUERY_LIMITED_INFORMATION;

// The block holds the text and its terminating zero.
GlobalMemory textBlock(WideView text) {
  const size_t length = text.size();
  GlobalMemory block(::GlobalAlloc(GMEM_MOVEABLE, (length + 1) * sizeof(WCHAR)));
  if (!block) return block;
  auto* target = static_cast<WCHAR*>(::GlobalLock(block.get()));
  if (target == nullptr) return GlobalMemory(nullptr);  // `block` frees it
  std::memcpy(target, text.data(), length * sizeof(WCHAR));
  target[length] = 0;
  ::GlobalUnlock(block.get());
  return block;
}

// The actions on the real system, for the main window.
class SystemRowEffects : public RowActionEffects {
 public:
  explicit SystemRowEffects(Application& app) : app_(app) {}

  void selectInExplorer(const SharedText& path) override { SelectInExplorer(path.GetString()); }
  bool copyToClipboard(const SharedText& text) override { return CopyTextToClipboard(app_.mainWindow(), text); }
  bool endHolder(const RowTarget& target) override {
    return EndHolderProcess(target.processId, target.processCreationTime);
  }
  bool confirmClose() override {
    return ::MessageBoxW(app_.mainWindow(), kCloseHandleQuestion, kPromptCaption,
                         MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES;
  }
  bool confirmEnd(int programs) override {
    const WideText question = kEndSeveralQuestionStart + DecimalText(programs) + kEndSeveralQuestionEnd;
    return ::MessageBoxW(app_.mainWindow(), question.c_str(), kPromptCaption,
                         MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES;
  }
  bool closeHandle(const RowTarget& target) override { return CloseHolderHandle(target); }
  void refresh() override { app_.restartSearch(); }
  void tell(const wchar_t* message, bool failure) override {
    ::MessageBoxW(app_.mainWindow(), message, kPromptCaption, failure ? MB_ICONERROR : MB_ICONINFORMATION);
  }

 private:
  Application& app_;
};
}  // namespace

std::optional<RowTarget> RowTargetFor(const Application& app, HWND listView, int row) {
  // While a search runs its results are about to be replaced: no row is
  // looked at then, and only "刷新" is offered (which says "正在查找").
  if (app.busy.load() != 0 || row < 0) return std::nullopt;
  // Rows and results differ in order when a filter hides rows: the row
  // names its result by its item parameter.
  LVITEMA item{};
  item.mask = LVIF_PARAM;
  item.iItem = row;
  if (::SendMessageA(listView, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)) == FALSE || item.lParam < 0 ||
      static_cast<size_t>(item.lParam) >= app.results.size()) {
    return std::nullopt;
  }
  const HandleRecord& result = app.results[static_cast<size_t>(item.lParam)];
  RowTarget target;
  target.filePath = result.filePath;
  target.processPath = result.processPath;
  target.processId = result.ownerPid;
  target.processCreationTime = result.ownerCreationTime;
  target.handleValue = result.handleValue;
  target.loadedModule = result.loadedModule;
  return target;
}

std::vector<RowMenuItem> RowMenuItems(const RowTarget* target) {
  std::vector<RowMenuItem> items;
  if (target != nullptr) {
    items.assign(std::begin(kActionItems), std::end(kActionItems));
    if (!target->loadedModule) items.push_back(kCloseHandleItem);
  }
  items.push_back(kRefreshItem);
  return items;
}

namespace {
void closeHandles(const std::vector<RowTarget>& selected, RowActionEffects& effects) {
  if (!effects.confirmClose()) return;
  int tried = 0;
  int failed = 0;
  for (const RowTarget& target : selected) {
    if (target.loadedModule) continue;  // no handle: a loaded module
    ++tried;
    if (!effects.closeHandle(target)) ++failed;
  }
  if (failed == 0) {
    effects.tell(kClosedMessage, false);
  } else {
    const WideText message =
        kCloseFailedFirstLine + DecimalText(tried) + kCloseFailedOf + DecimalText(failed) + kCloseFailedEnd;
    effects.tell(message.c_str(), true);
  }
  // The list then shows what is still held.
  effects.refresh();
}

// The selected rows' programs, each once, in the rows' order: a program is
// its ID and the moment it started.
std::vector<RowTarget> programsOf(const std::vector<RowTarget>& selected) {
  std::vector<RowTarget> programs;
  for (const RowTarget& target : selected) {
    const bool seen = std::any_of(programs.begin(), programs.end(), [&](const RowTarget& program) {
      return program.processId == target.processId && program.processCreationTime == target.processCreationTime;
    });
    if (!seen) programs.push_back(target);
  }
  return programs;
}

void endPrograms(const std::vector<RowTarget>& programs, RowActionEffects& effects) {
  const int count = static_cast<int>(programs.size());
  if (!effects.confirmEnd(count)) return;
  int failed = 0;
  for (const RowTarget& program : programs) {
    if (!effects.endHolder(program)) ++failed;
  }
  if (failed == 0) {
    effects.tell(kEndedMessage, false);
  } else {
    const WideText message = kEndSeveralFailedFirstLine + DecimalText(count) + kEndSeveralFailedOf +
                             DecimalText(failed) + kEndSeveralFailedEnd;
    effects.tell(message.c_str(), true);
  }
  // Their rows go: the list then shows who still holds the file.
  effects.refresh();
}
}  // namespace

void PerformRowAction(RowMenuCommand command, const std::vector<RowTarget>& selected, RowActionEffects& effects) {
  const RowTarget none;
  const RowTarget& target = selected.empty() ? none : selected.front();
  switch (command) {
    case RowMenuCommand::ViewFileLocation:
      effects.selectInExplorer(target.filePath);
      break;
    case RowMenuCommand::CopyFileLocation:
      effects.tell(effects.copyToClipboard(target.filePath) ? kCopiedMessage : kCopyFailedMessage, false);
      break;
    case RowMenuCommand::ViewProcessLocation:
      // A process whose image path is unknown starts nothing.
      effects.selectInExplorer(target.processPath);
      break;
    case RowMenuCommand::EndProcess: {
      const std::vector<RowTarget> programs = programsOf(selected);
      if (programs.size() > 1) {
        endPrograms(programs, effects);
        break;
      }
      // One program: at once, and its row stays until the next search.
      effects.tell(effects.endHolder(target) ? kEndedMessage : kEndFailedMessage, false);
      break;
    }
    case RowMenuCommand::CloseHandle:
      if (!selected.empty()) closeHandles(selected, effects);
      break;
    case RowMenuCommand::Refresh:
      effects.refresh();
      break;
    case RowMenuCommand::Dismissed:
      break;
  }
}

bool SelectInExplorer(const wchar_t* path) {
  if (path == nullptr || path[0] == L'\0') return false;
  // /select,"<path>": the quotes keep a path with spaces or commas whole.
  const std::wstring parameters = std::wstring(kSelectSwitch) + path + kClosingQuote;
  const HINSTANCE started = ::ShellExecuteW(nullptr, nullptr, kExplorer, parameters.c_str(), nullptr, SW_SHOWDEFAULT);
  return reinterpret_cast<INT_PTR>(started) > kLastShellExecuteError;
}

bool CopyTextToClipboard(HWND owner, WideView text) {
  // The block is made first: when there is no memory for it, the user's
  // clipboard has not been emptied yet.
  GlobalMemory block = textBlock(text);
  if (!block) return false;
  ClipboardSession clipboard(owner);
  if (!clipboard.isOpen()) return false;
  ::EmptyClipboard();
  // Once placed, the block belongs to the clipboard; a block that was not
  // taken is freed here and the copy counts as failed.
  if (::SetClipboardData(CF_UNICODETEXT, block.get()) == nullptr) return false;
  block.release();
  return true;
}

bool EndHolderProcess(DWORD processId, uint64_t creationTime) {
  if (creationTime == 0) return false;
  const UniqueHandle process(Sys().OpenProcess(kEndAccess, FALSE, processId));
  if (!process) return false;
  // A process that has ended stays openable while anyone holds a handle to
  // it, and some systems then let TerminateProcess "succeed" on it: ending
  // it again must still count as a failure.
  DWORD exitCode = 0;
  if (Sys().GetExitCodeProcess(process.get(), &exitCode) == FALSE || exitCode != STILL_ACTIVE) return false;
  if (ProcessCreationTime(process.get()) != creationTime) return false;
  return Sys().TerminateProcess(process.get(), kEndedExitCode) != FALSE;
}

void Application::showRowMenu(int row, POINT at) {
  const HWND main = mainWindow();
  const PopupMenu menu;
  if (!menu) return;
  const HWND list = ::GetDlgItem(main, IDC_RESULT_LIST);
  // The given row first, then every other selected one.
  std::vector<RowTarget> selected;
  if (const std::optional<RowTarget> top = RowTargetFor(*this, list, row)) {
    selected.push_back(*top);
    for (int next = static_cast<int>(::SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
         next >= 0;
         next = static_cast<int>(::SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(next), LVNI_SELECTED))) {
      if (next == row) continue;
      if (const std::optional<RowTarget> other = RowTargetFor(*this, list, next)) selected.push_back(*other);
    }
  }
  for (const RowMenuItem& item : RowMenuItems(selected.empty() ? nullptr : &selected.front())) {
    ::AppendMenuW(menu.get(), MF_STRING, static_cast<UINT_PTR>(item.command), item.text);
  }
  ::SetForegroundWindow(main);
  const auto chosen =
      static_cast<RowMenuCommand>(::TrackPopupMenu(menu.get(), TPM_RETURNCMD, at.x, at.y, 0, main, nullptr));
  SystemRowEffects effects(*this);
  PerformRowAction(chosen, selected, effects);
}

void Application::showRowMenuFromKeyboard() {
  const HWND list = ::GetDlgItem(mainWindow(), IDC_RESULT_LIST);
  int row = static_cast<int>(
      ::SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED | LVNI_SELECTED));
  if (row < 0) row = static_cast<int>(::SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
  POINT at{0, 0};
  if (row >= 0) {
    // Under the row's label, scrolled into view first.
    ::SendMessageA(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
    RECT label{};
    label.left = LVIR_LABEL;
    if (::SendMessageA(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&label)) != FALSE) {
      at = POINT{label.left, label.bottom};
    }
  }
  ::ClientToScreen(list, &at);
  showRowMenu(row, at);
}

namespace {
// What the closing thread and its waiter share.
struct ClosingState {
  SlimLock lock;
  SlimCondition changed;
  bool done = false;
  bool closed = false;
};

bool closeInHolder(const RowTarget& target) {
  if (target.processCreationTime == 0 || target.filePath.IsEmpty()) return false;
  const UniqueHandle holder(Sys().OpenProcess(kCloseAccess, FALSE, target.processId));
  if (!holder || ProcessCreationTime(holder.get()) != target.processCreationTime) return false;
  const HANDLE value = HandleFromValue(target.handleValue);
  const HANDLE self = Sys().GetCurrentProcess();
  {
    // A look at what the value names now, through a copy that leaves it open.
    UniqueHandle look;
    if (Sys().DuplicateHandle(holder.get(), value, self, look.put(), 0, FALSE, DUPLICATE_SAME_ACCESS) == FALSE) {
      return false;
    }
    const SharedText named = QueryFinalPath(look.get());
    if (named.IsEmpty() || !PathsEqualIgnoringCase(named, target.filePath)) return false;
  }
  // Closed in the holder; the copy that comes over is ours to close.
  UniqueHandle last;
  return Sys().DuplicateHandle(holder.get(), value, self, last.put(), 0, FALSE,
                               DUPLICATE_CLOSE_SOURCE | DUPLICATE_SAME_ACCESS) != FALSE;
}
}  // namespace

bool CloseHolderHandle(const RowTarget& target, DWORD limitMs) {
  auto state = std::make_shared<ClosingState>();
  // The closing waits, under Wine, for the holder to run: on a thread of its
  // own, given up after the limit.
  const bool started = StartSmallThread([state, target] {
    bool closed = false;
    try {
      closed = closeInHolder(target);
    } catch (...) {
    }
    const SlimLockGuard guard(state->lock);
    state->closed = closed;
    state->done = true;
    state->changed.notifyAll();
  });
  if (!started) return false;
  const auto deadline = SlimCondition::Clock::now() + std::chrono::milliseconds(limitMs);
  const SlimLockGuard guard(state->lock);
  while (!state->done && state->changed.waitUntil(state->lock, deadline)) {
  }
  return state->done && state->closed;
}
