#include "scan/ResolverPool.h"

#include <atomic>
#include <utility>

#include "scan/HandleNaming.h"
#include "scan/PathQuery.h"
#include "scan/ScanLimits.h"
#include "scan/ResolutionThreads.h"

namespace {
// The scratch block for object names: most answers fit.
constexpr ULONG kNameScratch = 1024;

// What the pass shares with its workers; lives until the last of them ends.
struct PoolShare {
  std::shared_ptr<HandleRecords> records;
  std::vector<RecordPlan> plans;
  std::shared_ptr<OwnerTable> owners;  // keeps the plans' owners, and their process handles, open
  std::atomic<std::size_t> cursor{0};
  std::atomic<bool> refused{false};  // some query was refused for want of a thread
  std::shared_ptr<ResolutionThreads> crew = std::make_shared<ResolutionThreads>();
};

// The naming loop of one resolution thread: takes records by index and names them.
class RecordNamer {
 public:
  explicit RecordNamer(PoolShare& share) : share_(share), scratch_(kNameScratch) {}

  void run() {
    while (!share_.crew->stopping()) {
      const std::size_t index = share_.cursor.fetch_add(1);
      if (index >= share_.plans.size()) break;
      try {
        resolve(index);
      } catch (...) {
        // Out of memory, say: this record stays as it was queued.
      }
    }
    if (paths_.refusedAny()) share_.refused.store(true);
  }

 private:
  PoolShare& share_;
  NativeBlock scratch_;
  PathQuery paths_;

  void resolve(std::size_t index) {
    const RecordPlan& plan = share_.plans[index];
    HandleRecord& record = (*share_.records)[index];
    const Owner& owner = *plan.owner;
    SharedText name;
    if (owner.running && owner.canDuplicate && !owner.leftAlone && plan.method != NamingMethod::kNone) {
      name = nameHandle(owner, record, plan);
    }
    share_.crew->deliver([&] {
      record.processName = owner.imageName;
      record.processPath = owner.imagePath;
      record.ownerCreationTime = owner.creationTime;
      record.filePath = name;
    });
  }

  // Only the path query (and the file type screening with it) can reach a
  // foreign file object's lock. The duplicate does not: it copies a
  // reference in the object manager. Process and thread IDs are read from
  // the kernel's process and thread objects, and other objects' names from
  // the object manager's own name record: none of them waits on a file.
  SharedText nameHandle(const Owner& owner, const HandleRecord& record, const RecordPlan& plan) {
    const uint32_t handleValue = record.handleValue;
    const NamingMethod method = plan.method;
    const HungQueryKey key{owner.pid, owner.creationTime, handleValue, plan.objectAddress, record.grantedAccess};
    // Still stuck from an earlier scan: not even duplicated again.
    if (method == NamingMethod::kFile && IsQueryStillHung(key)) return SharedText();
    // A duplicate that fails leaves handle 0, which the queries refuse: the
    // texts of process and thread handles then carry the ID 0.
    UniqueHandle local;
    Sys().DuplicateHandle(owner.process.get(), HandleFromValue(handleValue), Sys().GetCurrentProcess(), local.put(),
                          0, FALSE, DUPLICATE_SAME_ACCESS);
    switch (method) {
      case NamingMethod::kProcess:
        return NameProcessHandle(local.get());
      case NamingMethod::kThread:
        return NameThreadHandle(local.get());
      case NamingMethod::kFile:
        if (!local) return SharedText();
        return paths_.Ask(std::move(local), key);
      case NamingMethod::kObject: {
        SharedText name;
        NameObjectHandle(local.get(), name, scratch_);
        return name;
      }
      case NamingMethod::kNone:
        break;
    }
    return SharedText();
  }
};
}  // namespace

bool ResolveRecords(const std::shared_ptr<HandleRecords>& records, std::vector<RecordPlan> plans,
                    const std::shared_ptr<OwnerTable>& owners, const CancelByte* cancel) {
  if (plans.empty()) return true;
  auto share = std::make_shared<PoolShare>();
  share->records = records;
  share->plans = std::move(plans);
  share->owners = owners;
  const std::size_t wanted =
      std::min<std::size_t>(static_cast<std::size_t>(ScanLimitsInForce().workerCount()), share->plans.size());
  const std::size_t started = share->crew->start(wanted, [share] {
    RecordNamer namer(*share);
    namer.run();
  });  // the worker's query thread is told to end as the worker goes
  if (share->crew->waitOrCancel(cancel)) {
    // Every worker is done with the owners: their handles close with the
    // caller's table, not whenever the last worker thread lets go.
    share->owners.reset();
  }
  return started > 0 && !share->refused.load();
}
