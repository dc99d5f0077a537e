#pragma once
// The operations the tool does on a plain edit box, by name, on a control
// it does not own (a handle): its whole text, and which part of it is
// selected. Every message to such a box goes through here.

#include <windows.h>

#include "text/WideText.h"

class EditBox {
 public:
  explicit EditBox(HWND control = nullptr) : control_(control) {}

  HWND hwnd() const { return control_; }

  void setText(const WideText& text) const { ::SetWindowTextW(control_, text.c_str()); }
  // The whole text, however long.
  WideText text() const {
    const int length = ::GetWindowTextLengthW(control_);
    WideText typed(static_cast<size_t>(length) + 1, L'\0');
    typed.resize(static_cast<size_t>(::GetWindowTextW(control_, typed.data(), length + 1)));
    return typed;
  }
  // Selects units [first, end) and leaves the caret at `end`.
  void select(size_t first, size_t end) const {
    ::SendMessageW(control_, EM_SETSEL, static_cast<WPARAM>(first), static_cast<LPARAM>(end));
  }

 private:
  HWND control_;
};
