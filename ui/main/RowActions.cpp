#include "ui/main/RowActions.h"

#include <commctrl.h>
#include <shellapi.h>

#include <cstring>
#include <string>

#include "app/Application.h"
#include "os/ClipboardSession.h"
#include "os/GlobalMemory.h"
#include "os/PopupMenu.h"
#include "os/UniqueHandle.h"
#include "res/resource.h"
#include "text/CodePageConversion.h"
#include "ui/main/WindowTexts.h"

namespace {
constexpr RowMenuItem kActionItems[] = {
    {RowMenuCommand::ViewFileLocation, L"查看文件位置"},
    {RowMenuCommand::CopyFileLocation, L"复制文件位置"},
    {RowMenuCommand::ViewProcessLocation, L"查看进程位置"},
    {RowMenuCommand::EndProcess, L"结束进程"},
};
constexpr RowMenuItem kRefreshItem{RowMenuCommand::Refresh, L"刷新"};

constexpr wchar_t kExplorer[] = L"explorer.exe";
constexpr wchar_t kSelectSwitch[] = L"/select,\"";
constexpr wchar_t kClosingQuote[] = L"\"";
// ShellExecuteW reports failure as a value of at most 32, not as null.
constexpr INT_PTR kLastShellExecuteError = 32;

constexpr UINT kEndedExitCode = 0;
// Ending it, and asking whether it still runs and when it started.
constexpr DWORD kEndAccess = PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION;

// The block holds the text and its terminating zero.
GlobalMemory textBlock(const AnsiString& text) {
  const size_t length = static_cast<size_t>(text.GetLength());
  GlobalMemory block(::GlobalAlloc(GMEM_MOVEABLE, length + 1));
  if (!block) return block;
  auto* target = static_cast<char*>(::GlobalLock(block.get()));
  if (target == nullptr) return GlobalMemory(nullptr);  // `block` frees it
  std::memcpy(target, text.GetString(), length);
  target[length] = '\0';
  ::GlobalUnlock(block.get());
  return block;
}

uint64_t creationTimeOf(HANDLE process) {
  FILETIME creation{};
  FILETIME exit{};
  FILETIME kernel{};
  FILETIME user{};
  if (Sys().GetProcessTimes(process, &creation, &exit, &kernel, &user) == FALSE) return 0;
  return (static_cast<uint64_t>(creation.dwHighDateTime) << 32) | creation.dwLowDateTime;
}

// The actions on the real system, for the main window.
class SystemRowEffects : public RowActionEffects {
 public:
  explicit SystemRowEffects(Application& app) : app_(app) {}

  void selectInExplorer(const AnsiString& path) override {
    if (path.IsEmpty()) return;
    const WideFromAnsi widePath(path);
    SelectInExplorer(widePath);
  }
  bool copyToClipboard(const AnsiString& text) override { return CopyTextToClipboard(app_.mainWindow(), text); }
  bool endHolder(const RowTarget& target) override {
    return EndHolderProcess(target.processId, target.processCreationTime);
  }
  void refresh() override { app_.restartSearch(); }
  void tell(const char* message) override {
    ::MessageBoxA(app_.mainWindow(), message, kPromptCaption, MB_ICONINFORMATION);
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
  return target;
}

std::vector<RowMenuItem> RowMenuItems(bool forTarget) {
  std::vector<RowMenuItem> items;
  if (forTarget) items.assign(std::begin(kActionItems), std::end(kActionItems));
  items.push_back(kRefreshItem);
  return items;
}

void PerformRowAction(RowMenuCommand command, const RowTarget& target, RowActionEffects& effects) {
  switch (command) {
    case RowMenuCommand::ViewFileLocation:
      effects.selectInExplorer(target.filePath);
      break;
    case RowMenuCommand::CopyFileLocation:
      effects.tell(effects.copyToClipboard(target.filePath) ? kCopiedMessage : kCopyFailedMessage);
      break;
    case RowMenuCommand::ViewProcessLocation:
      // A process whose image path is unknown starts nothing.
      effects.selectInExplorer(target.processPath);
      break;
    case RowMenuCommand::EndProcess:
      // The row stays until the next search.
      effects.tell(effects.endHolder(target) ? kEndedMessage : kEndFailedMessage);
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

bool CopyTextToClipboard(HWND owner, const AnsiString& text) {
  // The block is made first: when there is no memory for it, the user's
  // clipboard has not been emptied yet.
  GlobalMemory block = textBlock(text);
  if (!block) return false;
  ClipboardSession clipboard(owner);
  if (!clipboard.isOpen()) return false;
  ::EmptyClipboard();
  // Once placed, the block belongs to the clipboard; a block that was not
  // taken is freed here and the copy counts as failed.
  if (::SetClipboardData(CF_TEXT, block.get()) == nullptr) return false;
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
  if (creationTimeOf(process.get()) != creationTime) return false;
  return Sys().TerminateProcess(process.get(), kEndedExitCode) != FALSE;
}

void Application::showRowMenu(int row) {
  const HWND main = mainWindow();
  const PopupMenu menu;
  if (!menu) return;
  const std::optional<RowTarget> target = RowTargetFor(*this, ::GetDlgItem(main, IDC_RESULT_LIST), row);
  for (const RowMenuItem& item : RowMenuItems(target.has_value())) {
    ::AppendMenuW(menu.get(), MF_STRING, static_cast<UINT_PTR>(item.command), item.text);
  }
  POINT pointer{};
  ::GetCursorPos(&pointer);
  ::SetForegroundWindow(main);
  const auto chosen = static_cast<RowMenuCommand>(
      ::TrackPopupMenu(menu.get(), TPM_RETURNCMD, pointer.x, pointer.y, 0, main, nullptr));
  SystemRowEffects effects(*this);
  PerformRowAction(chosen, target.value_or(RowTarget{}), effects);
}
