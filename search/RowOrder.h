#pragma once
// The order of the result list's rows when the user sorts by a column: one
// comparison per column and a stable sort of row indices by it, so rows
// that compare equal keep the scan's order and the results themselves never
// move (a row names its result by index).
// - 文件名, 路径, 进程名: as Explorer orders names, digits as numbers and
//   letter case ignored ("file2" before "file10", "a" beside "A");
// - 进程ID: as a number;
// - 句柄: by value, every "模块" row after every handle, then "未知",
//   then "远程".

#include <cstddef>
#include <vector>

#include "scan/HandleRecord.h"
#include "text/WideText.h"

// The list's columns, in the order they are shown.
enum class ResultColumnId : int { kFileName = 0, kPath, kHandle, kProcessId, kProcessName };
constexpr int kResultColumnCount = 5;

// What the user asked for: no column (the scan's order), or a column and a
// direction.
struct RowSort {
  static constexpr int kScanOrder = -1;
  int column = kScanOrder;
  bool descending = false;

  bool active() const { return column >= 0 && column < kResultColumnCount; }
};

// The sort after a click on `column`'s header: that column ascending, or,
// when it is already the sorted column, the other direction.
RowSort SortAfterHeaderClick(RowSort current, int column);

// Names as Explorer orders them: runs of digits by their value, letters
// without regard to case. Negative, zero or positive.
int CompareNamesLogically(WideView first, WideView second);

// Orders `rows`, indices into `results` given in the scan's order, as
// `sort` asks; ties keep their order (in either direction). Nothing changes
// for the scan's order.
void SortRows(std::vector<std::size_t>& rows, const std::vector<HandleRecord>& results, RowSort sort);
