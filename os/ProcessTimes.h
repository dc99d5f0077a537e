#pragma once
// When an opened process started, asked through the system seam: the one
// answer that tells a process from a later one given the same ID.

#include <cstdint>

#include "os/SystemCalls.h"

// The process's start as a FILETIME in 64 bits; 0 when it cannot be asked.
inline uint64_t ProcessCreationTime(HANDLE process) {
  FILETIME creation{};
  FILETIME exit{};
  FILETIME kernel{};
  FILETIME user{};
  if (Sys().GetProcessTimes(process, &creation, &exit, &kernel, &user) == FALSE) return 0;
  return (static_cast<uint64_t>(creation.dwHighDateTime) << 32) | creation.dwLowDateTime;
}
