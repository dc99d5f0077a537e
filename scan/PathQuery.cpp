#include "scan/PathQuery.h"

#include <atomic>
#include <set>
#include <utility>
#include <vector>

#include "os/SlimLock.h"
#include "os/SmallThread.h"
#include "scan/HandleNaming.h"
#include "scan/ScanLimits.h"

namespace {
std::atomic<int> liveThreads{0};
// Stuck queries on one key after which it is left alone, by whether the
// table gave the object's address (see IsQueryStillHung).
constexpr std::size_t kStuckWithAddress = 1;
constexpr std::size_t kStuckWithoutAddress = 2;

// The handles whose abandoned query threads are still stuck in the system.
struct HungQueries {
  SlimLock lock;
  std::multiset<HungQueryKey> keys;
};

HungQueries& hungQueries() {
  static HungQueries hung;
  return hung;
}

void rememberHung(const HungQueryKey& key) {
  HungQueries& hung = hungQueries();
  const SlimLockGuard guard(hung.lock);
  try {
    hung.keys.insert(key);
  } catch (...) {
    // Out of memory: the handle is simply asked again next time.
  }
}

void forgetHung(const HungQueryKey& key) {
  HungQueries& hung = hungQueries();
  const SlimLockGuard guard(hung.lock);
  const auto found = hung.keys.find(key);
  if (found != hung.keys.end()) hung.keys.erase(found);
}
}  // namespace

ResolutionThreadPlace ResolutionThreadPlace::Reserve() {
  ResolutionThreadPlace place;
  int live = liveThreads.load();
  do {
    if (live >= ScanLimitsInForce().maxLiveThreads) return place;
  } while (!liveThreads.compare_exchange_weak(live, live + 1));
  place.held_ = true;
  return place;
}

bool IsQueryStillHung(const HungQueryKey& key) {
  HungQueries& hung = hungQueries();
  const SlimLockGuard guard(hung.lock);
  return hung.keys.count(key) >= (key.objectAddress != 0 ? kStuckWithAddress : kStuckWithoutAddress);
}

void ReleaseResolutionThread() { liveThreads.fetch_sub(1); }

int LiveResolutionThreads() { return liveThreads.load(); }

// What a worker and its query thread share. Everything but `buffer` is
// guarded by `lock`.
struct PathQuery::Slot {
  SlimLock lock;
  SlimCondition changed;
  UniqueHandle file;       // the handle asked about, until the thread takes it
  bool asked = false;      // a handle waits in `file`
  bool answered = false;   // `path` holds the answer to the last handle taken
  bool abandoned = false;  // the worker gave up on this thread: it ends after its call
  bool closing = false;    // the worker is done: the thread ends
  HungQueryKey key;        // the handle in `file`, or the one the thread is asking about
  SharedText path;
};

PathQuery::~PathQuery() {
  if (!slot_) return;
  SlimLockGuard guard(slot_->lock);
  slot_->closing = true;
  slot_->changed.notifyAll();
}

bool PathQuery::startThread() {
  if (exhausted_) return false;
  ResolutionThreadPlace place = ResolutionThreadPlace::Reserve();
  if (!place) {
    exhausted_ = true;
    return false;
  }
  auto slot = std::make_shared<Slot>();
  if (!StartSmallThread([slot, place = std::move(place)] { runQueries(slot); })) {
    exhausted_ = true;
    return false;
  }
  slot_ = std::move(slot);
  return true;
}

SharedText PathQuery::Ask(UniqueHandle file, const HungQueryKey& key) {
  if (!slot_ && !startThread()) {
    refused_ = true;
    return SharedText();
  }
  Slot& slot = *slot_;
  const auto deadline =
      SlimCondition::Clock::now() + std::chrono::milliseconds(ScanLimitsInForce().pathQueryMs);
  {
    SlimLockGuard guard(slot.lock);
    slot.file = std::move(file);
    slot.key = key;
    slot.asked = true;
    slot.answered = false;
    slot.changed.notifyAll();
    while (!slot.answered && slot.changed.waitUntil(slot.lock, deadline)) {
    }
    if (slot.answered) {
      slot.answered = false;
      return std::move(slot.path);
    }
    // Too late: whatever the thread finds from now on is its own. Until its
    // call returns, later scans leave this handle alone.
    slot.abandoned = true;
    rememberHung(slot.key);
    slot.changed.notifyAll();
  }
  slot_.reset();
  return SharedText();
}

void PathQuery::runQueries(const std::shared_ptr<Slot>& slot) {
  std::vector<WCHAR> buffer(kFinalPathUnits);
  for (;;) {
    UniqueHandle file;
    {
      SlimLockGuard guard(slot->lock);
      while (!slot->asked && !slot->closing && !slot->abandoned) slot->changed.wait(slot->lock);
      if (slot->abandoned) {
        forgetHung(slot->key);  // given up before the call was even made
        return;
      }
      if (!slot->asked) return;
      file = std::move(slot->file);
      slot->asked = false;
    }
    SharedText path;
    try {
      if (MayNameDiskFile(file.get())) path = QueryFinalPath(file.get(), buffer.data());
    } catch (...) {
      path = SharedText();  // out of memory: unnamed
    }
    // Closed before the answer goes out: once a worker has its answers, the
    // scan holds no handle it is not using.
    file.reset();
    {
      SlimLockGuard guard(slot->lock);
      if (slot->abandoned) {
        forgetHung(slot->key);
        return;
      }
      slot->path = std::move(path);
      slot->answered = true;
      slot->changed.notifyAll();
    }
  }
}
