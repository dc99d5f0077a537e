#pragma once
// UTF-8 from UTF-16, for text that leaves the tool as bytes (a redirected
// console output). Always valid UTF-8: a surrogate pair becomes its one
// four-byte character; a lone surrogate, which no UTF-8 can carry, becomes
// U+FFFD (EF BF BD). No byte-order mark is added.

#include <cstddef>
#include <string>

#include "os/Win32.h"

std::string Utf8FromUtf16(const WCHAR* text, size_t length);
