#include "text/FileNameRules.h"

namespace {
bool isForbidden(WCHAR unit) {
  if (unit < 0x20) return true;
  for (const char forbidden : {'\\', '/', ':', '*', '?', '"', '<', '>', '|'}) {
    if (unit == static_cast<WCHAR>(forbidden)) return true;
  }
  return false;
}

WCHAR upper(WCHAR unit) { return unit >= 'a' && unit <= 'z' ? static_cast<WCHAR>(unit - 'a' + 'A') : unit; }

bool sameLetters(WideView text, const char* ascii) {
  std::size_t i = 0;
  for (; ascii[i] != '\0'; ++i) {
    if (i >= text.size() || upper(text[i]) != static_cast<WCHAR>(ascii[i])) return false;
  }
  return i == text.size();
}

// The system reads these as devices in any folder; the part before the
// first dot is what counts ("con.txt", "NUL.tar.gz"), and spaces before the
// dot are dropped ("CON .txt"). The superscript digits count too.
bool isReserved(WideView name) {
  WideView base = name.substr(0, name.find(static_cast<WCHAR>('.')));
  while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
  for (const char* device : {"CON", "PRN", "AUX", "NUL"}) {
    if (sameLetters(base, device)) return true;
  }
  if (base.size() != 4) return false;
  const WCHAR digit = base[3];
  const bool numbered = (digit >= '1' && digit <= '9') || digit == 0x00B9 || digit == 0x00B2 || digit == 0x00B3;
  return numbered && (sameLetters(base.substr(0, 3), "COM") || sameLetters(base.substr(0, 3), "LPT"));
}
}  // namespace

NameFault CheckFileName(WideView name) {
  if (name.empty()) return NameFault::kEmpty;
  for (const WCHAR unit : name) {
    if (isForbidden(unit)) return NameFault::kForbiddenCharacter;
  }
  if (isReserved(name)) return NameFault::kReservedName;
  if (name.back() == '.' || name.back() == ' ') return NameFault::kTrailingDotOrSpace;
  if (name.size() > kLongestFileName) return NameFault::kTooLong;
  return NameFault::kNone;
}
