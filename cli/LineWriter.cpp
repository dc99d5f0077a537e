#include "cli/LineWriter.h"

namespace {
constexpr WCHAR kReplacement = 0xFFFD;

void appendField(WideText& lines, WideView field) {
  for (WCHAR unit : field) lines.push_back(unit < 0x20 || unit == 0x7F ? kReplacement : unit);
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
