#pragma once
// The file-name part of a narrow path, as the shell's PathStripPathA leaves
// it in a copy of the path.

#include "text/AnsiString.h"

// The text after the last '\', '/' or ':' that is followed by more than a
// further separator (so "C:\dir\" gives "dir\"); the whole path when there
// is none. Two-byte characters of the ANSI code page are stepped over as a
// unit, so a trail byte equal to '\' separates nothing. The argument is left
// unchanged.
AnsiString FileNamePart(const AnsiString& path);
