#pragma once
// The caller's cancel byte, shared by every pass of a scan and by the
// search above it: any non-zero value asks the work to stop. A header of
// its own so that the passes need not know the scanner that runs them.

#include <atomic>
#include <cstdint>

using CancelByte = std::atomic<uint8_t>;
// Whether a caller's cancel byte (or none) asks to stop.
inline bool IsRaised(const CancelByte* cancel) { return cancel != nullptr && cancel->load() != 0; }
