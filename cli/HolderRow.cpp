#include "cli/HolderRow.h"

#include "scan/HandleRecord.h"
#include "text/CodePageConversion.h"

namespace {
WideText wide(const AnsiString& text) {
  const WideFromAnsi converted(text.GetString());
  return converted.get() != nullptr ? WideText(converted.get()) : WideText();
}
}  // namespace

HolderRow HolderRowFromRecord(const HandleRecord& record) {
  HolderRow row;
  row.pid = record.ownerPid;
  row.processName = wide(record.processName);
  row.processPath = wide(record.processPath);
  row.handleValue = record.loadedModule ? 0 : record.handleValue;
  row.module = record.loadedModule;
  row.path = wide(record.filePath);
  return row;
}

std::vector<HolderRow> HolderRowsFromRecords(const std::vector<HandleRecord>& records) {
  std::vector<HolderRow> rows;
  rows.reserve(records.size());
  for (const HandleRecord& record : records) rows.push_back(HolderRowFromRecord(record));
  return rows;
}
