#pragma once
// Files held as loaded modules: a program's own executable and the DLLs it
// has loaded cannot be deleted or replaced, though no handle names them.
// The module pass asks every process it can open (the own one excepted) for
// all its modules, on the scan's workers, and keeps those whose path the
// caller's filter keeps, as records of their own (`loadedModule`, handle
// value 0, the owner's name, path and start time), appended after the
// handle records in process-ID order. A process that cannot be opened or
// read is skipped, silently. A raised cancel byte ends the pass at once,
// appending nothing.
//
// Returns false when no worker could be had for a pass with processes to
// read (the bound on threads taken, or the system giving no thread): no
// module was read, so the answer is not complete. A started worker reads
// every process the others do not.

#include <functional>
#include <memory>

#include "scan/CancelByte.h"
#include "scan/HandleRecord.h"
#include "scan/native/ProcessList.h"

// `processes` is the scan's one read of the process list (names and IDs).
bool AppendModuleRecords(const std::shared_ptr<HandleRecords>& records, const ModuleFilter& keep,
                         const ProcessList& processes, const CancelByte* cancel);
