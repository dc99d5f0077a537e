#pragma once
// The engine's reading of names from the native layer. Names (object and
// process names) stay UTF-16, copied as they are. Type names alone are made
// narrow: each UTF-16 unit gives its low byte, and the text ends at the
// first zero byte; type names are ASCII ("File") and are only compared with
// ASCII. Nothing is read past the bound a caller gives, so a malformed
// native answer yields an empty or shorter name, never a read outside the
// block that holds it.

#include <cstddef>

#include "os/Win32.h"
#include "scan/native/NativeLayouts.h"
#include "text/AnsiString.h"
#include "text/WideText.h"

// Null yields an empty text. Reads at most `maxUnits` units, and none past
// the terminating zero unit.
AnsiString NarrowLowBytes(const WCHAR* text, size_t maxUnits = static_cast<size_t>(-1));

// A counted string found inside the block [blockBegin, blockEnd) that a
// native call filled: empty when its length and maximum length are both 0
// or its characters do not lie inside the block; never read past its length.
// The units are copied as they are, up to the first zero unit.
SharedText CountedText(const CountedString& text, const void* blockBegin, const void* blockEnd);
