#pragma once
// Names a handle that has been brought into the own process, by the way its
// type is named: a process handle by the ID of the process it refers to
// ("PID: 0x4D2"), a thread handle by its thread ID ("TID: 0xFF"), any other
// object by its object name. File handles are named by their final path
// (asked on a thread of its own, see PathQuery); the taking off of its
// prefix is here, so that every final path reads the same. Every name is
// UTF-16, as the system gives it.

#include <cstddef>

#include "os/NativeBlock.h"
#include "os/Win32.h"
#include "text/WideText.h"

// "PID: 0x%X" of the process the handle refers to, 0 when it cannot be asked.
SharedText NameProcessHandle(HANDLE process);
// "TID: 0x%X" of the thread the handle refers to, 0 when it cannot be asked.
SharedText NameThreadHandle(HANDLE thread);
// The object's name. Returns 1 with the name, 0 with `name` left as it was.
// `scratch` is reused between calls and grown when an answer needs more.
int NameObjectHandle(HANDLE object, SharedText& name, NativeBlock& scratch);

// A final path as GetFinalPathNameByHandleW gives it (`length` units, no
// terminator counted) with the "\\?\" prefix taken off: "\\?\C:\a.txt" reads
// "C:\a.txt", and a network path "\\?\UNC\server\share\a.txt" reads
// "\\server\share\a.txt". Empty for a null or empty path.
SharedText FinalPathWithoutPrefix(const WCHAR* path, std::size_t length);

// The longest final path the system names, in UTF-16 units.
constexpr DWORD kFinalPathUnits = 32768;
// Asks the system (through the seam) for the final path of a file handle of
// the own process, into `buffer` of kFinalPathUnits units, and takes its
// prefix off as above; empty when the system cannot name it. The call may never return
// for some handles (pipes, hung network files): callers that must not hang
// ask on a thread they can give up.
SharedText QueryFinalPath(HANDLE file, WCHAR* buffer);
// The same with a buffer of its own.
SharedText QueryFinalPath(HANDLE file);
// False when the handle cannot name a file on a disk (a pipe or a character
// device: a console, a serial port), so that no path query need be risked
// on it. Asked through the seam (GetFileType), which may block like the path
// query: callers ask it where they ask the path, on a thread they can give
// up.
bool MayNameDiskFile(HANDLE file);
