#include "search/PathComparison.h"

#include <cstring>
#include <string>

#ifdef _WIN32
#include <windows.h>
#include <mbstring.h>
#endif

namespace {
const char kNoText[] = "";

#ifdef _WIN32
bool isLeadByte(unsigned char byte) { return ::IsDBCSLeadByte(byte) != FALSE; }
#else
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

// The length of `text` without one trailing backslash that stands alone (a
// two-byte character whose trail byte is 0x5C is no separator).
std::size_t lengthWithoutSeparator(const char* text) {
  const std::size_t length = std::strlen(text);
  std::size_t last = length;  // where the last character starts
  for (std::size_t i = 0; i < length;) {
    last = i;
    i += isLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < length ? 2 : 1;
  }
  return last + 1 == length && text[last] == '\\' ? last : length;
}

bool isDriveName(const char* text, std::size_t length) {
  return length == 2 && text[1] == ':' &&
         ((text[0] >= 'A' && text[0] <= 'Z') || (text[0] >= 'a' && text[0] <= 'z'));
}
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

bool PathIsInFolder(const char* path, const char* folder) {
  if (path == nullptr || folder == nullptr) return false;
  const std::size_t length = lengthWithoutSeparator(folder);
  if (length == 0) return false;
  // Compared as whole paths: the folder's own name, then the same name with
  // the backslash that must follow it.
  std::string name(folder, length);
  if (!isDriveName(folder, length) && PathsEqualIgnoringCase(path, name.c_str())) return true;
  name += '\\';
  const std::size_t prefix = name.size();
  if (std::strlen(path) < prefix) return false;
  // The path's first `prefix` bytes end at a character boundary when they
  // equal the name, which ends with a backslash of its own.
  const std::string head(path, prefix);
  return PathsEqualIgnoringCase(head.c_str(), name.c_str());
}

int FolderNameLength(const char* folder) {
  if (folder == nullptr) return 0;
  const std::size_t length = lengthWithoutSeparator(folder);
  return static_cast<int>(isDriveName(folder, length) ? std::strlen(folder) : length);
}
