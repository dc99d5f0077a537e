#pragma once
// A lock and a condition variable that cost no kernel round trip: on Windows
// an SRW lock and a condition variable (under Wine both are futexes, while
// events and waits on handles each ask the Wine server), on the host the
// standard library's. Neither can fail or throw; neither is copyable.
//
// Waits may wake early or spuriously: callers wait in a loop on their own
// condition, each wait bounded by a deadline of their own.

#include <chrono>
#include <cstdint>

#ifdef _WIN32
#include <windows.h>
#else
#include <condition_variable>
#include <mutex>
#endif

class SlimLock {
 public:
  SlimLock() = default;
  SlimLock(const SlimLock&) = delete;
  SlimLock& operator=(const SlimLock&) = delete;

#ifdef _WIN32
  void lock() { ::AcquireSRWLockExclusive(&lock_); }
  void unlock() { ::ReleaseSRWLockExclusive(&lock_); }

 private:
  friend class SlimCondition;
  SRWLOCK lock_ = SRWLOCK_INIT;
#else
  void lock() { lock_.lock(); }
  void unlock() { lock_.unlock(); }

 private:
  friend class SlimCondition;
  std::mutex lock_;
#endif
};

// Holds a SlimLock for its scope.
class SlimLockGuard {
 public:
  explicit SlimLockGuard(SlimLock& lock) : lock_(lock) { lock_.lock(); }
  ~SlimLockGuard() { lock_.unlock(); }
  SlimLockGuard(const SlimLockGuard&) = delete;
  SlimLockGuard& operator=(const SlimLockGuard&) = delete;

 private:
  SlimLock& lock_;
};

class SlimCondition {
 public:
  using Clock = std::chrono::steady_clock;

  SlimCondition() = default;
  SlimCondition(const SlimCondition&) = delete;
  SlimCondition& operator=(const SlimCondition&) = delete;

  void notifyAll() {
#ifdef _WIN32
    ::WakeAllConditionVariable(&condition_);
#else
    condition_.notify_all();
#endif
  }

  // With `lock` held: releases it, sleeps until notified (or spuriously),
  // and takes it again.
  void wait(SlimLock& lock) {
#ifdef _WIN32
    ::SleepConditionVariableSRW(&condition_, &lock.lock_, INFINITE, 0);
#else
    std::unique_lock<std::mutex> held(lock.lock_, std::adopt_lock);
    condition_.wait(held);
    held.release();
#endif
  }

  // The same, but waking at `deadline` at the latest. Returns false once the
  // deadline has passed.
  bool waitUntil(SlimLock& lock, Clock::time_point deadline) {
    const auto now = Clock::now();
    if (now >= deadline) return false;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now).count() + 1;
#ifdef _WIN32
    ::SleepConditionVariableSRW(&condition_, &lock.lock_, static_cast<DWORD>(left), 0);
#else
    std::unique_lock<std::mutex> held(lock.lock_, std::adopt_lock);
    condition_.wait_for(held, std::chrono::milliseconds(left));
    held.release();
#endif
    return Clock::now() < deadline;
  }

 private:
#ifdef _WIN32
  CONDITION_VARIABLE condition_ = CONDITION_VARIABLE_INIT;
#else
  std::condition_variable condition_;
#endif
};
