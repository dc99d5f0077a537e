#include "text/Utf8.h"

namespace {
constexpr char32_t kReplacement = 0xFFFD;

void append(std::string& utf8, char32_t code) {
  if (code < 0x80) {
    utf8.push_back(static_cast<char>(code));
  } else if (code < 0x800) {
    utf8.push_back(static_cast<char>(0xC0 | (code >> 6)));
    utf8.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else if (code < 0x10000) {
    utf8.push_back(static_cast<char>(0xE0 | (code >> 12)));
    utf8.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    utf8.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else {
    utf8.push_back(static_cast<char>(0xF0 | (code >> 18)));
    utf8.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
    utf8.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    utf8.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  }
}
}  // namespace

std::string Utf8FromUtf16(const WCHAR* text, size_t length) {
  std::string utf8;
  utf8.reserve(length);
  for (size_t i = 0; i < length; ++i) {
    const char32_t unit = static_cast<char16_t>(text[i]);
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < length && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      const char32_t low = static_cast<char16_t>(text[++i]);
      append(utf8, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
    } else if (unit >= 0xD800 && unit <= 0xDFFF) {
      append(utf8, kReplacement);
    } else {
      append(utf8, unit);
    }
  }
  return utf8;
}
