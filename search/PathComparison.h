#pragma once
// Equality of two UTF-16 paths as the file system sees it: ordinal, each
// unit compared after upper-casing, so letters of any script compare
// without regard to case ("É" and "é", "Σ" and "σ", "Ａ" and "ａ"), and
// nothing else is folded. A surrogate pair is two units neither of which
// has a case: a pair equals only the same pair. No code page is involved.
// Nothing is normalised: no trimming, no separator or prefix rewriting, no
// short-name expansion.

#include "text/WideText.h"

// Whole strings, equality only.
bool PathsEqualIgnoringCase(WideView first, WideView second);

// Whether `path` lies in `folder` (compared as above): equal to it or below
// it, that is, starting with it followed by a backslash. A trailing
// backslash on the folder is not part of its name, so "C:\data" and
// "C:\data\" hold the same paths and "C:\data2\a.txt" is in neither; a
// drive root ("C:\" or "C:") holds everything on its drive. An empty folder
// holds nothing.
bool PathIsInFolder(WideView path, WideView folder);

// The folder's own name as the user should read it: without a trailing
// backslash, except for a drive root ("C:\"), which stays as given.
int FolderNameLength(WideView folder);
