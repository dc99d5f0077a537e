#include "scan/HandleScanner.h"

#include <vector>

#include "scan/ModuleScan.h"
#include "scan/ObjectTypes.h"
#include "scan/OwnerTable.h"
#include "scan/ResolverPool.h"
#include "scan/native/HandleTableSnapshot.h"
#include "scan/native/NativeApi.h"

namespace {
constexpr int32_t kEveryProcess = -1;
// Before Windows 2000, process 2 holds desktop handles (type 16, no
// attribute flags) that are not to be touched.
constexpr DWORD kFirstVersionWithoutDesktopRule = 5;
constexpr uint32_t kDesktopRuleOwner = 2;
// The scratch block for type answers: every real one fits.
constexpr ULONG kTypeScratch = 1024;

// Learns the type of a table entry: the entry's own answer, through a
// duplicate when another process holds it. False when it cannot be asked.
class TypeLearner {
 public:
  explicit TypeLearner(TypeNameMap& types) : types_(types), scratch_(kTypeScratch) {}

  bool ask(const HandleTableRow& row, const Owner* owner, AnsiString& typeName) {
    UniqueHandle duplicate;
    HANDLE handle = HandleFromValue(row.handleValue);
    if (owner != nullptr) {
      if (!owner->canDuplicate) return false;
      if (Sys().DuplicateHandle(owner->process.get(), handle, Sys().GetCurrentProcess(), duplicate.put(), 0, FALSE,
                                DUPLICATE_SAME_ACCESS) == FALSE) {
        return false;
      }
      handle = duplicate.get();
    }
    // The type is read from the object's header by the object manager: the
    // question never reaches a file's lock, so it needs no deadline.
    if (QueryTypeName(handle, typeName, scratch_) == 0) return false;
    types_.Learn(row.typeNumber, typeName);
    return true;
  }

 private:
  TypeNameMap& types_;
  NativeBlock scratch_;
};
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
  complete_ = true;
  const DWORD ownPid = Sys().GetCurrentProcessId();
  if (NativeApi.allPresent == 0) return 0;
  auto owners = std::make_shared<OwnerTable>();
  std::vector<RecordPlan> plans;
  {
    HandleTableSnapshot table;
    if (table.Read() != HandleTableSnapshot::Outcome::kRead) return 0;
    queueEntries(table, cancel, ownPid, *owners, plans);
  }  // the table's block goes before the names come
  if (IsRaised(cancel)) return 1;
  owners->Describe(cancel);
  if (IsRaised(cancel)) return 1;
  complete_ = ResolveRecords(records_, std::move(plans), owners, cancel);
  if (moduleFilter_ && !IsRaised(cancel) &&
      !AppendModuleRecords(records_, moduleFilter_, owners->processes(), cancel)) {
    complete_ = false;  // some process's modules went unread for want of a thread
  }
  return 1;
}

void HandleScanner::queueEntries(const HandleTableSnapshot& table, const CancelByte* cancel, uint32_t ownPid,
                                 OwnerTable& owners, std::vector<RecordPlan>& plans) {
  TypeNameMap types;
  TypeLearner learner(types);
  // The own process's handles teach the type map first, before any other
  // process's handle is duplicated to be asked: they answer without a
  // duplicate, and a number they settle is never asked through another
  // process's handle. This keeps a console program on its console under
  // Wine, where closing a duplicate of any process's console connection (a
  // "Device" handle there) detaches the closing process from its own
  // console: a process that writes to a console holds at least two such
  // handles itself (its connection and a standard handle), which settle
  // the number before another process's connection could be duplicated.
  for (std::size_t i = 0; i < table.count(); ++i) {
    const HandleTableRow row = table.row(i);
    if (row.ownerPid != ownPid || types.SettledName(row.typeNumber) != nullptr) continue;
    AnsiString typeName;
    learner.ask(row, nullptr, typeName);
  }
  const bool filtered = !typeFilter_.IsEmpty();
  for (std::size_t i = 0; i < table.count(); ++i) {
    if (IsRaised(cancel)) break;
    const HandleTableRow row = table.row(i);
    if (OsMajorVersion < kFirstVersionWithoutDesktopRule && row.ownerPid == kDesktopRuleOwner &&
        row.typeNumber == kDesktopTypeNumber && row.attributes == 0) {
      continue;
    }
    if (ownerFilter_ != kEveryProcess && static_cast<uint32_t>(ownerFilter_) != row.ownerPid) continue;
    if (row.ownerPid == ownPid) continue;  // never queued; its handles taught the type map above
    // A handle of a confirmed other type costs nothing at all.
    const AnsiString* settled = types.SettledName(row.typeNumber);
    if (filtered && settled != nullptr && *settled != typeFilter_) continue;
    Owner& owner = owners.Open(row.ownerPid);
    // Only a number whose handles disagreed, or that is not yet confirmed,
    // is asked through this handle.
    AnsiString typeName;
    bool typeKnown = false;
    if (settled != nullptr) {
      typeName = *settled;
      typeKnown = owner.canDuplicate;  // a handle that cannot be reached fails the filter as before
    } else {
      typeKnown = learner.ask(row, &owner, typeName);
    }
    if (filtered && (!typeKnown || typeName != typeFilter_)) continue;

    HandleRecord record;
    record.ownerPid = row.ownerPid;
    record.typeNumber = static_cast<uint8_t>(row.typeNumber);
    record.attributes = 0;
    record.handleValue = row.handleValue;
    record.grantedAccess = row.grantedAccess;
    records_->push_back(record);
    plans.push_back(
        RecordPlan{&owner, typeKnown ? NamingMethodFor(typeName) : NamingMethod::kNone, row.objectAddress});
    owner.holdsRecords = true;
  }
}
