#pragma once
// The file-name part of a path, as the shell's PathStripPath leaves it.

#include "text/WideText.h"

// The text after the last '\', '/' or ':' that is followed by more than a
// further separator (so "C:\dir\" gives "dir\"); the whole path when there
// is none.
WideView FileNamePart(WideView path);
