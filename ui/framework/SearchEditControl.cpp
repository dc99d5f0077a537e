#include "ui/framework/SearchEditControl.h"

#include <commctrl.h>

BOOL SearchEditControl::processMessage(HWND, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (message != WM_CHAR && message != WM_KEYUP) return FALSE;
  result = callSuperProcedure();
  if (message == WM_CHAR) {
    if (onChar) onChar(wParam);
  } else if (onKeyUp) {
    onKeyUp(wParam, lParam);
  }
  return TRUE;
}

bool SearchEditControl::showHint(const wchar_t* hint) const {
  constexpr WPARAM kAlsoWhenFocused = TRUE;
  return ::SendMessageW(hwnd(), EM_SETCUEBANNER, kAlsoWhenFocused, reinterpret_cast<LPARAM>(hint)) != FALSE;
}
