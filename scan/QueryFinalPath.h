#pragma once
// The final path of a file handle of the own process, in drive-letter form
// with the "\\?\" prefix taken off ("\\?\UNC\server\share\a.txt" keeps
// "UNC\" at its front). Returns 1 when the system answered; a path longer
// than the space leaves the output empty and still returns 1.

#include "os/Win32.h"
#include "text/AnsiString.h"

int QueryFinalPath(HANDLE file, AnsiString& path);
