#pragma once
// The file the tool is asked about: argument 1 of the wide command line,
// made a full path in UTF-16, exactly as given.

#include "os/Win32.h"
#include "text/WideText.h"

// Empty when the command line names no file, and also when argument 1
// cannot be made a full path; then `unusable` (when given) is set, so that
// such a target is never taken for "every file".
WideText TargetPathFromCommandLine(const WCHAR* commandLine, bool* unusable = nullptr);
// The same for one argument already taken from a command line: empty when
// it is empty, and also when it cannot be made a full path (`unusable`).
WideText FullTargetPath(const WideText& argument, bool* unusable = nullptr);

// How the system names an existing target: a held file is reported under
// the name the system gives its handle, while the target arrives as the
// user or Explorer wrote it (a short 8.3 name, a path through a junction or
// a mapped drive, another letter case).
struct TargetIdentity {
  WideText matchPath;   // what records are compared with
  bool folder = false;  // an existing directory: its records are those below it
  bool missing = false;  // the system says there is no such file or folder
};

// Opens the target for attributes only (sharing everything, folders too)
// and takes its final path as a handle's is taken; a target that cannot be
// opened keeps its full path. A target on a drive letter this process does
// not see (a drive the user mapped, unseen by an elevated process) is
// looked for under the network path the user's mapping names. May wait on
// a slow network path: not for the window's thread.
TargetIdentity IdentifyTarget(const WideText& fullPath);

// The path `fullPath` ("Z:\dir\a.txt") names through a drive mapped to
// `remotePath` ("\\server\share"): "\\server\share\dir\a.txt". Empty when
// the path does not start with a drive letter and colon or the remote path
// is empty.
WideText PathThroughMapping(WideView fullPath, WideView remotePath);
