#pragma once
// The first half of a search's completion step: which of the scanner's
// records become results.

#include <vector>

#include "scan/HandleRecord.h"
#include "scan/HandleScanner.h"
#include "text/WideText.h"

// Appends to `results`, in the records' order, a copy of every record
// (its texts shared, not copied) whose path is resolved (non-empty) and
// equal to `targetPath` ignoring letter case (PathComparison.h); an empty
// target keeps every record with a path. The number of records is read
// once, before the first copy. A folder target keeps every record whose
// path lies in the folder (PathIsInFolder) instead.
void AppendMatchingRecords(const HandleRecords& records, WideView targetPath, std::vector<HandleRecord>& results,
                           bool targetIsFolder = false);

// Which loaded modules a search for `matchPath` keeps: by the same rule as
// its records (equal ignoring letter case; for a folder, in it).
ModuleFilter TargetModuleFilter(const WideText& matchPath, bool targetIsFolder);
