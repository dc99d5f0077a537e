#pragma once
// The search's results as rows of the main dialog's list view, and the two
// status texts that report the outcome. One table of columns says, for each
// column, its header, width, format and the cell's text from a result: the
// columns are inserted from it and the rows filled from it. Every row
// carries the index of its result in its item parameter.
//
// Everything here runs on the window's thread. A fill inserts every row with
// drawing switched off and nothing but its item parameter: the list view
// asks for a row's texts and icon (the system's small icon of the real file)
// when it shows the row, and they come from the column table then. An icon
// is asked of the shell once per path for the rest of the run.

#include <windows.h>
#include <commctrl.h>

#include <unordered_map>

#include "text/WideText.h"

class Application;

// The system's small icon index of each path asked so far.
using ResultIcons = std::unordered_map<WideText, int>;

// Inserts the columns into an empty report list view.
void InsertResultColumns(HWND listView);

// The search box's text, at most 4095 units; empty when there is no box.
WideText SearchBoxText(HWND box);

class ResultList {
 public:
  // The main dialog's list view (1001) and status bar (1002).
  explicit ResultList(Application& app);
  ResultList(Application& app, HWND listView, HWND statusBar);

  // Rebuilds every row from the application's results, keeping those whose
  // path contains `filter` in any letter case (all when it is empty), then
  // rewrites status parts 0 and 1. A fill asked for while one runs (from a
  // message the fill itself causes) is dropped.
  void fill(WideView filter);

  // Refills with the search box's text as filter. While a search is busy
  // the rows are left alone: its end shows every result, and the next
  // keystroke applies the box's text again.
  void fillFromSearchBox(HWND searchBox);

  // Answers the list view's LVN_GETDISPINFOW (or a narrow one, in the
  // thread's code page, should a list view ask narrowly) with a row's
  // texts and icon, LVN_DELETEALLITEMS with "no notice per row", and Ctrl+A
  // (LVN_KEYDOWN) by selecting every row. False, with `answer` untouched,
  // for any other notification.
  bool answerNotification(const NMHDR* header, LRESULT& answer);

 private:
  int rowCount() const;
  void setStatus(int part, const WCHAR* text) const;

  Application& app_;
  HWND listView_;
  HWND statusBar_;
};
