#pragma once
// The thread body that resolves one record's handle into its filePath, when
// the owner still runs and the scan has not been cancelled.

#include <memory>

#include "scan/WorkerArgs.h"

void RecordWorker(std::unique_ptr<WorkerArgs> args);

// The same as a thread entry: takes over the heap-allocated WorkerArgs.
void RecordWorkerEntry(void* args);
