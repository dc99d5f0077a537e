#include "text/AnsiString.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

constexpr int32_t kGiB = 0x40000000;
constexpr int32_t kMiB = 0x100000;
constexpr int32_t kLargestCapacity = INT32_MAX - static_cast<int32_t>(sizeof(AnsiStringData)) - 8;

// The buffer of every empty string. Its count starts above one so that a
// write always copies it first; it is never freed.
struct EmptyBuffer {
  AnsiStringData header;
  char zero[8];
};
EmptyBuffer emptyBuffer = {{0, 0, {2}}, {0}};

bool isEmptyBuffer(const AnsiStringData* data) { return data == &emptyBuffer.header; }

// A request for n characters gets capacity n | 7.
int32_t roundedCapacity(int32_t length) {
  if (length < 0) ThrowHResult(E_INVALIDARG);
  if (length > kLargestCapacity) ThrowHResult(E_OUTOFMEMORY);
  return length | 7;
}

size_t bytesFor(int32_t capacity) { return sizeof(AnsiStringData) + static_cast<size_t>(capacity) + 1; }

AnsiStringData* allocate(int32_t length) {
  int32_t capacity = roundedCapacity(length);
  void* block = std::malloc(bytesFor(capacity));
  if (block == nullptr) ThrowHResult(E_OUTOFMEMORY);
  auto* data = new (block) AnsiStringData{0, capacity, {1}};
  data->chars()[0] = '\0';
  return data;
}

void destroy(AnsiStringData* data) {
  data->~AnsiStringData();
  std::free(data);
}

}  // namespace

AnsiString::AnsiString() noexcept { attach(&emptyBuffer.header); }

AnsiString::AnsiString(const char* text) : AnsiString() {
  if (text != nullptr) assign(text, static_cast<int>(std::strlen(text)));
}

AnsiString::AnsiString(const char* text, int length) : AnsiString() {
  if (length < 0 || (text == nullptr && length > 0)) ThrowHResult(E_INVALIDARG);
  assign(text, length);
}

AnsiString::AnsiString(const AnsiString& other) : AnsiString() {
  AnsiStringData* source = other.data();
  if (isEmptyBuffer(source)) return;
  if (source->isLocked()) {
    // A locked buffer is being written directly: the copy gets its own.
    assign(other.chars_, source->length);
    return;
  }
  source->refs.fetch_add(1, std::memory_order_relaxed);
  attach(source);
}

AnsiString::AnsiString(AnsiString&& other) noexcept : chars_(other.chars_) {
  other.attach(&emptyBuffer.header);
}

AnsiString::~AnsiString() { release(); }

AnsiString& AnsiString::operator=(const AnsiString& other) {
  if (other.chars_ != chars_) {
    AnsiString copy(other);
    std::swap(chars_, copy.chars_);
  }
  return *this;
}

AnsiString& AnsiString::operator=(AnsiString&& other) noexcept {
  if (this != &other) {
    release();
    chars_ = other.chars_;
    other.attach(&emptyBuffer.header);
  }
  return *this;
}

AnsiString& AnsiString::operator=(const char* text) {
  if (text == nullptr) {
    Empty();
  } else {
    assign(text, static_cast<int>(std::strlen(text)));
  }
  return *this;
}

char AnsiString::GetAt(int index) const {
  if (index < 0 || index > GetLength()) ThrowHResult(E_INVALIDARG);
  return chars_[index];
}

void AnsiString::release() {
  AnsiStringData* current = data();
  attach(&emptyBuffer.header);
  if (isEmptyBuffer(current)) return;
  // A locked buffer has exactly one owner; a shared one is freed by its last.
  if (current->isLocked() || current->refs.fetch_sub(1, std::memory_order_acq_rel) == 1) {
    destroy(current);
  }
}

void AnsiString::Empty() {
  if (data()->isLocked()) {
    setLength(0);  // a buffer being written directly stays with its writer
  } else {
    release();
  }
}

void AnsiString::assign(const char* text, int length) {
  if (length == 0) {
    // Keep an own buffer for reuse; otherwise fall back to the empty one.
    if (data()->isShared() || isEmptyBuffer(data())) {
      release();
    } else {
      setLength(0);
    }
    return;
  }
  // The text may lie inside this string's own buffer.
  const char* old = chars_;
  const char* oldEnd = old + GetLength();
  if (text >= old && text < oldEnd) {
    AnsiString copy(text, length > oldEnd - text ? static_cast<int>(oldEnd - text) : length);
    std::swap(chars_, copy.chars_);
    return;
  }
  char* target = prepareWrite(length);
  std::memcpy(target, text, static_cast<size_t>(length));
  setLength(length);
}

char* AnsiString::prepareWrite(int length) {
  if (length < 0) ThrowHResult(E_INVALIDARG);
  AnsiStringData* current = data();
  if (isEmptyBuffer(current) || current->isShared()) {
    fork(length > current->length ? length : current->length);
  } else if (current->capacity < length) {
    grow(length);
  }
  return chars_;
}

void AnsiString::fork(int length) {
  AnsiStringData* old = data();
  AnsiStringData* fresh = allocate(length);
  int32_t keep = old->length < fresh->capacity ? old->length : fresh->capacity;
  std::memcpy(fresh->chars(), old->chars(), static_cast<size_t>(keep));
  fresh->length = keep;
  fresh->chars()[keep] = '\0';
  release();
  attach(fresh);
}

void AnsiString::grow(int length) {
  AnsiStringData* current = data();
  int64_t old = current->capacity;
  int64_t wanted = old > kGiB ? old + kMiB : old + old / 2;
  if (wanted < length) wanted = length;
  if (wanted > kLargestCapacity) wanted = length;  // growth must not overflow; the need still may fit
  int32_t capacity = roundedCapacity(static_cast<int32_t>(wanted));
  bool locked = current->isLocked();
  void* block = std::realloc(current, bytesFor(capacity));
  if (block == nullptr) ThrowHResult(E_OUTOFMEMORY);
  auto* moved = static_cast<AnsiStringData*>(block);
  moved->capacity = capacity;
  if (locked) moved->refs.store(-1, std::memory_order_relaxed);
  attach(moved);
}

void AnsiString::setLength(int length) {
  AnsiStringData* current = data();
  if (length < 0 || length > current->capacity) ThrowHResult(E_INVALIDARG);
  current->length = length;
  current->chars()[length] = '\0';
}

void AnsiString::Append(const char* text, int length) {
  if (length < 0 || (text == nullptr && length > 0)) ThrowHResult(E_INVALIDARG);
  if (length == 0) return;
  int oldLength = GetLength();
  if (length > kLargestCapacity - oldLength) ThrowHResult(E_OUTOFMEMORY);
  // The text may lie inside this string's own buffer, which may move.
  ptrdiff_t offset = text - chars_;
  bool inside = offset >= 0 && offset < oldLength;
  prepareWrite(oldLength + length);
  if (inside) text = chars_ + offset;
  std::memmove(chars_ + oldLength, text, static_cast<size_t>(length));
  setLength(oldLength + length);
}

void AnsiString::Append(const char* text) {
  if (text != nullptr) Append(text, static_cast<int>(std::strlen(text)));
}

AnsiString& AnsiString::operator+=(const char* text) {
  Append(text);
  return *this;
}

AnsiString& AnsiString::operator+=(const AnsiString& text) {
  AnsiString keep(text);  // the argument may be this very string
  Append(keep.GetString(), keep.GetLength());
  return *this;
}

AnsiString& AnsiString::operator+=(char ch) {
  Append(&ch, 1);
  return *this;
}

void AnsiString::Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  try {
    FormatV(format, args);
  } catch (...) {
    va_end(args);
    throw;
  }
  va_end(args);
}

void AnsiString::FormatV(const char* format, va_list args) {
  // Formatted into a fresh string: an argument may point into this one.
  AnsiString formatted;
  formatted.AppendFormatV(format, args);
  std::swap(chars_, formatted.chars_);
}

void AnsiString::AppendFormat(const char* format, ...) {
  va_list args;
  va_start(args, format);
  try {
    AppendFormatV(format, args);
  } catch (...) {
    va_end(args);
    throw;
  }
  va_end(args);
}

void AnsiString::AppendFormatV(const char* format, va_list args) {
  if (format == nullptr) ThrowHResult(E_INVALIDARG);
  va_list measure;
  va_copy(measure, args);
  int length = std::vsnprintf(nullptr, 0, format, measure);
  va_end(measure);
  if (length < 0) ThrowHResult(E_FAIL);
  if (length == 0) return;
  AnsiString piece;
  char* target = piece.GetBuffer(length);
  va_list write;
  va_copy(write, args);
  int written = std::vsnprintf(target, static_cast<size_t>(length) + 1, format, write);
  va_end(write);
  if (written != length) ThrowHResult(E_FAIL);
  piece.ReleaseBufferSetLength(length);
  Append(piece.GetString(), piece.GetLength());
}

char* AnsiString::GetBuffer(int minLength) {
  char* target = prepareWrite(minLength);
  data()->refs.store(-1, std::memory_order_relaxed);
  return target;
}

char* AnsiString::GetBufferSetLength(int length) {
  char* target = GetBuffer(length);
  setLength(length);
  return target;
}

void AnsiString::ReleaseBuffer(int newLength) {
  if (newLength == -1) {
    AnsiStringData* current = data();
    const void* zero = std::memchr(chars_, 0, static_cast<size_t>(current->capacity) + 1);
    newLength = zero != nullptr ? static_cast<int>(static_cast<const char*>(zero) - chars_) : current->capacity;
  }
  ReleaseBufferSetLength(newLength);
}

void AnsiString::ReleaseBufferSetLength(int newLength) {
  AnsiStringData* current = data();
  if (isEmptyBuffer(current)) {
    if (newLength != 0) ThrowHResult(E_INVALIDARG);
    return;
  }
  setLength(newLength);
  if (current->isLocked()) current->refs.store(1, std::memory_order_relaxed);
}

void AnsiString::Preallocate(int length) {
  prepareWrite(length);
}

AnsiString AnsiString::Mid(int first) const { return Mid(first, INT_MAX); }

AnsiString AnsiString::Mid(int first, int count) const {
  if (first < 0) first = 0;
  if (count < 0) count = 0;
  int length = GetLength();
  if (first > length) return AnsiString();
  if (count > length - first) count = length - first;
  if (first == 0 && count == length) return *this;
  return AnsiString(chars_ + first, count);
}

AnsiString AnsiString::Left(int count) const { return Mid(0, count); }

int AnsiString::Find(char ch, int start) const {
  int length = GetLength();
  if (start < 0 || start >= length) return -1;
  const void* hit = std::memchr(chars_ + start, static_cast<unsigned char>(ch), static_cast<size_t>(length - start));
  return hit != nullptr ? static_cast<int>(static_cast<const char*>(hit) - chars_) : -1;
}

int AnsiString::Compare(const char* text) const {
  return std::strcmp(chars_, text != nullptr ? text : "");
}
