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
}  // namespace

WideText HoldersAsLines(const std::vector<HandleRecord>& holders) {
  WideText lines;
  for (const HandleRecord& holder : holders) {
    lines += DecimalText(holder.ownerPid);
    lines += '\t';
    appendField(lines, holder.processName);
    lines += '\t';
    lines += holder.loadedModule ? WideText(WTEXT("module")) : WTEXT("0x") + HexText(holder.handleValue);
    lines += '\t';
    appendField(lines, holder.filePath);
    lines += WTEXT("\r\n");
  }
  return lines;
}
