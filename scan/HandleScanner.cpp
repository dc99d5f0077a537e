#include "scan/HandleScanner.h"

// Interim: the scan itself comes with the engine.
HandleScanner::HandleScanner(int32_t ownerFilter, const char* typeName)
    : records_(std::make_shared<HandleRecords>()), ownerFilter_(ownerFilter), typeFilter_(typeName) {}

HandleScanner::~HandleScanner() = default;

int HandleScanner::SetTypeFilter(const char* typeName) {
  typeFilter_ = typeName;
  return 1;
}

int HandleScanner::Run(const CancelByte*) {
  records_ = std::make_shared<HandleRecords>();
  return 0;
}
