#include <gtest/gtest.h>

#include <cstddef>
#include <vector>

#include "search/RowOrder.h"

namespace {

HandleRecord kindRow(HolderKind kind) {
  HandleRecord r;
  r.filePath = SharedText(WideText(WTEXT("C:\\a")));
  r.kind = kind;
  return r;
}

HandleRecord row(const WCHAR* path, uint32_t pid, uint32_t handle, const WCHAR* process, bool module = false) {
  HandleRecord r;
  r.filePath = SharedText(WideText(path));
  r.ownerPid = pid;
  r.handleValue = handle;
  r.processName = SharedText(WideText(process));
  r.loadedModule = module;
  return r;
}

// Each pair of results, sorted by one column as the list sorts its rows:
// which comes first (-1: the first, 0: neither, they tie and keep the order
// they came in; 1: the second), given in either order and in either
// direction. The same table holds under Windows, where the system's sort
// keys in the logical order answer.
TEST(SearchRowOrder, EachColumnSortsAsExplorerAndAsNumbers) {
  using C = ResultColumnId;
  const struct {
    C column;
    HandleRecord first;
    HandleRecord second;
    int expected;
  } cases[] = {
      // Digits as numbers, in the name, the path and the process name.
      {C::kFileName, row(WTEXT("C:\\z\\file2.txt"), 1, 4, WTEXT("a")), row(WTEXT("C:\\a\\file10.txt"), 1, 4, WTEXT("a")), -1},
      {C::kFileName, row(WTEXT("C:\\d\\file010.txt"), 1, 4, WTEXT("a")), row(WTEXT("C:\\d\\file9.txt"), 1, 4, WTEXT("a")), 1},
      {C::kPath, row(WTEXT("C:\\v2\\b.txt"), 1, 4, WTEXT("a")), row(WTEXT("C:\\v10\\a.txt"), 1, 4, WTEXT("a")), -1},
      {C::kProcessName, row(WTEXT("C:\\a"), 1, 4, WTEXT("worker9.exe")), row(WTEXT("C:\\a"), 1, 4, WTEXT("worker12.exe")), -1},
      // Letter case ignored: a tie, and case does not decide the order.
      {C::kFileName, row(WTEXT("C:\\d\\Report.TXT"), 1, 4, WTEXT("a")), row(WTEXT("C:\\e\\report.txt"), 1, 4, WTEXT("a")), 0},
      {C::kPath, row(WTEXT("C:\\d\\apple.txt"), 1, 4, WTEXT("a")), row(WTEXT("C:\\D\\Banana.txt"), 1, 4, WTEXT("a")), -1},
      {C::kProcessName, row(WTEXT("C:\\a"), 1, 4, WTEXT("Zeta.exe")), row(WTEXT("C:\\a"), 1, 4, WTEXT("alpha.exe")), 1},
      // A name that is the start of another comes first.
      {C::kFileName, row(WTEXT("C:\\d\\abc"), 1, 4, WTEXT("a")), row(WTEXT("C:\\d\\abcd"), 1, 4, WTEXT("a")), -1},
      // 进程ID as a number, not as text ("9" before "10").
      {C::kProcessId, row(WTEXT("C:\\a"), 9, 4, WTEXT("a")), row(WTEXT("C:\\a"), 10, 4, WTEXT("a")), -1},
      {C::kProcessId, row(WTEXT("C:\\a"), 300, 4, WTEXT("a")), row(WTEXT("C:\\a"), 300, 8, WTEXT("b")), 0},
      // 句柄 by value ("0x1c" before "0x100"), every module after every handle.
      {C::kHandle, row(WTEXT("C:\\a"), 1, 0x1c, WTEXT("a")), row(WTEXT("C:\\a"), 1, 0x100, WTEXT("a")), -1},
      {C::kHandle, row(WTEXT("C:\\a"), 1, 0, WTEXT("a"), true), row(WTEXT("C:\\a"), 1, 0xfffffffc, WTEXT("a")), 1},
      {C::kHandle, row(WTEXT("C:\\a"), 1, 0, WTEXT("a"), true), row(WTEXT("C:\\b"), 2, 0, WTEXT("b"), true), 0},
      // ... then "未知", then "远程".
      {C::kHandle, row(WTEXT("C:\\a"), 1, 0, WTEXT("a"), true), kindRow(HolderKind::kUnreadable), -1},
      {C::kHandle, kindRow(HolderKind::kUnreadable), kindRow(HolderKind::kRemote), -1},
      {C::kHandle, kindRow(HolderKind::kRemote), row(WTEXT("C:\\a"), 1, 0xfffffffc, WTEXT("a")), 1},
  };
  using V = std::vector<std::size_t>;
  int index = 0;
  for (const auto& c : cases) {
    const std::vector<HandleRecord> results = {c.first, c.second};
    for (const bool descending : {false, true}) {
      for (const V& given : {V{0, 1}, V{1, 0}}) {
        // Ascending, the first comes first when it orders before the
        // second; descending, after it; a tie keeps the order given.
        const int order = descending ? -c.expected : c.expected;
        const V expected = order < 0 ? V{0, 1} : (order > 0 ? V{1, 0} : given);
        V rows = given;
        SortRows(rows, results, RowSort{static_cast<int>(c.column), descending});
        EXPECT_EQ(expected, rows) << "case " << index << (descending ? ", descending" : "") << ", given "
                                  << given[0] << given[1];
      }
    }
    ++index;
  }
}

// Rows sorted both ways: ties keep the scan's order in either direction,
// and without a column nothing moves.
TEST(SearchRowOrder, SortIsStableBothWaysAndHeaderClicksToggle) {
  const std::vector<HandleRecord> results = {
      row(WTEXT("C:\\d\\file10.txt"), 30, 0x10, WTEXT("b.exe")), row(WTEXT("C:\\d\\FILE2.txt"), 20, 0, WTEXT("a.exe"), true),
      row(WTEXT("C:\\d\\file2.txt"), 30, 0x8, WTEXT("b.exe")),   row(WTEXT("C:\\d\\file1.txt"), 20, 0x4, WTEXT("a.exe")),
  };
  const std::vector<std::size_t> scan = {0, 1, 2, 3};
  const auto sorted = [&](RowSort sort, std::vector<std::size_t> rows) {
    SortRows(rows, results, sort);
    return rows;
  };
  using V = std::vector<std::size_t>;
  EXPECT_EQ((V{3, 1, 2, 0}), sorted({0, false}, scan));
  EXPECT_EQ((V{0, 1, 2, 3}), sorted({0, true}, scan));
  EXPECT_EQ((V{1, 3, 0, 2}), sorted({3, false}, scan));
  EXPECT_EQ((V{0, 2, 1, 3}), sorted({3, true}, scan));
  EXPECT_EQ((V{3, 2, 0, 1}), sorted({2, false}, scan));
  EXPECT_EQ((V{1, 0, 2, 3}), sorted({2, true}, scan));
  EXPECT_EQ(scan, sorted(RowSort{}, scan));
  // A filtered subset keeps its own order of ties.
  EXPECT_EQ((V{3, 2}), sorted({3, false}, V{2, 3}));

  RowSort sort;
  sort = SortAfterHeaderClick(sort, 3);
  EXPECT_EQ(3, sort.column);
  EXPECT_FALSE(sort.descending);
  sort = SortAfterHeaderClick(sort, 3);
  EXPECT_TRUE(sort.descending);
  sort = SortAfterHeaderClick(sort, 1);
  EXPECT_EQ(1, sort.column);
  EXPECT_FALSE(sort.descending);
  EXPECT_EQ(1, SortAfterHeaderClick(sort, 7).column);
}

}  // namespace
