#pragma once
// The second phase of a scan: fills each record's owner name and path, then
// resolves its handle on a short-lived worker thread of its own, at most
// kMaxInFlight at once. Returns `result` once every worker has ended, or at
// once when the caller's cancel byte is raised (workers still running then
// drop their answers).

#include <memory>

#include "scan/HandleScanner.h"

int ResolveRecords(const std::shared_ptr<HandleRecords>& records, const CancelByte* cancel, int result);
