#pragma once
// What one scan shares with its record workers. Workers hold it by shared
// ownership, so that a cancelled scan can return without waiting for them:
// the counter, the cancel state and the records stay alive until the last
// worker has ended. The workers never read the caller's cancel byte, which
// may be gone by then; the scan copies a raised byte into `cancel`.
//
// Once the scan has returned, its records belong to the caller alone: a
// worker that finishes later drops its answer instead of writing into a
// record that the caller may be reading.

#include <memory>
#include <mutex>

#include "scan/HandleScanner.h"
#include "scan/InFlightCounter.h"

class ScanShare {
 public:
  explicit ScanShare(std::shared_ptr<HandleRecords> records) : records_(std::move(records)) {}

  InFlightCounter inFlight{0};
  CancelByte cancel{0};

  // Stores a worker's answer unless the scan has already returned.
  void storeFilePath(HandleRecord& record, const AnsiString& path) {
    const std::lock_guard<std::mutex> lock(recordsLock_);
    if (!recordsHandedOver_) record.filePath = path;
  }
  // Called by the scan as it returns.
  void handOverRecords() {
    const std::lock_guard<std::mutex> lock(recordsLock_);
    recordsHandedOver_ = true;
  }

 private:
  std::shared_ptr<HandleRecords> records_;  // keeps every worker's record alive
  std::mutex recordsLock_;
  bool recordsHandedOver_ = false;
};
