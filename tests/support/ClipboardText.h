#pragma once
// The clipboard's CF_TEXT as the bytes up to the first zero, and whether any
// was there (Windows only).

#include <windows.h>

#include <string>

inline bool ReadClipboardText(std::string& text) {
  if (!::OpenClipboard(nullptr)) return false;
  bool found = false;
  if (HANDLE data = ::GetClipboardData(CF_TEXT)) {
    if (const char* bytes = static_cast<const char*>(::GlobalLock(data))) {
      text.assign(bytes);
      found = true;
      ::GlobalUnlock(data);
    }
  }
  ::CloseClipboard();
  return found;
}
