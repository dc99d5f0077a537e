#include "scan/HandleScanner.h"

#include "scan/ObjectTypeTable.h"
#include "scan/QueryTypeName.h"
#include "scan/ResolutionFanOut.h"
#include "scan/native/HandleTableSnapshot.h"
#include "scan/native/NativeApi.h"

namespace {
constexpr int32_t kEveryProcess = -1;
// Before Windows 2000, process 2 holds desktop handles (type 16, no
// attribute flags) that are not to be touched.
constexpr DWORD kFirstVersionWithoutDesktopRule = 5;
constexpr uint32_t kDesktopRuleOwner = 2;

bool isRaised(const CancelByte* cancel) { return cancel != nullptr && cancel->load() != 0; }
}  // namespace

HandleScanner::HandleScanner(int32_t ownerFilter, const char* typeName)
    : records_(std::make_shared<HandleRecords>()), ownerFilter_(ownerFilter), typeFilter_(typeName) {}

HandleScanner::~HandleScanner() = default;

int HandleScanner::SetTypeFilter(const char* typeName) {
  typeFilter_ = typeName;
  return 1;
}

int HandleScanner::Run(const CancelByte* cancel) {
  // A fresh queue: workers of an earlier, cancelled run keep the old one.
  records_ = std::make_shared<HandleRecords>();
  const DWORD ownPid = Sys().GetCurrentProcessId();
  int result = 1;
  if (NativeApi.allPresent == 0) return 0;
  {
    HandleTableSnapshot table;
    switch (table.Read()) {
      case HandleTableSnapshot::Outcome::kNoMemory:
        return 0;
      case HandleTableSnapshot::Outcome::kFailed:
        result = 0;
        break;
      case HandleTableSnapshot::Outcome::kRead:
        queueEntries(table, cancel, ownPid);
        break;
    }
  }
  return ResolveRecords(records_, cancel, result);
}

void HandleScanner::queueEntries(const HandleTableSnapshot& table, const CancelByte* cancel, uint32_t ownPid) {
  for (std::size_t i = 0; i < table.count(); ++i) {
    if (isRaised(cancel)) break;
    const HandleTableRow row = table.row(i);
    if (OsMajorVersion < kFirstVersionWithoutDesktopRule && row.ownerPid == kDesktopRuleOwner &&
        row.typeNumber == kDesktopTypeNumber && row.attributes == 0) {
      continue;
    }
    if (ownerFilter_ != kEveryProcess && static_cast<uint32_t>(ownerFilter_) != row.ownerPid) continue;
    if (!typeFilter_.IsEmpty()) {
      // Asked even of the own handles, which are dropped only afterwards.
      AnsiString typeName;
      if (QueryTypeName(row.handleValue, typeName, row.ownerPid) == 0 || typeName != typeFilter_) continue;
    }
    HandleRecord record;
    record.ownerPid = row.ownerPid;
    record.typeNumber = static_cast<uint8_t>(row.typeNumber);
    record.attributes = 0;
    record.handleValue = row.handleValue;
    record.grantedAccess = row.grantedAccess;
    if (record.ownerPid == ownPid) continue;
    records_->push_back(record);
  }
}
