#pragma once
// The holders as lines, one a holder, in the records' order, for people and
// for scripts that split on tabs:
//   <pid> TAB <process name> TAB 0x<handle, lowercase hex> | module | ? | remote TAB <path> CR LF
// "?" is a process whose handles could not be read; "remote" a user's open
// on another computer, whose pid field is empty and whose name is the user's.
// A character inside a name that some common reader takes as a line or
// field break (a C0 or C1 control, DEL, U+2028, U+2029) would break the
// line into more fields or lines, so it is shown as U+FFFD; the JSON output
// keeps such names exactly.

#include <vector>

#include "scan/HandleRecord.h"
#include "text/WideText.h"

WideText HoldersAsLines(const std::vector<HandleRecord>& holders);
