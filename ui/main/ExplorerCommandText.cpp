#include "ui/main/ExplorerCommandText.h"

namespace {
const char kEntryNameFormat[] = "用%s 查看";
const char kKeyPathFormat[] = "*\\shell\\%s\\command";
// %1 in quotes: Explorer puts in the clicked file's path, spaces and all, as
// one argument.
const char kValueDataFormat[] = "\"%s\" \"%%1\"";
}  // namespace

ExplorerCommandText MakeExplorerCommandText(const char* title, const char* exePath) {
  ExplorerCommandText text;
  text.entryName.Format(kEntryNameFormat, title);
  text.keyPath.Format(kKeyPathFormat, text.entryName.GetString());
  text.valueData.Format(kValueDataFormat, exePath);
  return text;
}
