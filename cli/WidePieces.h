#pragma once
// The pieces the console program's writers build their UTF-16 text from:
// ASCII literals and numbers, appended without a locale or a code page.

#include <cstdint>

#include "app/CommandLine.h"

inline void AppendAscii(WideText& text, const char* ascii) {
  for (; *ascii != '\0'; ++ascii) text.push_back(static_cast<WCHAR>(static_cast<unsigned char>(*ascii)));
}

// Unsigned decimal, e.g. "1234".
inline void AppendDecimal(WideText& text, uint32_t value) {
  WCHAR digits[10];
  int count = 0;
  do {
    digits[count++] = static_cast<WCHAR>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  while (count > 0) text.push_back(digits[--count]);
}

// Lowercase hexadecimal without leading zeros, at least `width` digits.
inline void AppendHex(WideText& text, uint32_t value, int width = 1) {
  static const char kDigits[] = "0123456789abcdef";
  WCHAR digits[8];
  int count = 0;
  do {
    digits[count++] = static_cast<WCHAR>(kDigits[value & 0xF]);
    value >>= 4;
  } while (value != 0 || count < width);
  while (count > 0) text.push_back(digits[--count]);
}
