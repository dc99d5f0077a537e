#include "search/ResultListTexts.h"

#include "search/FileNamePart.h"
#include "search/PathComparison.h"

const char kSearchingStatus[] = "查找中...";
const char kModuleHandleText[] = "模块";

namespace {
const char kSearchFailed[] = "查找失败";
const char kSearchComplete[] = "查找完成";
const char kSearchIncomplete[] = "查找不完整";
const char kTargetHeldFormat[] = "%s 被占用了";
const char kTargetNotHeldFormat[] = "%s 没有被占用";
const char kRowCountFormat[] = "%d个文件";
}  // namespace

AnsiString HandleValueText(uint32_t handleValue) {
  AnsiString text;
  text.Format("0x%x", static_cast<unsigned>(handleValue));
  return text;
}

AnsiString ProcessIdText(uint32_t processId) {
  AnsiString text;
  text.Format("%d", static_cast<int>(processId));
  return text;
}

AnsiString RowCountText(int rows) {
  AnsiString text;
  text.Format(kRowCountFormat, rows);
  return text;
}

AnsiString SearchOutcomeText(const SearchOutcome& outcome) {
  if (!outcome.haveRecords) return AnsiString(kSearchFailed);
  if (!outcome.complete && (outcome.targetPath.IsEmpty() || !outcome.haveResults)) {
    return AnsiString(kSearchIncomplete);
  }
  if (outcome.targetPath.IsEmpty()) return AnsiString(kSearchComplete);
  AnsiString name = outcome.targetPath;
  if (outcome.targetIsFolder) name = name.Left(FolderNameLength(name));
  AnsiString text;
  text.Format(outcome.haveResults ? kTargetHeldFormat : kTargetNotHeldFormat, FileNamePart(name).GetString());
  return text;
}
