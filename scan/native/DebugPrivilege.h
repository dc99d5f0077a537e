#pragma once
// Switches on SeDebugPrivilege in the process token, so that the scanner may
// open the processes of other users and of services. Failure never stops
// the caller: the window writes it to standard output and goes on; the
// console program, whose standard output carries only results, goes on
// without a word.

#include "os/Win32.h"

// The call that stood in the way and the error it left; a null call when
// the privilege was switched on (or the system said so).
struct DebugPrivilegeOutcome {
  const char* failedCall = nullptr;  // e.g. "OpenProcessToken()"
  DWORD error = 0;
};

// Tries, and tells how it went; writes nothing.
DebugPrivilegeOutcome SwitchOnDebugPrivilege();
// Tries; a failure is written to standard output, one line.
void EnableDebugPrivilege();
