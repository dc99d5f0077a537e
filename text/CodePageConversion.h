#pragma once
// Conversions between narrow text in the thread's ANSI code page and UTF-16.
// Each converter holds its result in a 128-unit inline buffer, or on the heap
// beyond that; a null input gives a null result; a failed conversion raises
// HResultException with the HRESULT of the thread's last error.

#include <memory>

#include "os/Win32.h"
#include "text/AnsiString.h"

class WideFromAnsi {
 public:
  explicit WideFromAnsi(const char* text);
  WideFromAnsi(const WideFromAnsi&) = delete;
  WideFromAnsi& operator=(const WideFromAnsi&) = delete;

  const WCHAR* get() const { return text_; }
  operator const WCHAR*() const { return text_; }  // NOLINT(google-explicit-constructor)

 private:
  static constexpr int kInlineUnits = 128;
  WCHAR inline_[kInlineUnits];
  std::unique_ptr<WCHAR[]> heap_;
  WCHAR* text_ = nullptr;
};

class AnsiFromWide {
 public:
  explicit AnsiFromWide(const WCHAR* text);
  AnsiFromWide(const AnsiFromWide&) = delete;
  AnsiFromWide& operator=(const AnsiFromWide&) = delete;

  const char* get() const { return text_; }
  operator const char*() const { return text_; }  // NOLINT(google-explicit-constructor)

 private:
  static constexpr int kInlineUnits = 128;
  char inline_[kInlineUnits];
  std::unique_ptr<char[]> heap_;
  char* text_ = nullptr;
};

// The underlying calls, with the meaning of MultiByteToWideChar and
// WideCharToMultiByte for code page CP_THREAD_ACP and flags 0: a length of
// -1 converts up to and including the terminator; an output size of 0 asks
// for the needed size; 0 is failure, with the reason in LastConversionError.
int AnsiToWideUnits(const char* text, int length, WCHAR* output, int outputUnits);
int WideToAnsiBytes(const WCHAR* text, int length, char* output, int outputBytes);
DWORD LastConversionError();
