#include "scan/NarrowLowBytes.h"

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
