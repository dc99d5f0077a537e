#pragma once
// The few long-lived resolution threads of one scan pass and the pass's wait
// for them. Every one holds one place of the process's bound on resolution threads
// (PathQuery.h) from its start to its end; one that cannot be had is
// simply not started. The pass waits on a slim condition, looking at its
// cancel byte every ScanLimits::cancelLookMs, and returns at once when it is
// raised; from its return on, the work is the caller's alone: a thread
// delivers its answers only through deliver(), which drops them after that.
//
// Held by shared ownership by the pass and by each thread, so a cancelled
// pass can return while threads are still blocked in a system call.

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>

#include "os/SlimLock.h"
#include "scan/CancelByte.h"
#include "scan/HandleRecord.h"

class ResolutionThreads : public std::enable_shared_from_this<ResolutionThreads> {
 public:
  // Starts up to `count` threads, each running `body` once; returns how
  // many started. `body` holds what it uses by shared ownership.
  std::size_t start(std::size_t count, const std::function<void()>& body);

  // Waits until every started thread has ended (true), or until the cancel
  // byte is raised (false, and stopping() turns true). Either way the work
  // is handed over to the caller.
  bool waitOrCancel(const CancelByte* cancel);

  // True once a cancelled pass has returned: threads take no more work.
  bool stopping() const { return stopping_.load(); }

  // Runs `write` under the crew's lock unless the work has been handed over.
  template <typename Write>
  void deliver(Write write) {
    const SlimLockGuard guard(lock_);
    if (!handedOver_) write();
  }

 private:
  SlimLock lock_;
  SlimCondition changed_;
  int running_ = 0;          // guarded by lock_
  bool handedOver_ = false;  // guarded by lock_
  std::atomic<bool> stopping_{false};
};
