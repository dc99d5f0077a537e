#pragma once
// The file the tool is asked about: argument 1 of the command line, made a
// full narrow path in the thread's ANSI code page.

#include "os/Win32.h"
#include "text/AnsiString.h"

// Empty when the command line names no file or the path cannot be made full.
AnsiString targetPathFromCommandLine(const WCHAR* commandLine);
