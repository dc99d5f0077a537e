#pragma once
// Whether a text may be the name of a file or folder in a Windows folder:
// the rules the file system and the system's path parsing apply to one name
// (no folder part), checked before anything is done with the name, so that
// a name the system would refuse or read as something else is turned away
// with the rule it breaks. Whether the name is free in its folder is the
// caller's to ask of the file system.

#include "text/WideText.h"

enum class NameFault {
  kNone,
  kEmpty,
  kForbiddenCharacter,  // one of \ / : * ? " < > | or a control character
  kReservedName,        // CON, PRN, AUX, NUL, COM1-COM9, LPT1-LPT9, also with an extension, any case
  kTrailingDotOrSpace,  // the system would drop it: "a." names "a"
  kTooLong,             // longer than a name in a folder may be
};

// The longest name a folder holds, in UTF-16 units.
constexpr std::size_t kLongestFileName = 255;

// The first rule, in the order above, that `name` breaks.
NameFault CheckFileName(WideView name);
