#pragma once
// The console program's one search, on the calling thread, by the window's
// rules: a target is compared with each open file under the name the system
// gives it (final path), a folder holds everything below it, and with a
// target the files loaded as modules count too, and so do the holders found
// after the scan (scan/OtherHolders.h). The engine's bounds apply:
// no name query is waited on longer than its limit, so the search ends.

#include <vector>

#include "scan/HandleRecord.h"
#include "text/WideText.h"

// The holders of `fullPath` (a full path), or of every open file when it is
// empty, appended to `holders` in the scanner's order. Returns 1, or 0 when
// the scan could take no snapshot of the handle table. `complete` tells
// whether the scan named every handle it could have (the thread bound cut
// none short): an incomplete scan that found nothing cannot say "not held".
int FindHolders(const WideText& fullPath, std::vector<HandleRecord>& holders, bool& complete);
