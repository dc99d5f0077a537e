#pragma once
// A call that may block in the system, run on a small thread of its own and
// waited for with a slim lock and condition at most a limit. A call not done
// by then is abandoned, never killed: its thread keeps what it was given,
// ends when the call returns, and its answer is dropped.
//
// The call is handed a DeadlineTicket. A step that must not happen once the
// waiter has reported failure (closing something, say) is run through the
// ticket: the check that the waiter still waits and the step are made under
// the lock the waiter takes to give up, so the step happens either before
// the waiter gives up (and is reported) or not at all.

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
  bool stepRan = false; // guarded by lock: a step went through the ticket
};

class DeadlineTicket {
 public:
  explicit DeadlineTicket(std::shared_ptr<DeadlineShared> shared) : shared_(std::move(shared)) {}

  // Runs `step` unless the waiter has given up; true when it ran.
  template <typename Step>
  bool RunIfAwaited(Step step) {
    const SlimLockGuard guard(shared_->lock);
    if (shared_->gaveUp) return false;
    shared_->stepRan = true;
    step();
    return true;
  }

 private:
  std::shared_ptr<DeadlineShared> shared_;
};

// `call(DeadlineTicket&)` returns a Result. Empty when it did not answer
// within `limitMs`, or when no thread (or no memory for one) could be had;
// `stepRan`, when given, then tells whether its step went through before
// the waiter gave up.
template <typename Result, typename Call>
std::optional<Result> CallWithDeadline(DWORD limitMs, Call call, bool* stepRan = nullptr) {
  if (stepRan != nullptr) *stepRan = false;
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
    if (stepRan != nullptr) *stepRan = shared->stepRan;
    return std::nullopt;
  }
  return std::move(shared->answer);
}
