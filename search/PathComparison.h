#pragma once
// Equality of two narrow paths as the runtime library's multibyte-aware
// case-insensitive comparison sees it, in the process's ANSI code page:
// single-byte letters compare without regard to case; a two-byte character
// (lead byte and trail byte) is one unit, so its trail byte is never folded
// even when it falls in the letter range. Nothing else is normalised: no
// trimming, no separator or prefix rewriting, no short-name expansion.

// Whole strings, equality only. A null text equals only the empty text.
bool PathsEqualIgnoringCase(const char* first, const char* second);
