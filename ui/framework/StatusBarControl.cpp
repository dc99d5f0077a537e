#include "ui/framework/StatusBarControl.h"

#include <commctrl.h>

#include <algorithm>

#include "os/ScopeExit.h"
#include "ui/framework/StatusBar.h"

namespace {
constexpr int kFirstPart = 0;
// SB_SETTEXT's part: the low byte of wParam (the next byte holds the drawing
// type).
constexpr WPARAM kPartMask = 0xFF;
}  // namespace

BOOL StatusBarControl::processMessage(HWND, UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
  const bool firstPartText =
      (message == SB_SETTEXTW || message == SB_SETTEXTA) && (wParam & kPartMask) == static_cast<WPARAM>(kFirstPart);
  if (!sized_ || (!firstPartText && message != WM_SIZE)) return FALSE;
  result = callSuperProcedure();
  fitParts();
  return TRUE;
}

void StatusBarControl::setPartWidths(int firstMinimum, int second) {
  firstMinimum_ = firstMinimum;
  second_ = second;
  sized_ = true;
  fitParts();
}

void StatusBarControl::fitParts() {
  if (fitting_ || hwnd() == nullptr) return;
  fitting_ = true;
  const ScopeExit fitted([this] { fitting_ = false; });
  const StatusBar bar(hwnd());
  RECT client{};
  ::GetClientRect(hwnd(), &client);
  const int width = client.right - client.left;
  const int needed = bar.widthFor(bar.text(kFirstPart).c_str());
  // The answer first: part 1 keeps its width only while there is room for it.
  const int first = std::max(0, std::min(std::max(firstMinimum_, needed), width - second_));
  bar.setParts({first, first + second_, -1});
}
