#include "search/PathComparison.h"

#ifdef _WIN32
#include <mbstring.h>
#endif

namespace {
const char kNoText[] = "";

#ifndef _WIN32
// Away from Windows there is no runtime multibyte code page to ask; the
// comparison follows code page 936, the one the tool's narrow text is held
// in: bytes 0x81 to 0xFE lead a two-byte character.
constexpr unsigned char kFirstLeadByte = 0x81;
constexpr unsigned char kLastLeadByte = 0xFE;

bool isLeadByte(unsigned char byte) { return byte >= kFirstLeadByte && byte <= kLastLeadByte; }

unsigned char foldAsciiLetter(unsigned char byte) {
  return (byte >= 'A' && byte <= 'Z') ? static_cast<unsigned char>(byte - 'A' + 'a') : byte;
}
#endif
}  // namespace

bool PathsEqualIgnoringCase(const char* first, const char* second) {
  if (first == nullptr) first = kNoText;
  if (second == nullptr) second = kNoText;
#ifdef _WIN32
  return ::_mbsicmp(reinterpret_cast<const unsigned char*>(first), reinterpret_cast<const unsigned char*>(second)) == 0;
#else
  const auto* a = reinterpret_cast<const unsigned char*>(first);
  const auto* b = reinterpret_cast<const unsigned char*>(second);
  while (*a != 0 && *b != 0) {
    // A two-byte character on either side is one unit: both bytes must be
    // equal as they are. A lead byte cut off by the terminator stands alone.
    if ((isLeadByte(*a) && a[1] != 0) || (isLeadByte(*b) && b[1] != 0)) {
      if (a[0] != b[0] || a[1] != b[1]) return false;
      a += 2;
      b += 2;
      continue;
    }
    if (foldAsciiLetter(*a) != foldAsciiLetter(*b)) return false;
    ++a;
    ++b;
  }
  return *a == *b;
#endif
}
