#pragma once
// The tool's UTF-16 text: every name and path as the system gives it, every
// text the window shows. `WideText` is the working string; `SharedText` is
// the immutable form a record keeps: one pointer, copies share the
// characters (all records of one owner share its name and path), so a
// record stays as small as when its texts were narrow. No code page is
// involved anywhere: a name NTFS allows reads and compares exactly.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "os/Win32.h"

// A UTF-16 literal of the platform's WCHAR type: L"" on Windows, u"" on the
// host. Sources are UTF-8, so such a literal is exact on every code page.
#ifdef _WIN32
#define WTEXT(s) L##s
#else
#define WTEXT(s) u##s
#endif

using WideText = std::basic_string<WCHAR>;
// A look at units held elsewhere (a WideText or a SharedText).
using WideView = std::basic_string_view<WCHAR>;

struct SharedTextData {
  std::atomic<int32_t> refs;
  int32_t length;  // units, terminator not counted

  WCHAR* chars() { return reinterpret_cast<WCHAR*>(this + 1); }
};

class SharedText {
 public:
  SharedText() noexcept;
  // The first `length` units of `text` (a null text is empty). Raises
  // std::bad_alloc when out of memory.
  SharedText(const WCHAR* text, std::size_t length);
  explicit SharedText(const WideText& text) : SharedText(text.data(), text.size()) {}
  SharedText(const SharedText& other) noexcept;
  SharedText(SharedText&& other) noexcept;
  ~SharedText();
  SharedText& operator=(const SharedText& other) noexcept;
  SharedText& operator=(SharedText&& other) noexcept;

  int GetLength() const { return data()->length; }
  bool IsEmpty() const { return GetLength() == 0; }
  const WCHAR* GetString() const { return chars_; }  // zero-terminated
  WideText ToWide() const { return WideText(chars_, static_cast<std::size_t>(GetLength())); }
  WideView View() const { return WideView(chars_, static_cast<std::size_t>(GetLength())); }
  operator WideView() const { return View(); }  // NOLINT(google-explicit-constructor): a look, no copy

  // Unit-for-unit equality (no case rule: see PathComparison for that).
  friend bool operator==(const SharedText& a, const SharedText& b) { return a.View() == b.View(); }
  friend bool operator==(const SharedText& a, const WideText& b) { return a.View() == b; }
  friend bool operator==(const SharedText& a, const WCHAR* b) { return a.View() == b; }
  friend bool operator!=(const SharedText& a, const SharedText& b) { return !(a == b); }
  friend bool operator!=(const SharedText& a, const WCHAR* b) { return !(a == b); }

 private:
  SharedTextData* data() const { return reinterpret_cast<SharedTextData*>(chars_) - 1; }
  void release() noexcept;

  WCHAR* chars_;
};

// Decimal and lowercase hexadecimal digits of a number ("1a4"), for texts
// built from numbers without a format string.
WideText DecimalText(int64_t value);
WideText HexText(uint32_t value);
// An ASCII text as UTF-16, unit for unit.
WideText WideFromAscii(const char* text);
