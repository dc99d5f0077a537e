#include "scan/ResolverPool.h"

#include <atomic>
#include <utility>

#include "os/SlimLock.h"
#include "os/SmallThread.h"
#include "scan/HandleNaming.h"
#include "scan/PathQuery.h"
#include "scan/ScanLimits.h"

namespace {
// The scratch block for object names: most answers fit.
constexpr ULONG kNameScratch = 1024;

HANDLE handleFromValue(uint32_t value) { return reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(value)); }

// What one scan shares with its workers; lives until the last of them ends.
struct PoolShare {
  std::shared_ptr<HandleRecords> records;
  std::vector<RecordPlan> plans;
  std::shared_ptr<OwnerTable> owners;  // keeps the plans' owners, and their process handles, open
  std::atomic<std::size_t> cursor{0};
  std::atomic<bool> stopping{false};
  SlimLock lock;
  SlimCondition changed;
  int workersRunning = 0;   // guarded by lock
  bool handedOver = false;  // guarded by lock: the records are the caller's
};

class Worker {
 public:
  explicit Worker(PoolShare& share) : share_(share), scratch_(kNameScratch) {}

  void run() {
    for (;;) {
      if (share_.stopping.load()) break;
      const std::size_t index = share_.cursor.fetch_add(1);
      if (index >= share_.plans.size()) break;
      try {
        resolve(index);
      } catch (...) {
        // Out of memory, say: this record stays as it was queued.
      }
    }
  }

 private:
  PoolShare& share_;
  NativeBlock scratch_;
  PathQuery paths_;

  void resolve(std::size_t index) {
    const RecordPlan& plan = share_.plans[index];
    HandleRecord& record = (*share_.records)[index];
    const Owner& owner = *plan.owner;
    AnsiString name;
    if (owner.running && owner.canDuplicate && !owner.leftAlone && plan.method != NamingMethod::kNone) {
      name = nameHandle(owner, record.handleValue, plan.method);
    }
    const SlimLockGuard guard(share_.lock);
    if (share_.handedOver) return;
    record.processName = owner.imageName;
    record.processPath = owner.imagePath;
    record.ownerCreationTime = owner.creationTime;
    record.filePath = name;
  }

  AnsiString nameHandle(const Owner& owner, uint32_t handleValue, NamingMethod method) {
    // A duplicate that fails leaves handle 0, which the queries refuse: the
    // texts of process and thread handles then carry the ID 0.
    UniqueHandle local;
    Sys().DuplicateHandle(owner.process.get(), handleFromValue(handleValue), Sys().GetCurrentProcess(), local.put(),
                          0, FALSE, DUPLICATE_SAME_ACCESS);
    switch (method) {
      case NamingMethod::kProcess:
        return NameProcessHandle(local.get());
      case NamingMethod::kThread:
        return NameThreadHandle(local.get());
      case NamingMethod::kFile:
        return local ? paths_.Ask(std::move(local)) : AnsiString();
      case NamingMethod::kObject: {
        AnsiString name;
        NameObjectHandle(local.get(), name, scratch_);
        return name;
      }
      case NamingMethod::kNone:
        break;
    }
    return AnsiString();
  }
};

void workerMain(PoolShare& share) {
  {
    Worker worker(share);
    worker.run();
  }  // its query thread is told to end
  const SlimLockGuard guard(share.lock);
  --share.workersRunning;
  share.changed.notifyAll();
}

bool startWorker(const std::shared_ptr<PoolShare>& share) {
  if (!ReserveResolutionThread()) return false;
  {
    const SlimLockGuard guard(share->lock);
    ++share->workersRunning;
  }
  const bool started = StartSmallThread([share] {
    const ResolutionThreadPlace place;
    workerMain(*share);
  });
  if (!started) {
    ReleaseResolutionThread();
    const SlimLockGuard guard(share->lock);
    --share->workersRunning;
  }
  return started;
}

bool isRaised(const CancelByte* cancel) { return cancel != nullptr && cancel->load() != 0; }
}  // namespace

void ResolveRecords(const std::shared_ptr<HandleRecords>& records, std::vector<RecordPlan> plans,
                    const std::shared_ptr<OwnerTable>& owners, const CancelByte* cancel) {
  if (plans.empty()) return;
  const ScanLimits& limits = ScanLimitsInForce();
  auto share = std::make_shared<PoolShare>();
  share->records = records;
  share->plans = std::move(plans);
  share->owners = owners;
  const std::size_t wanted = std::min<std::size_t>(static_cast<std::size_t>(limits.workerCount()), share->plans.size());
  // A worker that cannot be started leaves its share to the others.
  for (std::size_t i = 0; i < wanted; ++i) startWorker(share);

  const SlimLockGuard guard(share->lock);
  while (share->workersRunning > 0) {
    if (isRaised(cancel)) {
      share->stopping.store(true);
      break;
    }
    share->changed.waitUntil(share->lock,
                             SlimCondition::Clock::now() + std::chrono::milliseconds(limits.cancelLookMs));
  }
  share->handedOver = true;
  // Every worker is done with the owners: their handles close with the
  // caller's table, not whenever the last worker thread lets go.
  if (share->workersRunning == 0) share->owners.reset();
}
