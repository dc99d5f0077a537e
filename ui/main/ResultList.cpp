#include "ui/main/ResultList.h"

#include <shellapi.h>
#include <shlwapi.h>

#include "ui/framework/Clipboard.h"
#include "ui/framework/ListView.h"
#include "ui/framework/StatusBar.h"
#include "os/ScopeExit.h"
#include "search/FileNamePart.h"
#include "search/PathComparison.h"
#include "search/ResultListTexts.h"
#include "search/RowOrder.h"
#include "search/SearchSession.h"
#include "text/CodePageConversion.h"
#include "text/WindowTexts.h"

namespace {
constexpr int kNoIcon = -1;
constexpr int kOutcomePart = 0;
constexpr int kCountPart = 1;
constexpr int kFilterPart = 2;
// Units read at most, terminator included.
constexpr int kBoxTextMaxUnits = 4096;

struct ResultColumn {
  const wchar_t* header;
  int width;
  int format;
  WideText (*cell)(const HandleRecord& result);
};

const ResultColumn kColumns[] = {
    {kFileNameHeader, 200, LVCFMT_LEFT, [](const HandleRecord& r) { return WideText(FileNamePart(r.filePath)); }},
    {kPathHeader, 350, LVCFMT_LEFT, [](const HandleRecord& r) { return r.filePath.ToWide(); }},
    {kHandleHeader, 100, LVCFMT_LEFT,
     [](const HandleRecord& r) { return HandleColumnText(r); }},
    {kProcessIdHeader, 100, LVCFMT_LEFT, [](const HandleRecord& r) { return ProcessIdColumnText(r); }},
    {kProcessNameHeader, 200, LVCFMT_RIGHT, [](const HandleRecord& r) { return ProcessNameColumnText(r); }},
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
bool knownFolder(WideView path, const SearchSession& session) {
  if (!path.empty() && path.back() == L'\\') return true;
  if (!session.target().folder) return false;
  const WideView folder = session.target().matchPath;
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
}  // namespace

void InsertResultColumns(HWND listView) {
  const ListView list(listView);
  for (const ResultColumn& wanted : kColumns) list.insertColumn(wanted.header, wanted.width, wanted.format);
}

WideText SearchBoxText(HWND box) {
  WCHAR buffer[kBoxTextMaxUnits];
  // A failed read need not leave the buffer terminated: only what the call
  // reports as copied counts.
  const int copied = box != nullptr ? ::GetWindowTextW(box, buffer, kBoxTextMaxUnits) : 0;
  return (copied > 0 && copied < kBoxTextMaxUnits) ? WideText(buffer, static_cast<std::size_t>(copied)) : WideText();
}

ResultList::ResultList(SearchSession& session, HWND listView, HWND statusBar)
    : session_(session), list_(listView), status_(statusBar) {}


void ResultList::fill(WideView filter) {
  const WideText filterText(filter);
  if (filling_) return;
  filling_ = true;
  const ScopeExit fillEnds([this] { filling_ = false; });
  const std::vector<HandleRecord>& results = session_.results();
  session_.setFilter(filterText);
  // The shown results by index, in the scan's order, then in the user's.
  std::vector<std::size_t> shown;
  shown.reserve(results.size());
  for (std::size_t i = 0; i < results.size(); ++i) {
    if (filterText.empty() || containsIgnoringCase(results[i].filePath, filterText)) shown.push_back(i);
  }
  SortRows(shown, results, session_.sort());
  // The row actions find their result through the row's item parameter.
  const std::vector<LPARAM> rows(shown.begin(), shown.end());
  {
    // Drawing is off meanwhile: a fill of many rows repaints once, at its end.
    list_.setRedraw(false);
    const ScopeExit redrawOn([this] { list_.setRedraw(true); });
    list_.replaceWithCallbackRows(rows);
  }
  status_.setText(kOutcomePart, SearchOutcomeText(session_.outcome()).c_str());
  status_.setText(kCountPart, RowCountText(list_.rowCount()).c_str());
  status_.setText(kFilterPart, FilterStatusText(filterText).c_str());
}

void ResultList::fillFromSearchBox(HWND searchBox) {
  if (session_.busy()) return;
  fill(SearchBoxText(searchBox));
}

void ResultList::showSortArrow() const { list_.showSortArrow(session_.sort().column, session_.sort().descending); }

void ResultList::sortBy(int column) {
  session_.setSort(SortAfterHeaderClick(session_.sort(), column));
  showSortArrow();
  // While a search runs the results are about to be replaced; its end
  // fills them in this order.
  if (session_.busy()) return;
  const WideText filter = session_.filter();
  fill(filter);
}

void ResultList::copySelectedRows() {
  WideText text;
  for (const int row : list_.selectedRows()) {
    // A row whose result is gone (a search has begun) has nothing to copy.
    if (const HandleRecord* result = resultOfRow(row)) appendRowLine(*result, text);
  }
  if (text.empty()) return;
  const HWND owner = ::GetParent(list_.hwnd());
  if (!CopyTextToClipboard(owner, text)) {
    ::MessageBoxW(owner, kCopyFailedMessage, kPromptCaption, MB_ICONERROR);
  }
}

const HandleRecord* ResultList::resultOfRow(int row) const {
  // Rows and results differ in order when a filter hides rows or a sort
  // reorders them: the row names its result by its item parameter.
  const std::optional<LPARAM> data = list_.itemData(row);
  return data ? session_.result(static_cast<std::ptrdiff_t>(*data)) : nullptr;
}

int ResultList::iconFor(const SharedText& path) {
  const WideText key = iconKey(path.View(), knownFolder(path.View(), session_));
  const auto known = icons_.find(key);
  if (known != icons_.end()) return known->second;
  const int icon = shellIconIndex(key);
  // Past the bound every further extension is asked each time, which is
  // cheap: the shell looks only at the name.
  if (icons_.size() < kMaxCachedIcons) icons_.emplace(key, icon);
  return icon;
}

bool ResultList::answerNotification(const NMHDR* header, LRESULT& answer) {
  if (header == nullptr || header->hwndFrom != list_.hwnd()) return false;
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
      list_.selectAll();
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
  const HandleRecord* result = session_.result(static_cast<std::ptrdiff_t>(item.lParam));
  const int column = info->item.iSubItem;
  if ((info->item.mask & LVIF_TEXT) != 0) {
    const bool known = result != nullptr && column >= 0 && column < static_cast<int>(std::size(kColumns));
    answerText(known ? kColumns[column].cell(*result) : WideText(), info, wide);
  }
  if ((info->item.mask & LVIF_IMAGE) != 0) {
    info->item.iImage = (result != nullptr && column == 0) ? iconFor(result->filePath) : kNoIcon;
  }
  return true;
}
