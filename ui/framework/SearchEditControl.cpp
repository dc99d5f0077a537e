#include "ui/framework/SearchEditControl.h"

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
