#pragma once
// The engine's conversion of names from the native layer to narrow text:
// each UTF-16 unit gives its low byte, and the text ends at the first zero
// byte. ASCII names come through unchanged; the conversion is deliberately
// not a code-page conversion.

#include <cstddef>

#include "os/Win32.h"
#include "text/AnsiString.h"

// Null yields an empty text. Reads at most `maxUnits` units, and none past
// the terminating zero unit.
AnsiString NarrowLowBytes(const WCHAR* text, size_t maxUnits = static_cast<size_t>(-1));
