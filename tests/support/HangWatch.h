#pragma once
// Whether a call returns while the fake system's hangs still hold: the call
// runs on a thread of its own, is waited for (a condition, no fixed sleep)
// for a patience far beyond any deadline of the engine, and then the hangs
// are released so that a call stuck behind one ends and the test fails
// instead of hanging.
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "fakes/FakeSystem.h"

constexpr std::chrono::seconds kHangPatience{60};

template <typename Call>
bool EndsWhileHangsHold(FakeSystem& system, Call call) {
  std::mutex lock;
  std::condition_variable changed;
  bool ended = false;
  std::thread caller([&] {
    call();
    const std::lock_guard<std::mutex> guard(lock);
    ended = true;
    changed.notify_all();
  });
  bool inTime = false;
  {
    std::unique_lock<std::mutex> guard(lock);
    inTime = changed.wait_for(guard, kHangPatience, [&] { return ended; });
  }
  system.releaseHangs();
  caller.join();
  return inTime;
}
