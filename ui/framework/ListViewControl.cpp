#include "ui/framework/ListViewControl.h"

#include "ui/framework/MessageReflection.h"

BOOL ListViewControl::processMessage(HWND, UINT message, WPARAM, LPARAM lParam, LRESULT& result) {
  if (message != kReflectionOffset + WM_NOTIFY || lParam == 0) return FALSE;
  auto* header = reinterpret_cast<NMHDR*>(lParam);
  ClickCallback* slot = nullptr;
  switch (header->code) {
    case static_cast<UINT>(NM_CLICK):
      slot = &onClick;
      break;
    case static_cast<UINT>(NM_DBLCLK):
      slot = &onDoubleClick;
      break;
    case static_cast<UINT>(NM_RCLICK):
      slot = &onRightClick;
      break;
    case static_cast<UINT>(NM_RDBLCLK):
      slot = &onRightDoubleClick;
      break;
    default:
      return FALSE;
  }
  // A click is consumed even when nobody listens for it.
  if (*slot) (*slot)(*this, header);
  result = 1;
  return TRUE;
}
