#pragma once
// The one way the end-to-end cases wait: for a state, with a deadline. The
// driver never sleeps a fixed time in place of a state it expects; it polls
// the state until it holds or the deadline passes.

#include <windows.h>

#include <functional>

namespace e2e {

// How long a case waits by default for what an input or a message should
// cause: long enough for a slow Wine, short enough to fail a case soon.
constexpr DWORD kStateTimeoutMs = 20000;

// Polls `condition` (every 20 ms) until it holds, true, or `timeoutMs` has
// passed, false. The condition is asked once more at the deadline.
bool waitUntil(const std::function<bool()>& condition, DWORD timeoutMs = kStateTimeoutMs);

}  // namespace e2e
