#pragma once
// Narrowing of a counted UTF-16 string found inside a block that a native
// call filled: nothing is read past the string's length, nor outside the
// block, so a malformed answer yields an empty or shorter name.

#include "scan/native/NativeLayouts.h"
#include "text/AnsiString.h"

AnsiString NarrowCountedString(const CountedString& text, const void* blockBegin, const void* blockEnd);
