#pragma once
// The search's results as rows of the main dialog's list view, and the two
// status texts that report the outcome.

#include <windows.h>

#include "text/AnsiString.h"

class Application;

class ResultList {
 public:
  // The main dialog's list view (1001) and status bar (1002).
  explicit ResultList(Application& app);
  ResultList(Application& app, HWND listView, HWND statusBar);

  // Rebuilds every row from the application's results, keeping those whose
  // path contains `filter` in any letter case (all when it is empty), then
  // rewrites status parts 0 and 1. A fill that finds another one running
  // does nothing. Callers on the UI thread must not call it while a search
  // is busy: the search thread appends to the results meanwhile.
  void fill(const AnsiString& filter);

  // Refills with the search box's text as filter, on the UI thread. While a
  // search is busy the rows are left alone: its thread appends to the
  // results meanwhile and fills the list itself at its end, showing every
  // result; the next keystroke applies the box's text again.
  void fillFromSearchBox(HWND searchBox);

 private:
  int rowCount() const;
  void setStatus(int part, const char* text) const;

  Application& app_;
  HWND listView_;
  HWND statusBar_;
};
