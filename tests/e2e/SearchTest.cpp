// A search as the user sees it: Ostrel.exe started on a file that helper
// processes hold (or on none), the rows and the status texts it shows, and
// the search box's filter.

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "../support/ClipboardText.h"
#include "FileHolderProcess.h"
#include "OstrelSession.h"
#include "ScratchFiles.h"
#include "Screenshot.h"
#include "Wait.h"
#include "res/resource.h"

namespace {

using e2e::narrow;
using e2e::OstrelSession;
using e2e::tempDirectory;
using e2e::waitUntil;

std::wstring Quoted(const std::wstring& path) { return L"\"" + path + L"\""; }

bool SamePath(const std::wstring& a, const std::wstring& b) { return ::lstrcmpiW(a.c_str(), b.c_str()) == 0; }

std::wstring Lower(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(::towlower(c));
  return text;
}

bool ContainsIgnoringCase(std::wstring text, std::wstring part) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(::towlower(c));
  for (wchar_t& c : part) c = static_cast<wchar_t>(::towlower(c));
  return text.find(part) != std::wstring::npos;
}

std::wstring Count(int rows) { return std::to_wstring(rows) + L"个文件"; }

// Rows whose path is `path`, in any letter case.
std::vector<e2e::Row> RowsFor(const std::vector<e2e::Row>& rows, const std::wstring& path) {
  std::vector<e2e::Row> kept;
  for (const e2e::Row& row : rows) {
    if (SamePath(row.columns[1], path)) kept.push_back(row);
  }
  return kept;
}

TEST(Search, TargetHeldByTwoProcessesGivesTwoRowsAndTheHeldOutcome) {
  const std::wstring target = tempDirectory() + L"OstrelHeldTwice.txt";
  FileHolderProcess first({target});
  FileHolderProcess second({target});
  ASSERT_TRUE(first.holding() && second.holding());

  OstrelSession session(Quoted(target));
  const auto& window = session.window();
  EXPECT_EQ(L"OstrelHeldTwice.txt 被占用了", window.waitForStatusToSettle());
  EXPECT_EQ(Count(2), window.statusText(1));

  const std::vector<e2e::Row> rows = window.rows();
  ASSERT_EQ(2u, rows.size());
  std::set<std::wstring> pids;
  for (size_t i = 0; i < rows.size(); ++i) {
    const e2e::Row& row = rows[i];
    EXPECT_EQ(L"OstrelHeldTwice.txt", row.columns[0]);
    EXPECT_TRUE(SamePath(target, row.columns[1])) << row.columns[1];
    EXPECT_EQ(0u, row.columns[2].rfind(L"0x", 0)) << row.columns[2];
    EXPECT_EQ(std::wstring::npos, row.columns[2].find_first_not_of(L"0123456789abcdefx")) << row.columns[2];
    pids.insert(row.columns[3]);
    EXPECT_EQ(L"file_holder.exe", row.columns[4]);
    EXPECT_EQ(static_cast<LPARAM>(i), row.itemParameter);
  }
  EXPECT_EQ((std::set<std::wstring>{std::to_wstring(first.pid()), std::to_wstring(second.pid())}), pids);

  // A filter that hides every row changes the count but not the outcome.
  window.openSearchBox();
  window.typeIntoSearchBox(L"zzq");
  EXPECT_TRUE(waitUntil([&] { return window.rowCount() == 0 && window.statusText(1) == Count(0); }));
  EXPECT_EQ(L"OstrelHeldTwice.txt 被占用了", window.statusText(0));
}

TEST(Search, TargetHeldByNobodyGivesNoRows) {
  const std::wstring target = e2e::scratchFile(L"OstrelHeldByNobody.txt");
  OstrelSession session(Quoted(target));
  const auto& window = session.window();
  EXPECT_EQ(L"OstrelHeldByNobody.txt 没有被占用", window.waitForStatusToSettle());
  EXPECT_EQ(Count(0), window.statusText(1));
  EXPECT_EQ(0, window.rowCount());
  ::DeleteFileW(target.c_str());
}

TEST(Search, NoTargetListsEveryOpenFileAmongThemTheHelpersFiles) {
  const std::wstring held = tempDirectory() + L"OstrelEveryFile.txt";
  FileHolderProcess holder({held, held});
  ASSERT_TRUE(holder.holding());
  OstrelSession session;
  const auto& window = session.window();
  EXPECT_EQ(L"查找完成", window.waitForStatusToSettle());
  const std::vector<e2e::Row> rows = window.rows();
  EXPECT_EQ(Count(static_cast<int>(rows.size())), window.statusText(1));
  const std::vector<e2e::Row> helpers = RowsFor(rows, held);
  ASSERT_EQ(2u, helpers.size()) << "two handles of one process are two rows";
  EXPECT_EQ(std::to_wstring(holder.pid()), helpers[0].columns[3]);
  EXPECT_NE(helpers[0].columns[2], helpers[1].columns[2]);
  for (const e2e::Row& row : rows) EXPECT_FALSE(row.columns[1].empty());
}

TEST(Search, TargetGivenInOtherCaseRelativeOrQuotedWithSpacesAndChineseIsFound) {
  const std::wstring directory = tempDirectory() + L"Ostrel 目录 测试";
  ::CreateDirectoryW(directory.c_str(), nullptr);
  const std::wstring target = directory + L"\\占用 文件.txt";
  FileHolderProcess holder({target});
  ASSERT_TRUE(holder.holding());

  {
    OstrelSession session(Quoted(target));
    EXPECT_EQ(L"占用 文件.txt 被占用了", session.window().waitForStatusToSettle());
    EXPECT_EQ(Count(1), session.window().statusText(1));
  }
  {
    std::wstring upper = target;
    for (wchar_t& c : upper) c = static_cast<wchar_t>(::towupper(c));
    OstrelSession session(Quoted(upper));
    EXPECT_EQ(L"占用 文件.TXT 被占用了", session.window().waitForStatusToSettle());
    EXPECT_EQ(Count(1), session.window().statusText(1));
  }
  {
    wchar_t saved[MAX_PATH] = {};
    ::GetCurrentDirectoryW(MAX_PATH, saved);
    ASSERT_TRUE(::SetCurrentDirectoryW(directory.c_str()));
    OstrelSession session(Quoted(L"占用 文件.txt"));
    ::SetCurrentDirectoryW(saved);
    EXPECT_EQ(L"占用 文件.txt 被占用了", session.window().waitForStatusToSettle());
    EXPECT_EQ(Count(1), session.window().statusText(1));
  }
}

TEST(Search, SearchBoxKeepsRowsContainingTheTextAndOnlyEditingKeysRefilter) {
  const std::wstring directory = tempDirectory();
  const std::wstring alpha = directory + L"OstrelFilterAlpha.txt";
  const std::wstring beta = directory + L"OstrelFilterBeta.txt";
  FileHolderProcess holder({alpha, beta});
  ASSERT_TRUE(holder.holding());
  OstrelSession session;
  const auto& window = session.window();
  ASSERT_EQ(L"查找完成", window.waitForStatusToSettle());

  window.openSearchBox();
  window.typeIntoSearchBox(L"ostrelFILTERb");
  std::vector<e2e::Row> rows;
  const auto rowsFor = [&](const std::wstring& path) { return RowsFor(rows, path).size(); };
  // The list and its count once the last letter has refiltered.
  const auto shown = [&](size_t alphaRows, size_t betaRows) {
    return waitUntil([&] {
      rows = window.rows();
      return rowsFor(alpha) == alphaRows && rowsFor(beta) == betaRows &&
             window.statusText(1) == Count(static_cast<int>(rows.size()));
    });
  };
  EXPECT_TRUE(shown(0, 1));
  EXPECT_EQ(L"查找完成", window.statusText(0));
  for (const e2e::Row& row : rows) EXPECT_TRUE(ContainsIgnoringCase(row.columns[1], L"ostrelfilterb")) << row.columns[1];

  // Backspace refilters: both files again.
  window.pressKey(VK_BACK);
  EXPECT_TRUE(shown(1, 1));

  // A text set without a key leaves the rows; caret moves do not refilter,
  // Delete does. Each caret move shows once the key before it was handled:
  // when End has moved the caret, Left and Right went by without a refilter.
  const int before = window.rowCount();
  const char kSet[] = "OstrelFilterAlpha";
  e2e::OstrelWindow::send(window.searchBox(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(kSet));
  EXPECT_EQ(before, window.rowCount());
  e2e::OstrelWindow::send(window.searchBox(), EM_SETSEL, 6, 6);
  window.pressKey(VK_LEFT);
  window.pressKey(VK_RIGHT);
  window.pressKey(VK_END);
  ASSERT_TRUE(waitUntil([&] { return window.searchCaret() == static_cast<int>(std::strlen(kSet)); }));
  EXPECT_EQ(before, window.rowCount());
  window.pressKey(VK_DELETE);
  EXPECT_TRUE(shown(1, 0));
}

// One rule the user can see: while the search box holds text, every fill
// applies it, F5's too, also with the box hidden, and status part 2 says so;
// an empty box shows every row.
TEST(Search, TheSearchBoxTextFiltersEveryFillAndStatusPartTwoSaysSo) {
  const std::wstring folder = e2e::scratchFolder(L"OstrelFilterRule");
  const std::wstring sheet = e2e::scratchFile(L"OstrelFilterRule\\季度.xlsx");
  const std::wstring note = e2e::scratchFile(L"OstrelFilterRule\\note.txt");
  const std::wstring later = e2e::scratchFile(L"OstrelFilterRule\\later.XLSX");
  FileHolderProcess holder({sheet, note});
  ASSERT_TRUE(holder.holding());
  OstrelSession session(Quoted(folder));
  const auto& window = session.window();
  ASSERT_EQ(L"OstrelFilterRule 被占用了", window.waitForStatusToSettle());
  ASSERT_EQ(2, window.rowCount());
  EXPECT_EQ(L"", window.statusText(2));

  // The rows shown are exactly `paths`, and the status parts 1 and 2 agree.
  const auto showing = [&](std::set<std::wstring> paths, const std::wstring& filterPart) {
    return waitUntil([&] {
      std::set<std::wstring> shown;
      for (const e2e::Row& row : window.rows()) shown.insert(Lower(row.columns[1]));
      std::set<std::wstring> wanted;
      for (const std::wstring& path : paths) wanted.insert(Lower(path));
      return shown == wanted && window.statusText(1) == Count(static_cast<int>(paths.size())) &&
             window.statusText(2) == filterPart;
    });
  };
  window.openSearchBox();
  window.typeIntoSearchBox(L"xlsx");
  EXPECT_TRUE(showing({sheet}, L"筛选: xlsx"));

  // Esc hides the box; the filter stays on, and says so.
  window.pressKey(VK_ESCAPE);
  ASSERT_TRUE(waitUntil([&] { return !window.control(IDC_SEARCH_EDIT).visible; }));
  EXPECT_TRUE(showing({sheet}, L"筛选: xlsx"));

  // F5 with a third file held: the new search's rows come in filtered.
  FileHolderProcess another({later});
  ASSERT_TRUE(another.holding());
  window.pressKey(VK_F5);
  EXPECT_TRUE(showing({sheet, later}, L"筛选: xlsx"));
  EXPECT_EQ(L"OstrelFilterRule 被占用了", window.waitForStatusToSettle());
  EXPECT_EQ(L"xlsx", window.searchText());

  // The box emptied: every row, and part 2 empty.
  window.openSearchBox();
  ::RedrawWindow(window.hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  e2e::SaveScreenshot("search-filter", window.hwnd());
  for (int key = 0; key < 4; ++key) window.pressKey(VK_BACK);
  EXPECT_TRUE(showing({sheet, note, later}, L""));
}

// The rows' process IDs as numbers, in the order shown.
std::vector<DWORD> ShownProcessIds(const e2e::OstrelWindow& window) {
  std::vector<DWORD> ids;
  for (const e2e::Row& row : window.rows()) ids.push_back(static_cast<DWORD>(std::stoul(row.columns[3])));
  return ids;
}

bool SortedBy(const std::vector<DWORD>& ids, bool descending) {
  return descending ? std::is_sorted(ids.rbegin(), ids.rend()) : std::is_sorted(ids.begin(), ids.end());
}

// A click on 进程ID's header sorts the rows by it as numbers, a second one
// the other way; the order and the arrow stay through F5, whose new rows
// come in sorted. Ctrl+A, Ctrl+C then put every row on the clipboard as
// shown: five columns between tabs, CR LF after each.
TEST(Search, HeaderClicksSortByProcessIdBothWaysThroughARefreshAndCtrlCCopiesTheRowsAsShown) {
  constexpr int kProcessIdColumn = 3;
  const std::wstring target = e2e::scratchFile(L"OstrelSorted 报告.txt");
  std::vector<std::unique_ptr<FileHolderProcess>> holders;
  for (int i = 0; i < 3; ++i) {
    holders.push_back(std::make_unique<FileHolderProcess>(std::vector<std::wstring>{target}));
    ASSERT_TRUE(holders.back()->holding());
  }
  OstrelSession session(Quoted(target));
  const auto& window = session.window();
  window.waitForStatusToSettle();
  ASSERT_EQ(3, window.rowCount());
  EXPECT_EQ(0, window.sortArrow(kProcessIdColumn)) << "no sort before a click";

  const auto shownSorted = [&](bool descending, int rows) {
    return waitUntil([&] {
      return window.rowCount() == rows && SortedBy(ShownProcessIds(window), descending) &&
             window.sortArrow(kProcessIdColumn) == (descending ? HDF_SORTDOWN : HDF_SORTUP);
    });
  };
  window.clickColumnHeader(kProcessIdColumn);
  EXPECT_TRUE(shownSorted(false, 3));
  // Away from the first click: not a double click.
  window.clickColumnHeader(kProcessIdColumn, 24);
  EXPECT_TRUE(shownSorted(true, 3));
  for (int column = 0; column < 5; ++column) {
    if (column != kProcessIdColumn) {
      EXPECT_EQ(0, window.sortArrow(column)) << "column " << column;
    }
  }

  holders.push_back(std::make_unique<FileHolderProcess>(std::vector<std::wstring>{target}));
  ASSERT_TRUE(holders.back()->holding());
  window.pressKey(VK_F5);
  EXPECT_TRUE(shownSorted(true, 4));
  window.waitForStatusToSettle();

  window.pressKey('A', {VK_CONTROL});
  ASSERT_TRUE(waitUntil([&] { return window.selectedCount() == 4; }));
  std::wstring expected;
  for (const e2e::Row& row : window.rows()) {
    for (int column = 0; column < 5; ++column) expected += (column > 0 ? L"\t" : L"") + row.columns[column];
    expected += L"\r\n";
  }
  ASSERT_TRUE(::OpenClipboard(nullptr));
  ::EmptyClipboard();
  ::CloseClipboard();
  window.pressKey('C', {VK_CONTROL});
  std::wstring copied;
  EXPECT_TRUE(waitUntil([&] { return ReadClipboardText(copied) && copied == expected; }))
      << narrow(copied) << "\nwanted\n" << narrow(expected);
}

}  // namespace
