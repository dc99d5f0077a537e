#pragma once
// A call that may block in the system, run on a small thread of its own and
// waited for with a slim lock and condition at most a limit. A call not done
// by then is abandoned, never killed: its thread keeps what it was given,
// ends when the call returns, and its answer is dropped.
//
// The call is handed a DeadlineTicket. A step that must not happen once the
// waiter has reported failure (closing something, say) is run through the
// ticket: the step is claimed under the lock the waiter takes to give up,
// then run outside it, so a step that blocks never holds the waiter past
// its limit. A step is therefore either never run (the waiter gave up
// first) or claimed before the waiter gave up; in the latter case the waiter
// learns so (`stepClaimed`) and must not report the step as not done, nor
// as done: it may still be running.

#include <memory>
#include <optional>
#include <utility>

#include "os/SlimLock.h"
#include "os/SmallThread.h"

struct DeadlineShared {
  SlimLock lock;
  SlimCondition changed;
  bool done = false;    // guarded by lock
  bool gaveUp = false;  // guarded by lock: the waiter no longer waits
  bool stepClaimed = false;  // guarded by lock: a step was claimed through the ticket
};

class DeadlineTicket {
 public:
  explicit DeadlineTicket(std::shared_ptr<DeadlineShared> shared) : shared_(std::move(shared)) {}

  // Runs `step` unless the waiter has given up; true when it ran. The lock
  // is held only for the claim: the step itself may block for good.
  template <typename Step>
  bool RunIfAwaited(Step step) {
    {
      const SlimLockGuard guard(shared_->lock);
      if (shared_->gaveUp) return false;
      shared_->stepClaimed = true;
    }
    step();
    return true;
  }

 private:
  std::shared_ptr<DeadlineShared> shared_;
};

// `call(DeadlineTicket&)` returns a Result. Empty when it did not answer
// within `limitMs`, or when no thread (or no memory for one) could be had;
// `stepClaimed`, when given, then tells whether its step was claimed before
// the waiter gave up (it may have happened, or be happening still).
//
// The call object lives on the call's thread until that thread ends, so
// whatever it holds (a place of a thread bound, say) is held as long.
template <typename Result, typename Call>
std::optional<Result> CallWithDeadline(DWORD limitMs, Call call, bool* stepClaimed = nullptr) {
  if (stepClaimed != nullptr) *stepClaimed = false;
  struct Shared : DeadlineShared {
    std::optional<Result> answer;  // guarded by lock
  };
  std::shared_ptr<Shared> shared;
  try {
    shared = std::make_shared<Shared>();
    const bool started = StartSmallThread([shared, call = std::move(call)]() mutable {
      DeadlineTicket ticket(shared);
      std::optional<Result> answer;
      try {
        answer = call(ticket);
      } catch (...) {
        // No answer: reads as failure.
      }
      const SlimLockGuard guard(shared->lock);
      if (shared->gaveUp) return;
      shared->answer = std::move(answer);
      shared->done = true;
      shared->changed.notifyAll();
    });
    if (!started) return std::nullopt;
  } catch (...) {
    return std::nullopt;  // no memory for the thread's share or its body
  }
  const auto deadline = SlimCondition::Clock::now() + std::chrono::milliseconds(limitMs);
  const SlimLockGuard guard(shared->lock);
  while (!shared->done && shared->changed.waitUntil(shared->lock, deadline)) {
  }
  if (!shared->done) {
    shared->gaveUp = true;
    if (stepClaimed != nullptr) *stepClaimed = shared->stepClaimed;
    return std::nullopt;
  }
  return std::move(shared->answer);
}
