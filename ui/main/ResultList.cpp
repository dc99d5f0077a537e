#include "ui/main/ResultList.h"

#include <shellapi.h>
#include <shlwapi.h>

#include "app/Application.h"
#include "ui/framework/ListViewControl.h"
#include "ui/framework/SubclassedControl.h"
#include "res/resource.h"
#include "search/FileNamePart.h"
#include "search/PathComparison.h"
#include "search/ResultListTexts.h"
#include "search/RowOrder.h"
#include "text/CodePageConversion.h"
#include "ui/main/RowActions.h"
#include "ui/main/WindowTexts.h"

namespace {
constexpr int kNoIcon = -1;
constexpr int kOutcomePart = 0;
constexpr int kCountPart = 1;
// Units read at most, terminator included.
constexpr int kBoxTextMaxUnits = 4096;

struct ResultColumn {
  const wchar_t* header;
  int width;
  int format;
  WideText (*cell)(const HandleRecord& result);
};

const ResultColumn kColumns[] = {
    {L"文件名", 200, LVCFMT_LEFT, [](const HandleRecord& r) { return WideText(FileNamePart(r.filePath)); }},
    {L"路径", 350, LVCFMT_LEFT, [](const HandleRecord& r) { return r.filePath.ToWide(); }},
    {L"句柄", 100, LVCFMT_LEFT,
     [](const HandleRecord& r) { return r.loadedModule ? WideText(kModuleHandleText) : HandleValueText(r.handleValue); }},
    {L"进程ID", 100, LVCFMT_LEFT, [](const HandleRecord& r) { return ProcessIdText(r.ownerPid); }},
    {L"进程名", 200, LVCFMT_RIGHT, [](const HandleRecord& r) { return r.processName.ToWide(); }},
};

static_assert(std::size(kColumns) == kResultColumnCount, "one column a RowOrder column");

// The cache key of the folder icon: a backslash ends no extension.
constexpr wchar_t kFolderIconKey[] = L"\\";
// The names the shell is asked about: never the row's file, only a name
// with its extension, which SHGFI_USEFILEATTRIBUTES takes at its word.
constexpr wchar_t kIconFileStem[] = L"file";
constexpr wchar_t kIconFolderName[] = L"folder";

// The icon's key of a path: the folder's, or its name's extension in lower
// case (empty when the name has none).
WideText iconKey(WideView path, bool folder) {
  if (folder) return kFolderIconKey;
  const WideView name = FileNamePart(path);
  const std::size_t dot = name.rfind(L'.');
  if (dot == WideView::npos) return WideText();
  WideText extension(name.substr(dot));
  ::CharLowerBuffW(&extension[0], static_cast<DWORD>(extension.size()));
  return extension;
}

// The index, in the system's small icon list (the list view's small image
// list), of the icon the shell shows for a file with this key's extension,
// or for a folder. The attributes given stand for the file's: nothing on
// disk or on the network is looked at.
int shellIconIndex(const WideText& key) {
  const bool folder = key == kFolderIconKey;
  const WideText name = folder ? WideText(kIconFolderName) : kIconFileStem + key;
  SHFILEINFOW info{};
  info.iIcon = kNoIcon;
  ::SHGetFileInfoW(name.c_str(), folder ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL, &info, sizeof(info),
                   SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_USEFILEATTRIBUTES);
  return info.iIcon;
}

// A row's path that is known to name a folder without asking the file
// system: the searched folder itself, or a name ending in a backslash (a
// drive root).
bool knownFolder(WideView path, const Application& app) {
  if (!path.empty() && path.back() == L'\\') return true;
  if (!app.targetIsFolder) return false;
  const WideView folder = app.targetMatchPath;
  return PathsEqualIgnoringCase(path, folder.substr(0, static_cast<std::size_t>(FolderNameLength(folder))));
}

// The five cells of a result, between tabs, and CR LF.
void appendRowLine(const HandleRecord& result, WideText& text) {
  for (std::size_t column = 0; column < std::size(kColumns); ++column) {
    if (column > 0) text += L'\t';
    text += kColumns[column].cell(result);
  }
  text += L"\r\n";
}

// Copies a cell's text into the list view's buffer, cut to fit as the list
// view expects: exact when it asks for UTF-16; in the thread's code page
// when it asks narrowly (its narrow texts are read in that code page).
void answerText(const WideText& text, NMLVDISPINFOW* info, bool wide) {
  if (info->item.pszText == nullptr || info->item.cchTextMax <= 0) return;
  if (wide) {
    ::lstrcpynW(info->item.pszText, text.c_str(), info->item.cchTextMax);
  } else {
    const AnsiFromWide narrow(text.c_str());
    ::lstrcpynA(reinterpret_cast<char*>(info->item.pszText), narrow, info->item.cchTextMax);
  }
}

// Whether `path` contains `filter`, letters compared without regard to case.
bool containsIgnoringCase(const SharedText& path, const WideText& filter) {
  return ::StrStrIW(path.GetString(), filter.c_str()) != nullptr;
}

// Drawing is off for the scope: a fill of many rows repaints once, at its end.
class RedrawOff {
 public:
  explicit RedrawOff(HWND window) : window_(window) { ::SendMessageW(window_, WM_SETREDRAW, FALSE, 0); }
  ~RedrawOff() {
    ::SendMessageW(window_, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(window_, nullptr, TRUE);
  }
  RedrawOff(const RedrawOff&) = delete;
  RedrawOff& operator=(const RedrawOff&) = delete;

 private:
  HWND window_;
};

// Lowers the fill flag at the end of the scope, however it is left.
class FillingFlag {
 public:
  explicit FillingFlag(std::atomic<uint8_t>& flag) : flag_(flag) {}
  ~FillingFlag() { flag_.exchange(0); }
  FillingFlag(const FillingFlag&) = delete;
  FillingFlag& operator=(const FillingFlag&) = delete;

 private:
  std::atomic<uint8_t>& flag_;
};
}  // namespace

void InsertResultColumns(HWND listView) {
  HWND header = reinterpret_cast<HWND>(::SendMessageW(listView, LVM_GETHEADER, 0, 0));
  for (const ResultColumn& wanted : kColumns) {
    LVCOLUMNW column{};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
    column.fmt = wanted.format;
    column.cx = wanted.width;
    column.pszText = const_cast<wchar_t*>(wanted.header);
    auto at = static_cast<WPARAM>(::SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
    ::SendMessageW(listView, LVM_INSERTCOLUMNW, at, reinterpret_cast<LPARAM>(&column));
  }
}

WideText SearchBoxText(HWND box) {
  WCHAR buffer[kBoxTextMaxUnits];
  // A failed read need not leave the buffer terminated: only what the call
  // reports as copied counts.
  const int copied = box != nullptr ? ::GetWindowTextW(box, buffer, kBoxTextMaxUnits) : 0;
  return (copied > 0 && copied < kBoxTextMaxUnits) ? WideText(buffer, static_cast<std::size_t>(copied)) : WideText();
}

ResultList::ResultList(Application& app)
    : ResultList(app, app.listView ? app.listView->hwnd() : ::GetDlgItem(app.mainWindow(), IDC_RESULT_LIST),
                 app.statusBar ? app.statusBar->hwnd() : ::GetDlgItem(app.mainWindow(), IDC_STATUS_BAR)) {}

ResultList::ResultList(Application& app, HWND listView, HWND statusBar)
    : app_(app), listView_(listView), statusBar_(statusBar) {}

int ResultList::rowCount() const { return static_cast<int>(::SendMessageW(listView_, LVM_GETITEMCOUNT, 0, 0)); }

void ResultList::setStatus(int part, const WCHAR* text) const {
  ::SendMessageW(statusBar_, SB_SETTEXTW, static_cast<WPARAM>(part), reinterpret_cast<LPARAM>(text));
}

void ResultList::fill(WideView filter) {
  const WideText filterText(filter);
  if (app_.filling.exchange(1) != 0) return;
  const FillingFlag filling(app_.filling);
  const std::vector<HandleRecord>& results = app_.results;
  app_.listFilter = filterText;
  // The shown results by index, in the scan's order, then in the user's.
  std::vector<std::size_t> shown;
  shown.reserve(results.size());
  for (std::size_t i = 0; i < results.size(); ++i) {
    if (filterText.empty() || containsIgnoringCase(results[i].filePath, filterText)) shown.push_back(i);
  }
  SortRows(shown, results, app_.rowSort);
  {
    const RedrawOff redrawOff(listView_);
    ::SendMessageW(listView_, LVM_DELETEALLITEMS, 0, 0);
    ::SendMessageW(listView_, LVM_SETITEMCOUNT, static_cast<WPARAM>(shown.size()), 0);
    int rows = 0;
    for (const std::size_t index : shown) {
      LVITEMW item{};
      item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
      item.iItem = rows;  // appended: the list view does no sorting
      // Texts and icon are asked of the column table when the row is shown.
      item.pszText = LPSTR_TEXTCALLBACKW;
      item.iImage = I_IMAGECALLBACK;
      // The row actions find their result through this index.
      item.lParam = static_cast<LPARAM>(index);
      const int row = static_cast<int>(::SendMessageW(listView_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
      // A result whose row could not be inserted stays without one.
      if (row >= 0) ++rows;
    }
  }
  const std::shared_ptr<HandleScanner>& scanner = app_.worker.scanner;
  const SearchOutcome outcome{scanner != nullptr && !scanner->records().empty(), app_.targetPath, !results.empty(),
                              app_.targetIsFolder, scanner == nullptr || scanner->complete()};
  setStatus(kOutcomePart, SearchOutcomeText(outcome).c_str());
  setStatus(kCountPart, RowCountText(rowCount()).c_str());
}

void ResultList::fillFromSearchBox(HWND searchBox) {
  if (app_.busy.load() != 0) return;
  fill(SearchBoxText(searchBox));
}

void ResultList::showSortArrow() const {
  const HWND header = reinterpret_cast<HWND>(::SendMessageW(listView_, LVM_GETHEADER, 0, 0));
  for (int column = 0; column < kResultColumnCount; ++column) {
    HDITEMW item{};
    item.mask = HDI_FORMAT;
    if (::SendMessageW(header, HDM_GETITEMW, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&item)) == FALSE) {
      continue;
    }
    item.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
    if (column == app_.rowSort.column) item.fmt |= app_.rowSort.descending ? HDF_SORTDOWN : HDF_SORTUP;
    ::SendMessageW(header, HDM_SETITEMW, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&item));
  }
}

void ResultList::sortBy(int column) {
  app_.rowSort = SortAfterHeaderClick(app_.rowSort, column);
  showSortArrow();
  // While a search runs the results are about to be replaced; its end
  // fills them in this order.
  if (app_.busy.load() != 0) return;
  const WideText filter = app_.listFilter;
  fill(filter);
}

void ResultList::copySelectedRows() {
  WideText text;
  for (int row = static_cast<int>(::SendMessageW(listView_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
       row >= 0;
       row = static_cast<int>(::SendMessageW(listView_, LVM_GETNEXTITEM, static_cast<WPARAM>(row), LVNI_SELECTED))) {
    LVITEMW item{};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    // A row whose result is gone (a search has begun) has nothing to copy.
    if (::SendMessageW(listView_, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)) == FALSE || item.lParam < 0 ||
        static_cast<std::size_t>(item.lParam) >= app_.results.size()) {
      continue;
    }
    appendRowLine(app_.results[static_cast<std::size_t>(item.lParam)], text);
  }
  if (text.empty()) return;
  if (!CopyTextToClipboard(app_.mainWindow(), text)) {
    ::MessageBoxW(app_.mainWindow(), kCopyFailedMessage, kPromptCaption, MB_ICONERROR);
  }
}

int ResultList::iconFor(const SharedText& path) {
  const WideText key = iconKey(path.View(), knownFolder(path.View(), app_));
  const auto known = app_.resultIcons.find(key);
  if (known != app_.resultIcons.end()) return known->second;
  const int icon = shellIconIndex(key);
  // Past the bound every further extension is asked each time, which is
  // cheap: the shell looks only at the name.
  if (app_.resultIcons.size() < kMaxCachedIcons) app_.resultIcons.emplace(key, icon);
  return icon;
}

bool ResultList::answerNotification(const NMHDR* header, LRESULT& answer) {
  if (header == nullptr || header->hwndFrom != listView_) return false;
  if (header->code == LVN_DELETEALLITEMS) {
    // TRUE: no notification for each of the rows that go.
    answer = TRUE;
    return true;
  }
  if (header->code == LVN_COLUMNCLICK) {
    sortBy(reinterpret_cast<const NMLISTVIEW*>(header)->iSubItem);
    answer = 0;
    return true;
  }
  if (header->code == LVN_KEYDOWN) {
    // Ctrl+A selects every row, Ctrl+C copies the selected ones (the search
    // box keeps its own Ctrl+A and Ctrl+C).
    const auto* key = reinterpret_cast<const NMLVKEYDOWN*>(header);
    if ((key->wVKey != 'A' && key->wVKey != 'C') || ::GetKeyState(VK_CONTROL) >= 0) return false;
    if (key->wVKey == 'C') {
      copySelectedRows();
    } else {
      LVITEMW state{};
      state.stateMask = LVIS_SELECTED;
      state.state = LVIS_SELECTED;
      ::SendMessageW(listView_, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&state));
    }
    answer = 0;
    return true;
  }
  if (header->code != LVN_GETDISPINFOA && header->code != LVN_GETDISPINFOW) return false;
  answer = 0;
  // The narrow and wide records have one layout; only the text differs. The
  // item's parameter, its result's index, comes with the request.
  auto* info = const_cast<NMLVDISPINFOW*>(reinterpret_cast<const NMLVDISPINFOW*>(header));
  const bool wide = header->code == LVN_GETDISPINFOW;
  const LVITEMW& item = info->item;
  const bool named = item.lParam >= 0 && static_cast<size_t>(item.lParam) < app_.results.size();
  const int column = info->item.iSubItem;
  if ((info->item.mask & LVIF_TEXT) != 0) {
    const bool known = named && column >= 0 && column < static_cast<int>(std::size(kColumns));
    answerText(known ? kColumns[column].cell(app_.results[static_cast<size_t>(item.lParam)]) : WideText(), info, wide);
  }
  if ((info->item.mask & LVIF_IMAGE) != 0) {
    info->item.iImage = (named && column == 0) ? iconFor(app_.results[static_cast<size_t>(item.lParam)].filePath)
                                               : kNoIcon;
  }
  return true;
}
