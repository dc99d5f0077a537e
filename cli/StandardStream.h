#pragma once
// Standard output or standard error of the console program, written as the
// reader gets it best: a console gets the UTF-16 text itself through
// WriteConsoleW, so every name shows whatever the console's code page; a
// file or a pipe gets UTF-8 without a byte-order mark (text/Utf8.h). The
// stream is looked at once, when the object is made.

#include <windows.h>

#include "text/WideText.h"

class StandardStream {
 public:
  // STD_OUTPUT_HANDLE or STD_ERROR_HANDLE.
  explicit StandardStream(DWORD which);

  // All of `text`, or false: no such stream, or a write failed (a closed
  // pipe, a full disk).
  bool write(const WideText& text) const;

 private:
  HANDLE handle_;  // owned by the process, never closed here
  bool console_;
};
