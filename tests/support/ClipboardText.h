#pragma once
// The clipboard's CF_UNICODETEXT up to the first zero unit, and whether any
// was there (Windows only).

#include <windows.h>

#include <string>

inline bool ReadClipboardText(std::wstring& text) {
  if (!::OpenClipboard(nullptr)) return false;
  bool found = false;
  if (HANDLE data = ::GetClipboardData(CF_UNICODETEXT)) {
    if (const wchar_t* units = static_cast<const wchar_t*>(::GlobalLock(data))) {
      text.assign(units);
      found = true;
      ::GlobalUnlock(data);
    }
  }
  ::CloseClipboard();
  return found;
}
