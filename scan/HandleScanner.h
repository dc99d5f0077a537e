#pragma once
// One snapshot of every handle in the system, filtered by owner and type
// name, each kept handle resolved to its name and its owner's image name and
// path (Run's second phase fans the work out over short-lived threads).
//
// The engine reports by int results (1 success, 0 failure) and empty
// strings; it raises nothing of its own and shows nothing.

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>

#include "scan/HandleRecord.h"
#include "text/AnsiString.h"

// The caller's cancel byte: any non-zero value asks a scan to stop.
using CancelByte = std::atomic<uint8_t>;
using HandleRecords = std::deque<HandleRecord>;

class HandleScanner {
 public:
  // ownerFilter -1 keeps every process; a null type name keeps every type.
  HandleScanner(int32_t ownerFilter, const char* typeName);
  ~HandleScanner();
  HandleScanner(const HandleScanner&) = delete;
  HandleScanner& operator=(const HandleScanner&) = delete;

  int SetTypeFilter(const char* typeName);

  // Reads the handle table and resolves the kept handles. Returns 1, or 0
  // when no snapshot could be taken. A raised cancel byte makes it return
  // early, without waiting for slow queries.
  int Run(const CancelByte* cancel);

  // The records of the latest Run, in table order. After a cancelled Run,
  // workers still running may yet fill in filePath; the records stay alive
  // (shared ownership) until the last of them has ended.
  const HandleRecords& records() const { return *records_; }

  int32_t ownerFilter() const { return ownerFilter_; }
  const AnsiString& typeFilter() const { return typeFilter_; }

 private:
  std::shared_ptr<HandleRecords> records_;
  int32_t ownerFilter_;
  AnsiString typeFilter_;
};
