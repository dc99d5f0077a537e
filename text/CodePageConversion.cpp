#include "text/CodePageConversion.h"

#ifndef _WIN32
#include <iconv.h>

#include <cerrno>
#include <cstring>
#include <string>
#endif

namespace {

[[noreturn]] void throwLastError() {
  DWORD error = LastConversionError();
  ThrowHResult(error != 0 ? HRESULT_FROM_WIN32(error) : E_FAIL);
}

}  // namespace

WideFromAnsi::WideFromAnsi(const char* text) {
  if (text == nullptr) return;
  int units = AnsiToWideUnits(text, -1, inline_, kInlineUnits);
  if (units != 0) {
    text_ = inline_;
    return;
  }
  units = AnsiToWideUnits(text, -1, nullptr, 0);
  if (units == 0) throwLastError();
  heap_ = std::make_unique<WCHAR[]>(static_cast<size_t>(units));
  if (AnsiToWideUnits(text, -1, heap_.get(), units) == 0) throwLastError();
  text_ = heap_.get();
}

AnsiFromWide::AnsiFromWide(const WCHAR* text) {
  if (text == nullptr) return;
  int bytes = WideToAnsiBytes(text, -1, inline_, kInlineUnits);
  if (bytes != 0) {
    text_ = inline_;
    return;
  }
  bytes = WideToAnsiBytes(text, -1, nullptr, 0);
  if (bytes == 0) throwLastError();
  heap_ = std::make_unique<char[]>(static_cast<size_t>(bytes));
  if (WideToAnsiBytes(text, -1, heap_.get(), bytes) == 0) throwLastError();
  text_ = heap_.get();
}

#ifdef _WIN32

int AnsiToWideUnits(const char* text, int length, WCHAR* output, int outputUnits) {
  return ::MultiByteToWideChar(CP_THREAD_ACP, 0, text, length, output, outputUnits);
}

int WideToAnsiBytes(const WCHAR* text, int length, char* output, int outputBytes) {
  return ::WideCharToMultiByte(CP_THREAD_ACP, 0, text, length, output, outputBytes, nullptr, nullptr);
}

DWORD LastConversionError() { return ::GetLastError(); }

#else

// The host has no Windows: code page 936 through iconv, with the Windows
// behaviour for flags 0 (a byte or unit that cannot be converted becomes a
// default character instead of failing the call).
namespace {

thread_local DWORD lastError = 0;

class Iconv {
 public:
  Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Iconv() {
    if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
  }
  Iconv(const Iconv&) = delete;
  Iconv& operator=(const Iconv&) = delete;
  iconv_t get() const { return cd_; }

 private:
  iconv_t cd_;
};

// Converts all of [in, in + inBytes) and returns the output bytes;
// `substitute` is written for each unconvertible input piece of `skip` bytes.
std::string convert(const char* to, const char* from, const char* in, size_t inBytes, size_t skip,
                    const std::string& substitute) {
  Iconv cd(to, from);
  std::string out;
  if (cd.get() == reinterpret_cast<iconv_t>(-1)) return out;
  char* src = const_cast<char*>(in);
  size_t left = inBytes;
  char chunk[256];
  while (left > 0) {
    char* dst = chunk;
    size_t room = sizeof chunk;
    size_t rc = iconv(cd.get(), &src, &left, &dst, &room);
    out.append(chunk, static_cast<size_t>(dst - chunk));
    if (rc == static_cast<size_t>(-1) && errno != E2BIG) {
      // EILSEQ or EINVAL: replace the piece that cannot be converted.
      size_t step = left < skip ? left : skip;
      src += step;
      left -= step;
      out += substitute;
      iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);
    }
  }
  return out;
}

template <typename Char>
int finish(const std::string& bytes, Char* output, int outputUnits) {
  int units = static_cast<int>(bytes.size() / sizeof(Char));
  if (outputUnits == 0) return units;
  if (units > outputUnits) {
    lastError = ERROR_INSUFFICIENT_BUFFER;
    return 0;
  }
  std::memcpy(output, bytes.data(), bytes.size());
  return units;
}

}  // namespace

int AnsiToWideUnits(const char* text, int length, WCHAR* output, int outputUnits) {
  if (text == nullptr || outputUnits < 0 || (output == nullptr && outputUnits != 0)) {
    lastError = ERROR_INVALID_PARAMETER;
    return 0;
  }
  size_t bytes = length < 0 ? std::strlen(text) + 1 : static_cast<size_t>(length);
  if (bytes == 0) {
    lastError = ERROR_INVALID_PARAMETER;
    return 0;
  }
  std::string utf16 = convert("UTF-16LE", "CP936", text, bytes, 1, std::string("\x30\xfb", 2));
  return finish(utf16, output, outputUnits);
}

int WideToAnsiBytes(const WCHAR* text, int length, char* output, int outputBytes) {
  if (text == nullptr || outputBytes < 0 || (output == nullptr && outputBytes != 0)) {
    lastError = ERROR_INVALID_PARAMETER;
    return 0;
  }
  size_t units = 0;
  if (length < 0) {
    while (text[units] != 0) ++units;
    ++units;
  } else {
    units = static_cast<size_t>(length);
  }
  if (units == 0) {
    lastError = ERROR_INVALID_PARAMETER;
    return 0;
  }
  std::string narrow =
      convert("CP936", "UTF-16LE", reinterpret_cast<const char*>(text), units * sizeof(WCHAR), 2, "?");
  return finish(narrow, output, outputBytes);
}

DWORD LastConversionError() { return lastError; }

#endif
