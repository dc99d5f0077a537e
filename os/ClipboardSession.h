#pragma once
// The clipboard opened for one window, closed again at the end of the scope.

#include <windows.h>

class ClipboardSession {
 public:
  explicit ClipboardSession(HWND owner) : open_(::OpenClipboard(owner) != FALSE) {}
  ~ClipboardSession() {
    if (open_) ::CloseClipboard();
  }
  ClipboardSession(const ClipboardSession&) = delete;
  ClipboardSession& operator=(const ClipboardSession&) = delete;

  // False when another window holds the clipboard open.
  bool isOpen() const { return open_; }

 private:
  bool open_;
};
