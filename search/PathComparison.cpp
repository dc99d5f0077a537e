#include "search/PathComparison.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {
#ifndef _WIN32
// The host has no system to ask for its case table. This is the simple
// upper-casing of the letters the tool's tests name (Latin with accents,
// Greek, Cyrillic, full-width Latin), the same answers the system's table
// gives for them, so that the same table of cases holds on the host and
// under Windows. Every other unit, surrogates included, is its own upper
// case.
WCHAR upperCase(WCHAR unit) {
  const unsigned u = unit;
  if (u >= 'a' && u <= 'z') return static_cast<WCHAR>(u - 0x20);
  if (u < 0x80) return unit;
  if ((u >= 0xE0 && u <= 0xFE && u != 0xF7)) return static_cast<WCHAR>(u - 0x20);
  if (u == 0xFF) return static_cast<WCHAR>(0x178);
  // Latin Extended-A: pairs, the capital first (the capital second from U+0139 to U+0148 and U+0179 to U+017E).
  if ((u >= 0x100 && u <= 0x12F) || (u >= 0x132 && u <= 0x137) || (u >= 0x14A && u <= 0x177)) {
    return static_cast<WCHAR>(u & ~1u);
  }
  if ((u >= 0x139 && u <= 0x148) || (u >= 0x179 && u <= 0x17E)) return static_cast<WCHAR>(u % 2 == 0 ? u - 1 : u);
  if (u == 0x3AC) return static_cast<WCHAR>(0x386);
  if (u >= 0x3AD && u <= 0x3AF) return static_cast<WCHAR>(u - 0x25);
  if ((u >= 0x3B1 && u <= 0x3C1) || (u >= 0x3C3 && u <= 0x3CB)) return static_cast<WCHAR>(u - 0x20);
  if (u == 0x3CC) return static_cast<WCHAR>(0x38C);
  if (u == 0x3CD || u == 0x3CE) return static_cast<WCHAR>(u - 0x3F);
  if (u >= 0x430 && u <= 0x44F) return static_cast<WCHAR>(u - 0x20);
  if (u >= 0x450 && u <= 0x45F) return static_cast<WCHAR>(u - 0x50);
  if (u >= 0xFF41 && u <= 0xFF5A) return static_cast<WCHAR>(u - 0x20);
  return unit;
}
#endif

bool isSeparator(WCHAR unit) { return unit == '\\'; }

// The length of `text` without one trailing backslash.
std::size_t lengthWithoutSeparator(WideView text) {
  return !text.empty() && isSeparator(text.back()) ? text.size() - 1 : text.size();
}

bool isDriveName(WideView text) {
  return text.size() == 2 && text[1] == ':' && ((text[0] >= 'A' && text[0] <= 'Z') || (text[0] >= 'a' && text[0] <= 'z'));
}
}  // namespace

bool PathsEqualIgnoringCase(WideView first, WideView second) {
  if (first.size() != second.size()) return false;
  if (first.empty()) return true;
#ifdef _WIN32
  // The file system's own rule: the system's upper-case table, unit by unit.
  return ::CompareStringOrdinal(first.data(), static_cast<int>(first.size()), second.data(),
                                static_cast<int>(second.size()), TRUE) == CSTR_EQUAL;
#else
  for (std::size_t k = 0; k < first.size(); ++k) {
    if (first[k] != second[k] && upperCase(first[k]) != upperCase(second[k])) return false;
  }
  return true;
#endif
}

bool PathIsInFolder(WideView path, WideView folder) {
  const std::size_t length = lengthWithoutSeparator(folder);
  if (length == 0) return false;
  const WideView name = folder.substr(0, length);
  if (!isDriveName(name) && PathsEqualIgnoringCase(path, name)) return true;
  // Below it: the name, then a backslash of the path's own.
  return path.size() > length && isSeparator(path[length]) && PathsEqualIgnoringCase(path.substr(0, length), name);
}

int FolderNameLength(WideView folder) {
  const std::size_t length = lengthWithoutSeparator(folder);
  return static_cast<int>(isDriveName(folder.substr(0, length)) ? folder.size() : length);
}
