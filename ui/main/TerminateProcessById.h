#pragma once
// Ends the process with the given ID at once, exit code 0, without asking it
// to close first. False when it cannot be opened for termination (gone, or
// access denied), when it has already ended, or when TerminateProcess fails.
//
// A process ID is reused once its process has gone. When the scan learned the
// holder's image path, that path is given as `expectedImagePath`, and a
// process now running under the same ID from another image is not touched
// (false): ending the holder must never end some other program.

#include <windows.h>

bool terminateProcessById(DWORD processId, const char* expectedImagePath = nullptr);
