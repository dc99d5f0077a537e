#pragma once
// The holders as lines, one a holder, in the rows' order, for people and
// for scripts that split on tabs:
//   <pid> TAB <process name> TAB 0x<handle, lowercase hex> | module TAB <path> CR LF
// A tab, line break or other control character inside a name would break
// the line into more fields or lines, so it is shown as U+FFFD; the JSON
// output keeps such names exactly.

#include <vector>

#include "app/CommandLine.h"
#include "cli/HolderRow.h"

WideText HolderRowsAsLines(const std::vector<HolderRow>& rows);
