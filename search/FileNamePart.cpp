#include "search/FileNamePart.h"

#ifdef _WIN32
#include <windows.h>
#include <shlwapi.h>
#endif

#ifdef _WIN32
AnsiString FileNamePart(const AnsiString& path) {
  AnsiString name(path.GetString(), path.GetLength());
  char* buffer = name.GetBuffer(name.GetLength());
  ::PathStripPathA(buffer);
  name.ReleaseBuffer();
  return name;
}
#else
namespace {
// Away from Windows the shell's stepping follows code page 936, the one the
// tool's narrow text is held in: bytes 0x81 to 0xFE lead a two-byte character.
constexpr unsigned char kFirstLeadByte = 0x81;
constexpr unsigned char kLastLeadByte = 0xFE;

bool isSeparator(char c) { return c == '\\' || c == '/'; }
}  // namespace

AnsiString FileNamePart(const AnsiString& path) {
  const char* text = path.GetString();
  const int length = path.GetLength();
  int nameStart = 0;
  for (int i = 0; i < length;) {
    const char c = text[i];
    if ((isSeparator(c) || c == ':') && i + 1 < length && !isSeparator(text[i + 1])) nameStart = i + 1;
    const auto byte = static_cast<unsigned char>(c);
    i += (byte >= kFirstLeadByte && byte <= kLastLeadByte && i + 1 < length) ? 2 : 1;
  }
  return path.Mid(nameStart);
}
#endif
