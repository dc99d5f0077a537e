#pragma once
// The object behind the search box. Characters and key releases go through
// the edit's own procedure first, so the callbacks see the text as it now is.

#include <windows.h>

#include <functional>

#include "ui/framework/SubclassedControl.h"

class SearchEditControl : public SubclassedControl {
 public:
  BOOL processMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

  std::function<void(WPARAM)> onChar;
  std::function<void(WPARAM, LPARAM)> onKeyUp;
};
