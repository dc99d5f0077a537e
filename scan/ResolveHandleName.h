#pragma once
// Turns a handle held by some process into a name, chosen by its type
// number: a process handle by the ID of the process it refers to
// ("PID: 0x4D2"), a thread handle by its thread ID ("TID: 0xFF"), a file
// handle by its final path (given up after 100 ms), any other object by its
// object name. Returns 1 when `name` holds a name, 0 otherwise.

#include <cstdint>

#include "text/AnsiString.h"

int ResolveHandleName(uint32_t handleValue, uint16_t typeNumber, AnsiString& name, uint32_t ownerPid);
