#include "cli/JsonWriter.h"

namespace {
bool isHighSurrogate(WCHAR unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool isLowSurrogate(WCHAR unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// "\u" and four hexadecimal digits.
void appendEscape(WideText& json, WCHAR unit) {
  const WideText digits = HexText(unit);
  json += WTEXT("\\u");
  json.append(4 - digits.size(), '0');
  json += digits;
}

void appendMember(WideText& json, const WCHAR* name, WideView value) {
  json += '"';
  json += name;
  json += WTEXT("\": ");
  json += JsonString(value);
  json += WTEXT(", ");
}

const WCHAR* kindName(HolderKind kind) {
  switch (kind) {
    case HolderKind::kModule:
      return WTEXT("module");
    case HolderKind::kUnreadable:
      return WTEXT("unreadable");
    case HolderKind::kRemote:
      return WTEXT("remote");
    default:
      return WTEXT("handle");
  }
}
}  // namespace

WideText JsonString(WideView text) {
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

WideText HoldersAsJson(const std::vector<HandleRecord>& holders) {
  WideText json(WTEXT("["));
  for (size_t i = 0; i < holders.size(); ++i) {
    const HandleRecord& holder = holders[i];
    const HolderKind kind = KindOf(holder);
    const bool remote = kind == HolderKind::kRemote;
    json += i == 0 ? WTEXT("\r\n  {") : WTEXT(",\r\n  {");
    json += WTEXT("\"kind\": \"");
    json += kindName(kind);
    json += WTEXT("\", \"pid\": ");
    json += remote ? WideText(WTEXT("null")) : DecimalText(holder.ownerPid);
    json += WTEXT(", ");
    // A remote open has no process: its user is named apart.
    appendMember(json, WTEXT("process"), remote ? WideView() : holder.processName.View());
    if (remote) appendMember(json, WTEXT("user"), holder.processName);
    appendMember(json, WTEXT("processPath"), holder.processPath);
    json += WTEXT("\"handle\": ");
    json += kind == HolderKind::kHandle ? DecimalText(holder.handleValue) : WideText(WTEXT("null"));
    json += kind == HolderKind::kModule ? WTEXT(", \"module\": true, \"path\": ") : WTEXT(", \"module\": false, \"path\": ");
    json += JsonString(holder.filePath);
    json += '}';
  }
  json += holders.empty() ? WTEXT("]\r\n") : WTEXT("\r\n]\r\n");
  return json;
}
