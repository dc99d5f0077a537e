#pragma once
// The engine's conversion of names from the native layer to narrow text:
// each UTF-16 unit gives its low byte, and the text ends at the first zero
// byte. ASCII names come through unchanged; the conversion is deliberately
// not a code-page conversion. Nothing is read past the bound a caller gives,
// so a malformed native answer yields an empty or shorter name, never a read
// outside the block that holds it.

#include <cstddef>

#include "os/Win32.h"
#include "scan/native/NativeLayouts.h"
#include "text/AnsiString.h"

// Null yields an empty text. Reads at most `maxUnits` units, and none past
// the terminating zero unit.
AnsiString NarrowLowBytes(const WCHAR* text, size_t maxUnits = static_cast<size_t>(-1));

// A counted string found inside the block [blockBegin, blockEnd) that a
// native call filled: empty when its length and maximum length are both 0
// or its characters do not lie inside the block; never read past its length.
AnsiString NarrowCountedString(const CountedString& text, const void* blockBegin, const void* blockEnd);
