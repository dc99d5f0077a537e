#include "cli/LineWriter.h"

#include "cli/WidePieces.h"

namespace {
constexpr WCHAR kReplacement = 0xFFFD;

void appendField(WideText& lines, const WideText& field) {
  for (WCHAR unit : field) lines.push_back(unit < 0x20 || unit == 0x7F ? kReplacement : unit);
}
}  // namespace

WideText HolderRowsAsLines(const std::vector<HolderRow>& rows) {
  WideText lines;
  for (const HolderRow& row : rows) {
    AppendDecimal(lines, row.pid);
    lines.push_back('\t');
    appendField(lines, row.processName);
    lines.push_back('\t');
    if (row.module) {
      AppendAscii(lines, "module");
    } else {
      AppendAscii(lines, "0x");
      AppendHex(lines, row.handleValue);
    }
    lines.push_back('\t');
    appendField(lines, row.path);
    AppendAscii(lines, "\r\n");
  }
  return lines;
}
