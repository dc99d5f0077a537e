#pragma once
// The texts of the result list's rows and of the status bar after a fill,
// in UTF-16, made of the fixed texts in text/WindowTexts.h.

#include <cstdint>

#include "scan/HandleRecord.h"
#include "text/WideText.h"

// Column "句柄": lowercase hexadecimal without leading zeros, e.g. "0x1a4".
WideText HandleValueText(uint32_t handleValue);
// Column "进程ID": signed decimal.
WideText ProcessIdText(uint32_t processId);
// The three columns a row's kind decides (HolderKind):
// 句柄: "0x1a4", "模块", "未知" or "远程";
WideText HandleColumnText(const HandleRecord& row);
// 进程ID: the ID, empty for a remote open (no process of this computer's);
WideText ProcessIdColumnText(const HandleRecord& row);
// 进程名: the image name, "<user>(远程)" for a remote open.
WideText ProcessNameColumnText(const HandleRecord& row);
// Status part 1: the number of rows shown, e.g. "2个文件".
WideText RowCountText(int rows);
// Status part 2: the filter the rows are shown through, "筛选: xlsx"; empty
// when there is none (every row is shown).
WideText FilterStatusText(WideView filter);

// What a fill found out, for status part 0.
struct SearchOutcome {
  bool haveRecords;          // the latest scan produced at least one record
  WideText targetPath;       // empty when every file was asked for
  bool haveResults;          // some record holds the target (filter not applied)
  bool targetIsFolder = false;  // the target is a folder: named without a trailing backslash
  bool complete = true;         // the scan named every handle it could have (HandleScanner::complete)
};

// Status part 0 after a fill: "查找失败" when the scan gave no record,
// "查找完成" when every file was asked for, else the target's file name (a
// folder's own name; a drive root as given) in "%s 被占用了" or "%s 没有被占用".
// An incomplete scan reads "查找不完整" instead of "查找完成" or
// "%s 没有被占用": it cannot tell that nothing holds the target; a match
// it found is still true.
WideText SearchOutcomeText(const SearchOutcome& outcome);
