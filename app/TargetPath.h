#pragma once
// The file the tool is asked about: argument 1 of the command line, made a
// full narrow path in the thread's ANSI code page.

#include "os/Win32.h"
#include "text/AnsiString.h"

// Empty when the command line names no file, and also when argument 1
// cannot be made a full path; then `unusable` (when given) is set, so that
// such a target is never taken for "every file".
AnsiString TargetPathFromCommandLine(const WCHAR* commandLine, bool* unusable = nullptr);
