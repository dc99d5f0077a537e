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
#include "res/resource.h"
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
  EndResult endHolder(const RowTarget& target) override {
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
  bool startClosing(const std::vector<RowTarget>& rows) override {
    std::vector<HeldHandle> handles;
    for (const RowTarget& row : rows) {
      handles.push_back(HeldHandle{row.processId, row.processCreationTime, row.handleValue, row.filePath});
    }
    return app_.startClosing(std::move(handles));
  }
  void refresh() override { app_.restartSearch(); }
  void tell(const wchar_t* message, bool failure) override {
    ::MessageBoxW(app_.mainWindow(), message, kPromptCaption, failure ? MB_ICONERROR : MB_ICONINFORMATION);
  }

 private:
  Application& app_;
};
}  // namespace

std::optional<RowTarget> RowTargetFor(const Application& app, HWND listView, int row) {
  // While a search runs its results are about to be replaced, and while
  // handles are being closed they are about to be: no row is looked at then,
  // and only "刷新" is offered (which says "正在查找").
  if (app.busy.load() != 0 || app.closing.load() != 0 || row < 0) return std::nullopt;
  // Rows and results differ in order when a filter hides rows: the row
  // names its result by its item parameter.
  LVITEMW item{};
  item.mask = LVIF_PARAM;
  item.iItem = row;
  if (::SendMessageW(listView, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)) == FALSE || item.lParam < 0 ||
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
  std::vector<RowTarget> handles;
  for (const RowTarget& target : selected) {
    if (!target.loadedModule) handles.push_back(target);  // a loaded module has no handle
  }
  // Not started: every one of them failed.
  if (!effects.startClosing(handles)) {
    const int count = static_cast<int>(handles.size());
    ReportClosing(CloseTally{count, count, 0}, effects);
  }
}
}  // namespace

void ReportClosing(const CloseTally& tally, RowActionEffects& effects) {
  if (tally.failed == 0) {
    effects.tell(kClosedMessage, false);
  } else {
    WideText message = kCloseFailedFirstLine + DecimalText(tally.tried) + kCloseFailedOf + DecimalText(tally.failed) +
                       kCloseFailedEnd;
    if (tally.changed > 0) message += kHandlesChangedStart + DecimalText(tally.changed) + kHandlesChangedEnd;
    if (tally.unconfirmed > 0) {
      message += kHandlesChangedStart + DecimalText(tally.unconfirmed) + kHandlesUnconfirmedEnd;
    }
    effects.tell(message.c_str(), true);
  }
  // The list then shows what is still held.
  effects.refresh();
}

namespace {
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
    // A critical process is left alone: it counts as not ended.
    if (effects.endHolder(program) != EndResult::kEnded) ++failed;
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
      switch (effects.endHolder(target)) {
        case EndResult::kEnded:
          effects.tell(kEndedMessage, false);
          break;
        case EndResult::kCritical:
          effects.tell(kEndCriticalMessage, false);
          break;
        case EndResult::kFailed:
          effects.tell(kEndFailedMessage, false);
          break;
      }
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

void Application::showRowMenu(int row, POINT at) {
  const HWND main = mainWindow();
  const PopupMenu menu;
  if (!menu) return;
  const HWND list = ::GetDlgItem(main, IDC_RESULT_LIST);
  // The given row first, then every other selected one.
  std::vector<RowTarget> selected;
  if (const std::optional<RowTarget> top = RowTargetFor(*this, list, row)) {
    selected.push_back(*top);
    for (int next = static_cast<int>(::SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
         next >= 0;
         next = static_cast<int>(::SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(next), LVNI_SELECTED))) {
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
      ::SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED | LVNI_SELECTED));
  if (row < 0) row = static_cast<int>(::SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
  POINT at{0, 0};
  if (row >= 0) {
    // Under the row's label, scrolled into view first.
    ::SendMessageW(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
    RECT label{};
    label.left = LVIR_LABEL;
    if (::SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&label)) != FALSE) {
      at = POINT{label.left, label.bottom};
    }
  }
  ::ClientToScreen(list, &at);
  showRowMenu(row, at);
}

namespace {
// Posts to the main window, or, where there is none, to the window's thread
// (routeThreadMessage takes it there), as the search's end does.
void postToWindowThread(HWND window, DWORD uiThread, UINT message, WPARAM wParam, LPARAM lParam) {
  if (window != nullptr) {
    ::PostMessageW(window, message, wParam, lParam);
  } else {
    ::PostThreadMessageW(uiThread, message, wParam, lParam);
  }
}
}  // namespace

bool Application::startClosing(std::vector<HeldHandle> handles) {
  const HWND window = mainWindow();
  const DWORD uiThread = ::GetCurrentThreadId();
  closing.exchange(1);
  // Every handle of the batch is tried: the end's message carries only the
  // failed and the changed ones, each whole in a parameter of its own.
  closingTried = static_cast<int>(handles.size());
  bool started = false;
  try {
    // Both ends come back to the window's thread as messages: the counts
    // travel in their parameters.
    started = StartClosingHandles(
        std::move(handles), PathsEqualIgnoringCase,
        [window, uiThread](int done, int total) {
          postToWindowThread(window, uiThread, kClosingProgressMessage, static_cast<WPARAM>(done),
                             static_cast<LPARAM>(total));
        },
        [this, window, uiThread](const CloseTally& tally) {
          closingUnconfirmed.store(tally.unconfirmed);
          postToWindowThread(window, uiThread, kClosingDoneMessage, static_cast<WPARAM>(tally.failed),
                             static_cast<LPARAM>(tally.changed));
        });
  } catch (...) {
    // No memory for the batch: nothing started.
  }
  if (!started) closing.exchange(0);
  return started;
}

void Application::onClosingProgress(int done, int total) {
  if (closing.load() == 0) return;
  const WideText text = kClosingProgressPrefix + DecimalText(done) + L"/" + DecimalText(total);
  ::SendMessageW(::GetDlgItem(mainWindow(), IDC_STATUS_BAR), SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void Application::onClosingDone(WPARAM failed, LPARAM changed) {
  closing.exchange(0);
  SystemRowEffects effects(*this);
  ReportClosing(
      CloseTally{closingTried, static_cast<int>(failed), static_cast<int>(changed), closingUnconfirmed.load()},
      effects);
}
