#pragma once
// The arguments of one record worker, owned by the worker once it has
// started and freed when it ends.

#include <memory>

#include "scan/HandleRecord.h"
#include "scan/ScanShare.h"

struct WorkerArgs {
  std::shared_ptr<ScanShare> share;  // the counter, the cancel state, the records
  HandleRecord* record;              // the worker's own record, inside the share's records
};
