#pragma once
// The second half of a scan: each queued record gets its owner's image name
// and path and its handle's name, on a few long-lived workers (as many as
// ScanLimits says) that take records by index from one atomic cursor. Each
// record is written only by the worker that took it. Every worker counts
// against the process's bound of resolution threads; a worker that cannot
// be had is simply not started (with none at all, the records stay as they
// were queued).
//
// ResolveRecords returns once every record is done, or, looking at the
// cancel byte every ScanLimits::cancelLookMs, at once when it is raised.
// Workers still running then keep the records, plans and owners alive
// (shared ownership) but drop their answers: from the return on, the
// records are the caller's alone.

#include <memory>
#include <vector>

#include "scan/CancelByte.h"
#include "scan/HandleRecord.h"
#include "scan/ObjectTypes.h"
#include "scan/OwnerTable.h"

// How record i of a scan is resolved: by which owner, in which way.
struct RecordPlan {
  const Owner* owner;
  NamingMethod method;
  uint64_t objectAddress;  // as the handle table gave it (0: not given)
};

// Returns false when the bound on threads left some record unnamed that
// could have been asked (no worker at all, or a path query refused for want
// of a thread); a query that merely timed out does not count.
bool ResolveRecords(const std::shared_ptr<HandleRecords>& records, std::vector<RecordPlan> plans,
                    const std::shared_ptr<OwnerTable>& owners, const CancelByte* cancel);
