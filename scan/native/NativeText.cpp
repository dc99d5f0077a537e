#include "scan/native/NativeText.h"

#include <cstdint>

AnsiString NarrowLowBytes(const WCHAR* text, size_t maxUnits) {
  if (text == nullptr) return AnsiString();
  // A unit whose low byte is 0 (U+4E00, say) ends the text as the terminator does.
  size_t length = 0;
  while (length < maxUnits && static_cast<unsigned char>(text[length] & 0xFF) != 0) ++length;
  AnsiString result;
  char* out = result.GetBuffer(static_cast<int>(length));
  for (size_t k = 0; k < length; ++k) out[k] = static_cast<char>(text[k] & 0xFF);
  result.ReleaseBufferSetLength(static_cast<int>(length));
  return result;
}

SharedText CountedText(const CountedString& text, const void* blockBegin, const void* blockEnd) {
  if (text.Length == 0 && text.MaximumLength == 0) return SharedText();
  const auto chars = reinterpret_cast<uintptr_t>(text.Buffer);
  const auto begin = reinterpret_cast<uintptr_t>(blockBegin);
  const auto end = reinterpret_cast<uintptr_t>(blockEnd);
  if (chars < begin || chars >= end || chars % alignof(WCHAR) != 0) return SharedText();
  size_t units = text.Length / sizeof(WCHAR);
  const size_t room = (end - chars) / sizeof(WCHAR);
  if (units > room) units = room;
  std::size_t length = 0;
  while (length < units && text.Buffer[length] != 0) ++length;
  return SharedText(text.Buffer, length);
}
