#pragma once
// The file the tool is asked about: argument 1 of the command line, made a
// full narrow path in the thread's ANSI code page.

#include "app/CommandLine.h"
#include "os/Win32.h"
#include "text/AnsiString.h"

// Empty when the command line names no file, and also when argument 1
// cannot be made a full path; then `unusable` (when given) is set, so that
// such a target is never taken for "every file".
AnsiString TargetPathFromCommandLine(const WCHAR* commandLine, bool* unusable = nullptr);
// The same for one argument already taken from a command line: empty when
// it is empty, and also when it cannot be made a full path (`unusable`).
AnsiString FullTargetPath(const WideText& argument, bool* unusable = nullptr);

// How the system names an existing target: a held file is reported under
// the name the system gives its handle, while the target arrives as the
// user or Explorer wrote it (a short 8.3 name, a path through a junction or
// a mapped drive, another letter case).
struct TargetIdentity {
  AnsiString matchPath;  // what records are compared with
  bool folder = false;   // an existing directory: its records are those below it
};

// Opens the target for attributes only (sharing everything, folders too)
// and takes its final path, narrowed like a handle's; a target that cannot
// be opened keeps its full path. May wait on a slow network path: not for
// the window's thread.
TargetIdentity IdentifyTarget(const AnsiString& fullPath);
