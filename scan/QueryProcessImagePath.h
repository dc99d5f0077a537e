#pragma once
// The full image path of a process, asked of the process itself; empty on
// any failure.

#include <cstdint>

#include "text/AnsiString.h"

AnsiString QueryProcessImagePath(uint32_t processId);
