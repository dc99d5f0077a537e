#include "scan/native/CountedString.h"

#include <cstdint>

#include "scan/NarrowLowBytes.h"

AnsiString NarrowCountedString(const CountedString& text, const void* blockBegin, const void* blockEnd) {
  if (text.Length == 0 && text.MaximumLength == 0) return AnsiString();
  const auto chars = reinterpret_cast<uintptr_t>(text.Buffer);
  const auto begin = reinterpret_cast<uintptr_t>(blockBegin);
  const auto end = reinterpret_cast<uintptr_t>(blockEnd);
  if (chars < begin || chars >= end || chars % alignof(WCHAR) != 0) return AnsiString();
  size_t units = text.Length / sizeof(WCHAR);
  const size_t room = (end - chars) / sizeof(WCHAR);
  if (units > room) units = room;
  return NarrowLowBytes(text.Buffer, units);
}
