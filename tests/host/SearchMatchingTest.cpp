#include <gtest/gtest.h>

#include <vector>

#include "search/PathComparison.h"
#include "search/ResultMatching.h"

namespace {

HandleRecord record(uint32_t pid, uint32_t handle, const char* path, const char* process = "holder.exe") {
  HandleRecord r;
  r.ownerPid = pid;
  r.typeNumber = 37;
  r.handleValue = handle;
  r.grantedAccess = 0x12019f;
  r.filePath = path;
  r.processName = process;
  r.processPath = AnsiString("C:\\tools\\");
  r.processPath += process;
  return r;
}

// Two-byte characters of code page 936 whose trail bytes are an upper-case
// and the matching lower-case ASCII letter: folding the trail byte would
// make them equal.
const char kTrailUpperA[] = "C:\\\x81\x41.txt";
const char kTrailLowerA[] = "C:\\\x81\x61.txt";

TEST(SearchPathComparison, AsciiLettersCompareWithoutCase) {
  EXPECT_TRUE(PathsEqualIgnoringCase("C:\\Data\\Report.TXT", "c:\\data\\report.txt"));
  EXPECT_TRUE(PathsEqualIgnoringCase("", ""));
  EXPECT_TRUE(PathsEqualIgnoringCase(nullptr, ""));
  EXPECT_FALSE(PathsEqualIgnoringCase("C:\\a.txt", nullptr));
  // Only letters fold: '[' (0x5B) and '{' (0x7B) differ by the same 0x20.
  EXPECT_FALSE(PathsEqualIgnoringCase("C:\\[.txt", "C:\\{.txt"));
}

TEST(SearchPathComparison, NothingButCaseIsNormalised) {
  const char* target = "C:\\Data\\report.txt";
  EXPECT_FALSE(PathsEqualIgnoringCase(target, "C:\\Data\\report.txt.bak"));
  EXPECT_FALSE(PathsEqualIgnoringCase(target, "C:\\Data\\report.txt\\"));
  EXPECT_FALSE(PathsEqualIgnoringCase(target, "C:\\Data\\report"));
  EXPECT_FALSE(PathsEqualIgnoringCase(target, "C:/Data/report.txt"));
  EXPECT_FALSE(PathsEqualIgnoringCase(target, " C:\\Data\\report.txt"));
  EXPECT_FALSE(PathsEqualIgnoringCase(target, "\\\\?\\C:\\Data\\report.txt"));
}

TEST(SearchPathComparison, TwoByteCharacterIsOneUnitAndItsTrailByteNeverFolds) {
  EXPECT_TRUE(PathsEqualIgnoringCase(kTrailUpperA, kTrailUpperA));
  EXPECT_FALSE(PathsEqualIgnoringCase(kTrailUpperA, kTrailLowerA));
  EXPECT_FALSE(PathsEqualIgnoringCase(kTrailLowerA, kTrailUpperA));
  // Letters after a two-byte character still fold: the unit ends with its
  // trail byte.
  EXPECT_TRUE(PathsEqualIgnoringCase("D:\\数据\\ABC.txt", "d:\\数据\\abc.TXT"));
  EXPECT_FALSE(PathsEqualIgnoringCase("D:\\数据\\a.txt", "D:\\数招\\a.txt"));
}

TEST(SearchMatching, KeepsOnlyRecordsHoldingTheTargetInScannerOrder) {
  HandleRecords records{record(100, 0x1a4, "C:\\Data\\Report.txt", "one.exe"),
                        record(200, 0x20, "C:\\Data\\report.txt.bak"),
                        record(300, 0x30, "c:\\data\\REPORT.TXT", "two.exe"),
                        record(400, 0x40, "C:\\Data\\report.txt\\"),
                        record(500, 0x50, kTrailLowerA)};
  std::vector<HandleRecord> results;
  AppendMatchingRecords(records, "C:\\DATA\\report.txt", results);
  ASSERT_EQ(2u, results.size());
  EXPECT_EQ(100u, results[0].ownerPid);
  EXPECT_EQ(300u, results[1].ownerPid);
  // Whole copies: every field, the strings sharing the scanner's text.
  EXPECT_EQ(0x1a4u, results[0].handleValue);
  EXPECT_EQ(37, results[0].typeNumber);
  EXPECT_EQ(0x12019fu, results[0].grantedAccess);
  EXPECT_STREQ("one.exe", results[0].processName);
  EXPECT_STREQ("C:\\tools\\one.exe", results[0].processPath);
  EXPECT_EQ(records[0].filePath.GetString(), results[0].filePath.GetString());

  std::vector<HandleRecord> trail;
  AppendMatchingRecords(records, kTrailUpperA, trail);
  EXPECT_TRUE(trail.empty());
}

TEST(SearchMatching, EmptyTargetKeepsEveryRecordWithAPathButNeverAnEmptyPath) {
  HandleRecords records{record(1, 4, ""), record(2, 8, "C:\\a.txt"), record(3, 12, ""),
                        record(4, 16, "\\Device\\NamedPipe\\x")};
  std::vector<HandleRecord> everything;
  AppendMatchingRecords(records, AnsiString(), everything);
  ASSERT_EQ(2u, everything.size());
  EXPECT_EQ(2u, everything[0].ownerPid);
  EXPECT_EQ(4u, everything[1].ownerPid);

  // An empty path never equals a target either.
  std::vector<HandleRecord> none;
  AppendMatchingRecords(HandleRecords{record(1, 4, "")}, "C:\\a.txt", none);
  EXPECT_TRUE(none.empty());
}

TEST(SearchMatching, SeveralHandlesOfOneProcessOnOneFileAreSeveralResults) {
  HandleRecords records{record(77, 0x10, "C:\\x.log"), record(77, 0x14, "C:\\X.LOG"), record(77, 0x18, "C:\\x.log")};
  std::vector<HandleRecord> results;
  AppendMatchingRecords(records, "C:\\x.log", results);
  ASSERT_EQ(3u, results.size());
  EXPECT_EQ(0x10u, results[0].handleValue);
  EXPECT_EQ(0x14u, results[1].handleValue);
  EXPECT_EQ(0x18u, results[2].handleValue);
}

TEST(SearchMatching, AppendsAfterWhatResultsAlreadyHoldAndCopiesOutliveTheRecords) {
  std::vector<HandleRecord> results{record(9, 9, "C:\\earlier.txt")};
  {
    HandleRecords records{record(1, 4, "C:\\later.txt")};
    AppendMatchingRecords(records, AnsiString(), results);
  }
  ASSERT_EQ(2u, results.size());
  EXPECT_STREQ("C:\\earlier.txt", results[0].filePath);
  EXPECT_STREQ("C:\\later.txt", results[1].filePath);
  EXPECT_STREQ("holder.exe", results[1].processName);
}

// A folder target: the folder itself and everything below it, in any letter
// case, and nothing beside it.
TEST(SearchMatching, FolderHoldsItselfAndWhatLiesBelowIt) {
  const struct {
    const char* path;
    const char* folder;
    bool inside;
  } cases[] = {
      {"C:\\Data", "C:\\Data", true},
      {"C:\\Data\\sub\\deep\\a.txt", "C:\\Data", true},
      {"c:\\data\\A.TXT", "C:\\DATA\\", true},  // a trailing backslash given
      {"C:\\Data", "C:\\Data\\", true},
      {"C:\\Data2\\a.txt", "C:\\Data", false},  // a sibling whose name starts alike
      {"C:\\Data2", "C:\\Data\\", false},
      {"C:\\Dat", "C:\\Data", false},
      {"C:\\anything\\at\\all.txt", "C:\\", true},  // a drive root
      {"c:\\x.txt", "C:", true},
      {"D:\\x.txt", "C:\\", false},
      {"\\\\server\\share\\a.txt", "\\\\server\\share", true},
      {"C:\\\x81\x5c\\a.txt", "C:\\\x81\x5c", true},  // a trail byte 0x5C is no separator
      {"C:\\\x81\x5c" "b\\a.txt", "C:\\\x81\x5c", false},
      {"C:\\Data\\a.txt", "", false},
  };
  for (const auto& c : cases) EXPECT_EQ(c.inside, PathIsInFolder(c.path, c.folder)) << c.path << " in " << c.folder;

  HandleRecords records{record(1, 4, "C:\\Data\\x\\y\\held.txt"), record(1, 8, "C:\\Data2\\held.txt"),
                        record(1, 12, "C:\\data")};
  std::vector<HandleRecord> results;
  AppendMatchingRecords(records, "C:\\Data", results, true);
  ASSERT_EQ(2u, results.size());
  EXPECT_EQ(4u, results[0].handleValue);
  EXPECT_EQ(12u, results[1].handleValue);
}

TEST(SearchMatching, FolderNameDropsATrailingBackslashButNotARoots) {
  EXPECT_EQ(7, FolderNameLength("C:\\Data\\"));
  EXPECT_EQ(7, FolderNameLength("C:\\Data"));
  EXPECT_EQ(3, FolderNameLength("C:\\"));
  EXPECT_EQ(5, FolderNameLength("C:\\\x81\x5c"));
}

}  // namespace
