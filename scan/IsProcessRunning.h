#pragma once
// Whether a process still runs: one that cannot be opened, or whose exit
// code cannot be read, counts as not running.

#include <cstdint>

bool IsProcessRunning(uint32_t processId);
