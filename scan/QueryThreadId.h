#pragma once
// The ID of the thread that a thread handle refers to. `processId` is the
// process in which the handle is valid. Returns 1 once the query could be
// made (threadId is set only when it succeeded), 0 when the native layer is
// missing or the process cannot be opened.

#include <cstdint>

#include "os/Win32.h"

int QueryThreadId(HANDLE thread, uint32_t& threadId, uint32_t processId);
