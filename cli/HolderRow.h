#pragma once
// One holder as the console program prints it: a handle on the file, or the
// file loaded as a module. Wide texts, whatever text type the engine's
// records carry; the writers read nothing else.

#include <cstdint>
#include <vector>

#include "app/CommandLine.h"

struct HandleRecord;

struct HolderRow {
  uint32_t pid = 0;
  WideText processName;  // e.g. "explorer.exe"; empty when unknown
  WideText processPath;  // the image's full path; empty when unknown
  uint32_t handleValue = 0;  // in the holder; 0 for a module
  bool module = false;
  WideText path;  // the file's full path as the system names it
};

// A record's texts, converted from the engine's text. Raises what the
// conversion raises.
HolderRow HolderRowFromRecord(const HandleRecord& record);
std::vector<HolderRow> HolderRowsFromRecords(const std::vector<HandleRecord>& records);
