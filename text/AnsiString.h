#pragma once
// The narrow string the engine keeps object type names in ("File": ASCII
// names, compared only with ASCII). Every other text is UTF-16 (WideText.h).
//
// A string is one pointer to its characters. In front of them the buffer
// carries the length and the capacity in bytes (terminator not counted) and
// a reference count. Copies share the buffer; a write through a string whose
// buffer is shared copies it first. A buffer locked for direct writing has a
// negative count and is never shared. Every empty string points into one
// static buffer that is never freed. Failures raise HResultException.

#include <atomic>
#include <cstdarg>
#include <cstdint>

#include "text/HResultException.h"

struct AnsiStringData {
  int32_t length;
  int32_t capacity;
  std::atomic<int32_t> refs;  // > 0: owners sharing it; < 0: locked for direct writing

  char* chars() { return reinterpret_cast<char*>(this + 1); }
  bool isLocked() const { return refs.load(std::memory_order_relaxed) < 0; }
  bool isShared() const { return refs.load(std::memory_order_relaxed) > 1; }
};

class AnsiString {
 public:
  AnsiString() noexcept;
  AnsiString(const char* text);  // NOLINT(google-explicit-constructor): a null text is empty
  AnsiString(const char* text, int length);
  AnsiString(const AnsiString& other);
  AnsiString(AnsiString&& other) noexcept;
  ~AnsiString();

  AnsiString& operator=(const AnsiString& other);
  AnsiString& operator=(AnsiString&& other) noexcept;
  AnsiString& operator=(const char* text);

  int GetLength() const { return data()->length; }
  int GetCapacity() const { return data()->capacity; }
  bool IsEmpty() const { return GetLength() == 0; }
  const char* GetString() const { return chars_; }
  operator const char*() const { return chars_; }  // NOLINT(google-explicit-constructor)
  char GetAt(int index) const;

  void Empty();
  void Append(const char* text, int length);
  void Append(const char* text);
  AnsiString& operator+=(const char* text);
  AnsiString& operator+=(const AnsiString& text);
  AnsiString& operator+=(char ch);

  // printf-style output replacing, or appended to, the content.
  void Format(const char* format, ...);
  void FormatV(const char* format, va_list args);
  void AppendFormat(const char* format, ...);
  void AppendFormatV(const char* format, va_list args);

  // Direct writing: reserve at least minLength characters, let a call fill
  // them, then set the length to what the call reports (ReleaseBufferSetLength)
  // or to the first zero byte (ReleaseBuffer()). The buffer is locked between.
  char* GetBuffer(int minLength);
  char* GetBufferSetLength(int length);
  void ReleaseBuffer(int newLength = -1);
  void ReleaseBufferSetLength(int newLength);
  void Preallocate(int length);

  AnsiString Mid(int first) const;
  AnsiString Mid(int first, int count) const;
  AnsiString Left(int count) const;
  int Find(char ch, int start = 0) const;
  int Compare(const char* text) const;  // byte comparison, like strcmp

  friend bool operator==(const AnsiString& a, const AnsiString& b) { return a.Compare(b) == 0; }
  friend bool operator==(const AnsiString& a, const char* b) { return a.Compare(b) == 0; }
  friend bool operator!=(const AnsiString& a, const AnsiString& b) { return !(a == b); }
  friend bool operator!=(const AnsiString& a, const char* b) { return !(a == b); }

 private:
  AnsiStringData* data() const { return reinterpret_cast<AnsiStringData*>(chars_) - 1; }
  void attach(AnsiStringData* data) { chars_ = data->chars(); }
  void release();
  void assign(const char* text, int length);
  // Makes the buffer this string's own and at least `length` characters big.
  char* prepareWrite(int length);
  void fork(int length);
  void grow(int length);
  void setLength(int length);

  char* chars_;
};
