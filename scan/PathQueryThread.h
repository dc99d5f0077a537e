#pragma once
// The thread body of one file path query. Its argument is a heap-allocated
// SharedPathQueryBlock, the thread's own reference, which it releases when it
// ends. On success it clears the failure flag and stores the path in the
// block; on failure it sets the flag.

#include "os/Win32.h"

DWORD WINAPI PathQueryThread(LPVOID block);
