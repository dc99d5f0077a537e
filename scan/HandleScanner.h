#pragma once
// One snapshot of every handle in the system, filtered by owner and type
// name, each kept handle resolved to its name and its owner's image name and
// path. A search costs about what the system's own answers cost: one table
// snapshot, one open per owner, one type query per type number (and one to
// confirm it), then one duplicate and one name query per kept handle, on a
// few long-lived workers. No path query is waited on longer than 100 ms,
// and no more than 96 threads do resolution work at once in the process.
//
// The engine reports by int results (1 success, 0 failure) and empty
// strings; it raises nothing of its own and shows nothing.

#include <cstdint>
#include <memory>
#include <vector>

#include "scan/CancelByte.h"
#include "scan/HandleRecord.h"
#include "text/AnsiString.h"


class HandleTableSnapshot;
class OwnerTable;
struct RecordPlan;

class HandleScanner {
 public:
  // ownerFilter -1 keeps every process; a null type name keeps every type.
  HandleScanner(int32_t ownerFilter, const char* typeName);
  ~HandleScanner();
  HandleScanner(const HandleScanner&) = delete;
  HandleScanner& operator=(const HandleScanner&) = delete;

  int SetTypeFilter(const char* typeName);
  // With a filter, Run also lists the loaded modules it keeps (ModuleScan.h),
  // after the handles; without one (the default), no modules.
  void SetModuleFilter(ModuleFilter keep) { moduleFilter_ = std::move(keep); }

  // Reads the handle table and resolves the kept handles. Returns 1, or 0
  // when no snapshot could be taken. A raised cancel byte makes it return
  // early, without waiting for slow queries.
  int Run(const CancelByte* cancel);

  // The records of the latest Run, in table order. Once Run has returned,
  // nothing else writes them: workers of a cancelled Run that are still
  // running keep the records alive (shared ownership) but drop their answers.
  const HandleRecords& records() const { return *records_; }

  // False when the latest Run left some handle unnamed, or some process's
  // modules unread, only because no thread could be had (the bound on
  // threads, or the system refusing one): the records may miss a holder. A
  // handle whose query merely timed out (a real system always has a few)
  // does not make a run incomplete.
  bool complete() const { return complete_; }

  int32_t ownerFilter() const { return ownerFilter_; }
  const AnsiString& typeFilter() const { return typeFilter_; }

 private:
  // The walk of the table: queues the entries that pass the filters, with
  // how each is to be resolved.
  void queueEntries(const HandleTableSnapshot& table, const CancelByte* cancel, uint32_t ownPid,
                    OwnerTable& owners, std::vector<RecordPlan>& plans);

  std::shared_ptr<HandleRecords> records_;
  int32_t ownerFilter_;
  AnsiString typeFilter_;
  ModuleFilter moduleFilter_;
  bool complete_ = true;
};
