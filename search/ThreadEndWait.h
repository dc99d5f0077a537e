#pragma once
// Waiting, on a thread that owns windows, for another thread that may be
// sending messages to those windows.

#include <atomic>
#include <cstdint>

// Returns once `ended` is non-zero. On Windows the messages sent to the
// calling thread's windows meanwhile are served, so a sender blocked on them
// can go on and reach its end; elsewhere there are no such senders and the
// caller's join does the waiting.
void WaitForThreadEnd(const std::atomic<uint8_t>& ended);
