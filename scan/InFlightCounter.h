#pragma once
// The number of record workers of one scan that have been started and have
// not yet ended. Raised before a worker starts, so a wait never takes a
// started worker for a finished one; lowered by the worker as its last
// action on shared data.

#include <atomic>
#include <cstdint>

using InFlightCounter = std::atomic<int32_t>;

// At most this many record workers run at once.
constexpr int32_t kMaxInFlight = 96;
