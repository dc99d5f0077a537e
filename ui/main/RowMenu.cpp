#include <windows.h>
#include <commctrl.h>

#include <cstddef>

#include "app/Application.h"
#include "res/resource.h"
#include "text/CodePageConversion.h"
#include "ui/main/CopyPathToClipboard.h"
#include "ui/main/PopupMenu.h"
#include "ui/main/PromptCaption.h"
#include "ui/main/RowMenuCommand.h"
#include "ui/main/SelectInExplorer.h"
#include "ui/main/TerminateProcessById.h"

namespace {
const char kCopiedMessage[] = "复制成功";
const char kCopyFailedMessage[] = "复制失败";
const char kEndedMessage[] = "结束成功";
const char kEndFailedMessage[] = "结束失败";

struct RowMenuItem {
  RowMenuCommand command;
  const wchar_t* text;
};

constexpr RowMenuItem kRowItems[] = {
    {RowMenuCommand::ViewFileLocation, L"查看文件位置"},
    {RowMenuCommand::CopyFileLocation, L"复制文件位置"},
    {RowMenuCommand::ViewProcessLocation, L"查看进程位置"},
    {RowMenuCommand::EndProcess, L"结束进程"},
};
constexpr RowMenuItem kRefreshItem{RowMenuCommand::Refresh, L"刷新"};

// What the row's actions need of its result, copied while `results` is
// known to be still.
struct RowTarget {
  AnsiString filePath;
  AnsiString processPath;
  DWORD processId = 0;
};

void appendItem(HMENU menu, const RowMenuItem& item) {
  ::AppendMenuW(menu, MF_STRING, static_cast<UINT_PTR>(item.command), item.text);
}

void showOutcome(HWND owner, bool succeeded, const char* success, const char* failure) {
  ::MessageBoxA(owner, succeeded ? success : failure, kPromptCaption, MB_ICONINFORMATION);
}

void selectPathInExplorer(const AnsiString& path) {
  // An empty path (a process whose image path is unknown) starts nothing.
  if (path.IsEmpty()) return;
  const WideFromAnsi widePath(path);
  selectInExplorer(widePath);
}
}  // namespace

void Application::showRowMenu(int row) {
  const HWND main = mainWindow();
  const PopupMenu menu;
  if (!menu) return;

  // While a search runs, its thread empties and refills `results`: the row
  // is not looked at then and only "刷新" is offered (which answers
  // "正在查找" until the search is done).
  RowTarget target;
  bool rowOffered = false;
  if (busy.load() == 0 && row >= 0 && static_cast<size_t>(row) < results.size()) {
    // Rows and results differ in order when a filter hides rows: the row
    // names its result by its item parameter.
    LVITEMA item{};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    item.iSubItem = 0;
    const HWND list = ::GetDlgItem(main, IDC_RESULT_LIST);
    if (::SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)) != FALSE && item.lParam >= 0 &&
        static_cast<size_t>(item.lParam) < results.size()) {
      const HandleRecord& result = results[static_cast<size_t>(item.lParam)];
      target.filePath = result.filePath;
      target.processPath = result.processPath;
      target.processId = result.ownerPid;
      rowOffered = true;
    }
  }
  if (rowOffered) {
    for (const RowMenuItem& item : kRowItems) appendItem(menu.get(), item);
  }
  appendItem(menu.get(), kRefreshItem);

  POINT pointer{};
  ::GetCursorPos(&pointer);
  ::SetForegroundWindow(main);
  const auto chosen = static_cast<RowMenuCommand>(
      ::TrackPopupMenu(menu.get(), TPM_RETURNCMD, pointer.x, pointer.y, 0, main, nullptr));

  switch (chosen) {
    case RowMenuCommand::ViewFileLocation:
      selectPathInExplorer(target.filePath);
      break;
    case RowMenuCommand::CopyFileLocation:
      showOutcome(main, copyPathToClipboard(main, target.filePath), kCopiedMessage, kCopyFailedMessage);
      break;
    case RowMenuCommand::ViewProcessLocation:
      selectPathInExplorer(target.processPath);
      break;
    case RowMenuCommand::EndProcess:
      // The row stays until the next search.
      showOutcome(main, terminateProcessById(target.processId, target.processPath), kEndedMessage,
                  kEndFailedMessage);
      break;
    case RowMenuCommand::Refresh:
      restartSearch();
      break;
    case RowMenuCommand::Dismissed:
      break;
  }
}
