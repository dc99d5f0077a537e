#pragma once
// The object behind the status bar. Once given its part widths it keeps part
// 0 as wide as its text needs, so a long answer reads whole: whenever part 0
// gets a new text and whenever the bar changes size, the parts are set again.
// Part 0 is at least its minimum wide and at most what leaves part 1 its
// width within the bar; part 1 follows it; the last part takes what is left
// (nothing when part 0 needs the whole bar). Every message goes on to the
// status bar's own procedure first; before the widths are given, that is all
// the object does.

#include <windows.h>

#include "ui/framework/SubclassedControl.h"

class StatusBarControl : public SubclassedControl {
 public:
  BOOL processMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

  // Part 0 at least `firstMinimum` pixels, part 1 `second` pixels, and the
  // parts set at once.
  void setPartWidths(int firstMinimum, int second);

 private:
  void fitParts();

  int firstMinimum_ = 0;
  int second_ = 0;
  bool sized_ = false;
  // Setting the parts sizes the bar again: that WM_SIZE is not fitted again.
  bool fitting_ = false;
};
