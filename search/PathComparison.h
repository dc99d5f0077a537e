#pragma once
// Equality of two narrow paths as the runtime library's multibyte-aware
// case-insensitive comparison sees it, in the process's ANSI code page:
// single-byte letters compare without regard to case; a two-byte character
// (lead byte and trail byte) is one unit, so its trail byte is never folded
// even when it falls in the letter range. Nothing else is normalised: no
// trimming, no separator or prefix rewriting, no short-name expansion.

// Whole strings, equality only. A null text equals only the empty text.
bool PathsEqualIgnoringCase(const char* first, const char* second);

// Whether `path` lies in `folder` (compared as above): equal to it or below
// it, that is, starting with it followed by a backslash. A trailing
// backslash on the folder is not part of its name, so "C:\data" and
// "C:\data\" hold the same paths and "C:\data2\a.txt" is in neither; a
// drive root ("C:\" or "C:") holds everything on its drive. An empty folder
// holds nothing.
bool PathIsInFolder(const char* path, const char* folder);

// The folder's own name as the user should read it: without a trailing
// backslash, except for a drive root ("C:\"), which stays as given.
int FolderNameLength(const char* folder);
