#include "scan/ResolutionThreads.h"

#include "os/SmallThread.h"
#include "scan/PathQuery.h"
#include "scan/ScanLimits.h"

std::size_t ResolutionThreads::start(std::size_t count, const std::function<void()>& body) {
  std::size_t started = 0;
  for (std::size_t i = 0; i < count; ++i) {
    ResolutionThreadPlace place = ResolutionThreadPlace::Reserve();
    if (!place) break;
    {
      const SlimLockGuard guard(lock_);
      ++running_;
    }
    bool ok = false;
    try {
      ok = StartSmallThread([crew = shared_from_this(), body, place = std::move(place)] {
        try {
          body();
        } catch (...) {
          // Whatever it had not delivered stays as it was.
        }
        const SlimLockGuard guard(crew->lock_);
        --crew->running_;
        crew->changed_.notifyAll();
      });
    } catch (...) {
      // No memory for the body: its place has gone back with it.
    }
    if (!ok) {
      const SlimLockGuard guard(lock_);
      --running_;
      continue;  // another may still start
    }
    ++started;
  }
  return started;
}

bool ResolutionThreads::waitOrCancel(const CancelByte* cancel) {
  const DWORD look = ScanLimitsInForce().cancelLookMs;
  const SlimLockGuard guard(lock_);
  bool ended = true;
  while (running_ > 0) {
    if (IsRaised(cancel)) {
      stopping_.store(true);
      ended = false;
      break;
    }
    changed_.waitUntil(lock_, SlimCondition::Clock::now() + std::chrono::milliseconds(look));
  }
  handedOver_ = true;
  return ended;
}
