#include "ui/framework/StatusBar.h"

#include <commctrl.h>

#include <vector>

bool StatusBar::setParts(std::initializer_list<int> rightEdges) const {
  std::vector<int> edges(rightEdges);
  if (::SendMessageW(control_, SB_SETPARTS, static_cast<WPARAM>(edges.size()), reinterpret_cast<LPARAM>(edges.data())) ==
      0) {
    return false;
  }
  ::SendMessageW(control_, WM_SIZE, 0, 0);
  return true;
}

void StatusBar::setText(int part, const wchar_t* text) const {
  ::SendMessageW(control_, SB_SETTEXTW, static_cast<WPARAM>(part), reinterpret_cast<LPARAM>(text));
}
