#pragma once
// Ends the process with the given ID at once, exit code 0, without asking it
// to close first. False when it cannot be opened for termination (gone, or
// access denied), when it has already ended, or when TerminateProcess fails.

#include <windows.h>

bool terminateProcessById(DWORD processId);
