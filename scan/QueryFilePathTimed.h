#pragma once
// The path of a file handle, asked on a thread of its own and given up after
// 100 ms: a query on some handles (pipes, hung network files) never returns.
// `processId` is the process in which the handle is valid. Returns 1 with
// the path, or 1 with an empty path when the query was given up, 0 when the
// query failed or could not be made.

#include <cstdint>

#include "os/Win32.h"
#include "text/AnsiString.h"

int QueryFilePathTimed(HANDLE file, AnsiString& path, uint32_t processId);
