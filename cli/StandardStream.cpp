#include "cli/StandardStream.h"

#include <algorithm>
#include <string>

#include "text/Utf8.h"

namespace {
// Old consoles refuse one write much larger than this.
constexpr size_t kConsoleChunkUnits = 8192;

bool writeConsole(HANDLE console, const WideText& text) {
  size_t done = 0;
  while (done < text.size()) {
    size_t chunk = std::min(kConsoleChunkUnits, text.size() - done);
    // A surrogate pair stays in one write.
    const WCHAR last = text[done + chunk - 1];
    if (chunk > 1 && done + chunk < text.size() && last >= 0xD800 && last <= 0xDBFF) --chunk;
    DWORD written = 0;
    if (!::WriteConsoleW(console, text.data() + done, static_cast<DWORD>(chunk), &written, nullptr) || written == 0) {
      return false;
    }
    done += written;
  }
  return true;
}

bool writeBytes(HANDLE file, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    DWORD written = 0;
    if (!::WriteFile(file, bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &written, nullptr) ||
        written == 0) {
      return false;
    }
    done += written;
  }
  return true;
}
}  // namespace

StandardStream::StandardStream(DWORD which) : handle_(::GetStdHandle(which)), console_(false) {
  DWORD mode = 0;
  console_ = handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE && ::GetConsoleMode(handle_, &mode) != FALSE;
}

bool StandardStream::write(const WideText& text) const {
  if (handle_ == nullptr || handle_ == INVALID_HANDLE_VALUE) return false;
  if (text.empty()) return true;
  if (console_) return writeConsole(handle_, text);
  return writeBytes(handle_, Utf8FromUtf16(text.data(), text.size()));
}
