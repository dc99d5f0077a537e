#include "cli/LineWriter.h"

namespace {
constexpr WCHAR kReplacement = 0xFFFD;

// C0 and C1 controls with DEL between them (tab, LF, VT, FF, CR, the
// file/group/record separators, NEL U+0085), and the line and paragraph
// separators: each splits a line or a field for some common reader
// (Python's splitlines, .NET's ReadLine, JavaScript, editors).
bool breaksALine(WCHAR unit) { return unit < 0x20 || (unit >= 0x7F && unit <= 0x9F) || unit == 0x2028 || unit == 0x2029; }

void appendField(WideText& lines, WideView field) {
  for (WCHAR unit : field) lines.push_back(breaksALine(unit) ? kReplacement : unit);
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
