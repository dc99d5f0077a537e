#pragma once
// Processes that Ostrel starts (Explorer, the site's opener), seen from
// outside: their command lines, and an end to them.

#include <windows.h>

#include <string>
#include <vector>

namespace e2e {

// The command lines of the running processes with this image name.
std::vector<std::wstring> commandLinesOf(const wchar_t* imageName);
// Ends every process with this image name whose command line contains `part`.
void endProcessesWith(const wchar_t* imageName, const std::wstring& part);
// The ID of a running process with this image name started by `parent`;
// 0 when there is none.
DWORD childProcessOf(DWORD parent, const wchar_t* imageName);

}  // namespace e2e
