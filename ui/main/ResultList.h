#pragma once
// The search's results as rows of the main dialog's list view, and the
// three status texts that report the outcome, the rows shown and the filter. One table of columns says, for each
// column, its header, width, format and the cell's text from a result: the
// columns are inserted from it and the rows filled from it. Every row
// carries the index of its result in its item parameter.
//
// Everything here runs on the window's thread. A fill inserts every row with
// drawing switched off and nothing but its item parameter: the list view
// asks for a row's texts and icon when it shows the row, and they come from
// the column table then. Rows come in the scan's order, or in the order of
// the column the user sorted by (RowOrder.h), whose header then shows the
// system's sort arrow; the sort holds for every later fill.
//
// An icon is the shell's icon for the name's extension (the folder icon for
// a row known to be a folder), asked with the file attributes given, never
// of the file itself: a dead network share cannot block the window. Icons
// are kept per extension, at most kMaxCachedIcons of them.

#include <windows.h>
#include <commctrl.h>

#include <cstddef>
#include <unordered_map>

#include "scan/HandleRecord.h"
#include "text/WideText.h"
#include "ui/framework/ListView.h"
#include "ui/framework/StatusBar.h"

class SearchSession;

// The system's small icon index of each extension asked so far (in lower
// case; the folder icon under a key no extension can have).
using ResultIcons = std::unordered_map<WideText, int>;
constexpr std::size_t kMaxCachedIcons = 256;

// Inserts the columns into an empty report list view.
void InsertResultColumns(HWND listView);

// The search box's text, at most 4095 units; empty when there is no box.
WideText SearchBoxText(HWND box);

class ResultList {
 public:
  // The session's results in `listView`, the outcome in `statusBar`.
  ResultList(SearchSession& session, HWND listView, HWND statusBar);
  ResultList(const ResultList&) = delete;
  ResultList& operator=(const ResultList&) = delete;

  // Rebuilds every row from the session's results, keeping those whose
  // path contains `filter` in any letter case (all when it is empty), in the
  // session's row order, then rewrites status parts 0, 1 and 2 (the
  // outcome, the rows shown, "筛选: <filter>" or nothing). The filter is
  // kept for a later re-sort. A fill asked for while one runs (from a
  // message the fill itself causes) is dropped.
  void fill(WideView filter);

  // Refills with the search box's text as filter: the one way the window
  // fills the list, so whatever the box holds, shown or hidden, filters
  // every fill (a search's end too). While a search is busy the rows are
  // left alone: its end fills them.
  void fillFromSearchBox(HWND searchBox);

  // A click on column `column`'s header: sorts by it ascending, or the
  // other way when it is the sorted column already, shows the arrow, and
  // refills with the last fill's filter (while a search runs, its end
  // fills in the new order).
  void sortBy(int column);

  // How many extensions' icons are kept.
  std::size_t cachedIcons() const { return icons_.size(); }

  // The result of list row `row`; none for no row, or for a row whose item
  // parameter names no result.
  const HandleRecord* resultOfRow(int row) const;

  // Ctrl+C: the selected rows, in their shown order, on the clipboard as
  // UTF-16 text, one line a row ending in CR LF, the five columns between
  // tabs. Nothing is copied when no row is selected; a clipboard another
  // program holds is reported in a box.
  void copySelectedRows();

  // Answers the list view's LVN_GETDISPINFOW (or a narrow one, in the
  // thread's code page, should a list view ask narrowly) with a row's
  // texts and icon, LVN_DELETEALLITEMS with "no notice per row", a header
  // click (LVN_COLUMNCLICK) by sorting, and Ctrl+A and Ctrl+C (LVN_KEYDOWN)
  // by selecting every row and copying the selected ones. False, with
  // `answer` untouched, for any other notification.
  bool answerNotification(const NMHDR* header, LRESULT& answer);

 private:
  int iconFor(const SharedText& path);
  void showSortArrow() const;

  SearchSession& session_;
  ListView list_;
  StatusBar status_;
  // A fill is under way: one asked for meanwhile is dropped.
  bool filling_ = false;
  ResultIcons icons_;
};
