#include "search/ResultListTexts.h"

#include "search/FileNamePart.h"
#include "search/PathComparison.h"

const WCHAR kSearchingStatus[] = WTEXT("查找中...");
const WCHAR kModuleHandleText[] = WTEXT("模块");
const WCHAR kUnreadableHandleText[] = WTEXT("未知");
const WCHAR kRemoteHandleText[] = WTEXT("远程");

namespace {
const WCHAR kSearchFailed[] = WTEXT("查找失败");
const WCHAR kSearchComplete[] = WTEXT("查找完成");
const WCHAR kSearchIncomplete[] = WTEXT("查找不完整");
// "%s 被占用了" and "%s 没有被占用": the name, then these.
const WCHAR kTargetHeldSuffix[] = WTEXT(" 被占用了");
const WCHAR kTargetNotHeldSuffix[] = WTEXT(" 没有被占用");
// "%d个文件": the number, then this.
const WCHAR kRowCountSuffix[] = WTEXT("个文件");
// "<user>(远程)": the user's name, then this.
const WCHAR kRemoteUserSuffix[] = WTEXT("(远程)");
}  // namespace

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

WideText SearchOutcomeText(const SearchOutcome& outcome) {
  if (!outcome.haveRecords) return kSearchFailed;
  if (!outcome.complete && (outcome.targetPath.empty() || !outcome.haveResults)) return kSearchIncomplete;
  if (outcome.targetPath.empty()) return kSearchComplete;
  WideView name = outcome.targetPath;
  if (outcome.targetIsFolder) name = name.substr(0, static_cast<std::size_t>(FolderNameLength(name)));
  WideText text(FileNamePart(name));
  text += outcome.haveResults ? kTargetHeldSuffix : kTargetNotHeldSuffix;
  return text;
}
