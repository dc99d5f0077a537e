#include "cli/JsonWriter.h"

#include "cli/WidePieces.h"

namespace {
bool isHighSurrogate(WCHAR unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool isLowSurrogate(WCHAR unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

void appendEscape(WideText& json, WCHAR unit) {
  AppendAscii(json, "\\u");
  AppendHex(json, unit, 4);
}

void appendMember(WideText& json, const char* name, const WideText& value) {
  AppendAscii(json, "\"");
  AppendAscii(json, name);
  AppendAscii(json, "\": ");
  json += JsonString(value);
  AppendAscii(json, ", ");
}
}  // namespace

WideText JsonString(const WideText& text) {
  WideText json;
  json.reserve(text.size() + 2);
  json.push_back('"');
  const size_t n = text.size();
  for (size_t i = 0; i < n; ++i) {
    const WCHAR unit = text[i];
    if (unit == '"' || unit == '\\') {
      json.push_back('\\');
      json.push_back(unit);
    } else if (unit < 0x20) {
      appendEscape(json, unit);
    } else if (isHighSurrogate(unit) && i + 1 < n && isLowSurrogate(text[i + 1])) {
      json.push_back(unit);
      json.push_back(text[++i]);
    } else if (isHighSurrogate(unit) || isLowSurrogate(unit)) {
      appendEscape(json, unit);
    } else {
      json.push_back(unit);
    }
  }
  json.push_back('"');
  return json;
}

WideText HolderRowsAsJson(const std::vector<HolderRow>& rows) {
  WideText json;
  AppendAscii(json, "[");
  for (size_t i = 0; i < rows.size(); ++i) {
    const HolderRow& row = rows[i];
    AppendAscii(json, i == 0 ? "\r\n  {\"pid\": " : ",\r\n  {\"pid\": ");
    AppendDecimal(json, row.pid);
    AppendAscii(json, ", ");
    appendMember(json, "process", row.processName);
    appendMember(json, "processPath", row.processPath);
    AppendAscii(json, "\"handle\": ");
    if (row.module) {
      AppendAscii(json, "null");
    } else {
      AppendDecimal(json, row.handleValue);
    }
    AppendAscii(json, row.module ? ", \"module\": true, \"path\": " : ", \"module\": false, \"path\": ");
    json += JsonString(row.path);
    AppendAscii(json, "}");
  }
  AppendAscii(json, rows.empty() ? "]\r\n" : "\r\n]\r\n");
  return json;
}
