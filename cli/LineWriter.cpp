#include "cli/LineWriter.h"

namespace {
constexpr WCHAR kReplacement = 0xFFFD;

void appendField(WideText& lines, WideView field) {
  for (WCHAR unit : field) lines.push_back(unit < 0x20 || unit == 0x7F ? kReplacement : unit);
}

WideText handleField(const HandleRecord& holder) {
  switch (KindOf(holder)) {
    case HolderKind::kModule:
      return WTEXT("module");
    case HolderKind::kUnreadable:
      return WTEXT("?");
    case HolderKind::kRemote:
      return WTEXT("remote");
    default:
      return WTEXT("0x") + HexText(holder.handleValue);
  }
}
}  // namespace

WideText HoldersAsLines(const std::vector<HandleRecord>& holders) {
  WideText lines;
  for (const HandleRecord& holder : holders) {
    // A remote open has no process: its field is empty, its user stands as the name.
    if (KindOf(holder) != HolderKind::kRemote) lines += DecimalText(holder.ownerPid);
    lines += '\t';
    appendField(lines, holder.processName);
    lines += '\t';
    lines += handleField(holder);
    lines += '\t';
    appendField(lines, holder.filePath);
    lines += WTEXT("\r\n");
  }
  return lines;
}
