#pragma once
// The console program's answer to scripts, as its exit code.

enum ConsoleExitCode : int {
  kExitHeld = 0,        // the path is held; or, without a path, the list was produced
  kExitNotHeld = 1,     // nobody holds the path
  kExitError = 2,       // bad arguments, a path that cannot be made a full path, a failed scan or output
  kExitIncomplete = 3,  // reserved: some names could not be asked in time, the answer may miss holders
};
