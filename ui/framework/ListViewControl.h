#pragma once
// The object behind a list view. Its own notifications come back to it from
// the dialog by reflection (WM_NOTIFY + 0x2000); the four clicks reach their
// callbacks.

#include <windows.h>
#include <commctrl.h>

#include <functional>

#include "ui/framework/ListView.h"
#include "ui/framework/SubclassedControl.h"

class ListViewControl : public SubclassedControl {
 public:
  using ClickCallback = std::function<void(ListViewControl&, NMHDR*)>;

  BOOL processMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

  // The named operations on the attached list.
  ListView view() const { return ListView(hwnd()); }

  ClickCallback onClick;
  ClickCallback onDoubleClick;
  ClickCallback onRightClick;
  ClickCallback onRightDoubleClick;
};
