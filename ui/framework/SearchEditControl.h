#pragma once
// The object behind the search box. Characters and key releases go through
// the edit's own procedure first, so the callbacks see the text as it now is.

#include <windows.h>

#include <functional>

#include "ui/framework/SubclassedControl.h"

class SearchEditControl : public SubclassedControl {
 public:
  BOOL processMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

  // The grey text the empty box shows, also while it has the focus
  // (EM_SETCUEBANNER: common controls 6). False when the box refused it.
  bool showHint(const wchar_t* hint) const;

  std::function<void(WPARAM)> onChar;
  std::function<void(WPARAM, LPARAM)> onKeyUp;
};
