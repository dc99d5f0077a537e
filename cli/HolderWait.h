#pragma once
// The console program's last look: searching again for the path until
// nothing holds it, about twice a second, for at most a given time; the
// holders of the last search are the answer.

#include <vector>

#include "scan/HandleRecord.h"
#include "text/WideText.h"

// How long between two searches while waiting.
constexpr unsigned kWaitPollMs = 500;

// Searches for the holders of `fullPath` (FindHolders) at once and then
// again every kWaitPollMs until a complete search finds none or `waitMs`
// have passed (0: one search). Returns 1 with `holders` and `complete`
// from the last search, or 0 when a scan failed.
int SearchUntilFree(const WideText& fullPath, unsigned waitMs, std::vector<HandleRecord>& holders, bool& complete);
