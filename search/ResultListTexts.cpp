#include "search/ResultListTexts.h"

#include "search/FileNamePart.h"
#include "search/PathComparison.h"
#include "text/WindowTexts.h"

WideText HandleValueText(uint32_t handleValue) { return WideFromAscii("0x") + HexText(handleValue); }

WideText ProcessIdText(uint32_t processId) { return DecimalText(static_cast<int32_t>(processId)); }

WideText HandleColumnText(const HandleRecord& row) {
  switch (KindOf(row)) {
    case HolderKind::kModule:
      return kModuleHandleText;
    case HolderKind::kUnreadable:
      return kUnreadableHandleText;
    case HolderKind::kRemote:
      return kRemoteHandleText;
    default:
      return HandleValueText(row.handleValue);
  }
}

WideText ProcessIdColumnText(const HandleRecord& row) {
  return KindOf(row) == HolderKind::kRemote ? WideText() : ProcessIdText(row.ownerPid);
}

WideText ProcessNameColumnText(const HandleRecord& row) {
  WideText name = row.processName.ToWide();
  if (KindOf(row) == HolderKind::kRemote) name += kRemoteUserSuffix;
  return name;
}

WideText RowCountText(int rows) { return DecimalText(rows) + kRowCountSuffix; }

WideText FilterStatusText(WideView filter) {
  return filter.empty() ? WideText() : kFilterStatusPrefix + WideText(filter);
}

WideText SearchOutcomeText(const SearchOutcome& outcome) {
  if (!outcome.haveRecords) return kSearchFailedStatus;
  if (!outcome.complete && (outcome.targetPath.empty() || !outcome.haveResults)) return kSearchIncompleteStatus;
  if (outcome.targetPath.empty()) return kSearchCompleteStatus;
  WideView name = outcome.targetPath;
  if (outcome.targetIsFolder) name = name.substr(0, static_cast<std::size_t>(FolderNameLength(name)));
  WideText text(FileNamePart(name));
  text += outcome.haveResults ? kTargetHeldSuffix : kTargetNotHeldSuffix;
  return text;
}
