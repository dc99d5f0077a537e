#pragma once
// The bounds every scan keeps, in one place: how many threads may do
// resolution work at once in the whole process (workers, path query threads,
// threads closing a holder's handle, and abandoned ones alike), how long a path query is waited on, how often a
// waiting scan looks at its cancel byte, and how many workers a scan runs.
// Written only while no scan runs (tests stretch the waits on slow
// machines); read by the scans.

#include <algorithm>
#include <thread>

#include "os/Win32.h"

struct ScanLimits {
  int maxLiveThreads = 96;
  DWORD pathQueryMs = 100;
  DWORD cancelLookMs = 20;
  // 0: as many as the machine has cores, at least 2, at most 8.
  int workers = 0;

  int workerCount() const {
    if (workers > 0) return workers;
    const int cores = static_cast<int>(std::thread::hardware_concurrency());
    return std::clamp(cores, 2, 8);
  }
};

inline ScanLimits& ScanLimitsInForce() {
  static ScanLimits limits;
  return limits;
}
