#include "text/WideText.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace {
// Every empty text points here; its count is never changed, it is never freed.
struct EmptyShared {
  SharedTextData header{{1}, 0};
  WCHAR terminator = 0;
};
EmptyShared emptyShared;

bool isEmptyBuffer(const SharedTextData* data) { return data == &emptyShared.header; }
}  // namespace

SharedText::SharedText() noexcept : chars_(emptyShared.header.chars()) {}

SharedText::SharedText(const WCHAR* text, std::size_t length) : SharedText() {
  if (text == nullptr || length == 0) return;
  if (length > static_cast<std::size_t>(INT32_MAX / 2 - 16)) throw std::bad_alloc();
  void* block = std::malloc(sizeof(SharedTextData) + (length + 1) * sizeof(WCHAR));
  if (block == nullptr) throw std::bad_alloc();
  auto* data = new (block) SharedTextData{{1}, static_cast<int32_t>(length)};
  std::memcpy(data->chars(), text, length * sizeof(WCHAR));
  data->chars()[length] = 0;
  chars_ = data->chars();
}

SharedText::SharedText(const SharedText& other) noexcept : chars_(other.chars_) {
  if (!isEmptyBuffer(data())) data()->refs.fetch_add(1, std::memory_order_relaxed);
}

SharedText::SharedText(SharedText&& other) noexcept : chars_(other.chars_) {
  other.chars_ = emptyShared.header.chars();
}

SharedText::~SharedText() { release(); }

SharedText& SharedText::operator=(const SharedText& other) noexcept {
  if (chars_ == other.chars_) return *this;
  SharedText copy(other);
  std::swap(chars_, copy.chars_);
  return *this;
}

SharedText& SharedText::operator=(SharedText&& other) noexcept {
  if (this != &other) std::swap(chars_, other.chars_);
  return *this;
}

void SharedText::release() noexcept {
  SharedTextData* shared = data();
  if (isEmptyBuffer(shared)) return;
  if (shared->refs.fetch_sub(1, std::memory_order_acq_rel) == 1) {
    shared->~SharedTextData();
    std::free(shared);
  }
}

WideText DecimalText(int64_t value) {
  const bool negative = value < 0;
  uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  WideText digits;
  do {
    digits.insert(digits.begin(), static_cast<WCHAR>('0' + magnitude % 10));
    magnitude /= 10;
  } while (magnitude != 0);
  if (negative) digits.insert(digits.begin(), static_cast<WCHAR>('-'));
  return digits;
}

WideText HexText(uint32_t value) {
  static const char kDigits[] = "0123456789abcdef";
  WideText digits;
  do {
    digits.insert(digits.begin(), static_cast<WCHAR>(kDigits[value % 16]));
    value /= 16;
  } while (value != 0);
  return digits;
}

WideText WideFromAscii(const char* text) {
  WideText wide;
  if (text == nullptr) return wide;
  for (; *text != '\0'; ++text) wide.push_back(static_cast<WCHAR>(static_cast<unsigned char>(*text)));
  return wide;
}
