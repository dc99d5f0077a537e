#include "ui/main/ResultList.h"

#include <commctrl.h>
#include <shellapi.h>
#include <shlwapi.h>

#include "app/Application.h"
#include "res/resource.h"
#include "search/FileNamePart.h"
#include "search/ResultListTexts.h"
#include "ui/main/SearchBoxFilter.h"

namespace {
constexpr int kNoIcon = -1;
constexpr int kPathColumn = 1;
constexpr int kHandleColumn = 2;
constexpr int kProcessIdColumn = 3;
constexpr int kProcessNameColumn = 4;
constexpr int kOutcomePart = 0;
constexpr int kCountPart = 1;

// The index of the file's icon in the system's small icon list, which is the
// list view's small image list. The shell looks at the real file.
int systemIconIndex(const AnsiString& path) {
  if (path.IsEmpty()) return kNoIcon;
  SHFILEINFOA info{};
  info.iIcon = kNoIcon;
  ::SHGetFileInfoA(path, FILE_ATTRIBUTE_NORMAL, &info, sizeof(info), SHGFI_SYSICONINDEX);
  return info.iIcon;
}

void setSubItemText(HWND listView, int row, int column, const AnsiString& text) {
  LVITEMA item{};
  item.iSubItem = column;
  item.pszText = const_cast<char*>(text.GetString());
  ::SendMessageA(listView, LVM_SETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}
}  // namespace

ResultList::ResultList(Application& app)
    : ResultList(app, ::GetDlgItem(app.mainWindow(), IDC_RESULT_LIST), ::GetDlgItem(app.mainWindow(), IDC_STATUS_BAR)) {}

ResultList::ResultList(Application& app, HWND listView, HWND statusBar)
    : app_(app), listView_(listView), statusBar_(statusBar) {}

int ResultList::rowCount() const { return static_cast<int>(::SendMessageA(listView_, LVM_GETITEMCOUNT, 0, 0)); }

void ResultList::setStatus(int part, const char* text) const {
  ::SendMessageA(statusBar_, SB_SETTEXTA, static_cast<WPARAM>(part), reinterpret_cast<LPARAM>(text));
}

void ResultList::fill(const AnsiString& filter) {
  // A request that meets a running fill is dropped, not queued.
  if (app_.filling.exchange(1) != 0) return;

  ::SendMessageA(listView_, LVM_DELETEALLITEMS, 0, 0);
  const std::vector<HandleRecord>& results = app_.results;
  for (size_t i = 0; i < results.size(); ++i) {
    const HandleRecord& result = results[i];
    if (!filter.IsEmpty() && ::StrStrIA(result.filePath, filter) == nullptr) continue;

    AnsiString name = FileNamePart(result.filePath);
    LVITEMA item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
    item.iItem = rowCount();  // appended: the list view does no sorting
    item.pszText = const_cast<char*>(name.GetString());
    item.iImage = systemIconIndex(result.filePath);
    const int row = static_cast<int>(::SendMessageA(listView_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    // A result whose row could not be inserted stays without one; its texts
    // must not land on another row.
    if (row < 0) continue;

    setSubItemText(listView_, row, kPathColumn, result.filePath);
    setSubItemText(listView_, row, kHandleColumn, HandleValueText(result.handleValue));
    setSubItemText(listView_, row, kProcessIdColumn, ProcessIdText(result.ownerPid));
    setSubItemText(listView_, row, kProcessNameColumn, result.processName);

    // The row actions find their record through this index.
    LVITEMA param{};
    param.mask = LVIF_PARAM;
    param.iItem = row;
    param.lParam = static_cast<LPARAM>(i);
    ::SendMessageA(listView_, LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&param));
  }

  const std::shared_ptr<HandleScanner>& scanner = app_.worker.scanner;
  const SearchOutcome outcome{scanner != nullptr && !scanner->records().empty(), app_.targetPath, !results.empty()};
  setStatus(kOutcomePart, SearchOutcomeText(outcome));
  setStatus(kCountPart, RowCountText(rowCount()));

  app_.filling.exchange(0);
}

void ResultList::fillFromSearchBox(HWND searchBox) {
  if (app_.busy.load() != 0) return;
  fill(SearchBoxText(searchBox));
}
