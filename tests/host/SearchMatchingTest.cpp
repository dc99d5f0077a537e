#include <gtest/gtest.h>

#include <vector>

#include "search/PathComparison.h"
#include "search/ResultMatching.h"
#include "text/WideText.h"

namespace {

SharedText shared(const WCHAR* text) { return SharedText(WideText(text)); }

HandleRecord record(uint32_t pid, uint32_t handle, const WCHAR* path, const WCHAR* process = WTEXT("holder.exe")) {
  HandleRecord r;
  r.ownerPid = pid;
  r.typeNumber = 37;
  r.handleValue = handle;
  r.grantedAccess = 0x12019f;
  r.filePath = shared(path);
  r.processName = shared(process);
  r.processPath = SharedText(WTEXT("C:\\tools\\") + WideText(process));
  return r;
}

// One table through the matcher: the file system's case rule on UTF-16,
// with no code page anywhere. The same answers on the host and on Windows.
TEST(SearchPathComparison, NamePairsCompareOrdinallyIgnoringCase) {
  const struct {
    const WCHAR* first;
    const WCHAR* second;
    bool equal;
  } cases[] = {
      {WTEXT("C:\\Data\\Report.TXT"), WTEXT("c:\\data\\report.txt"), true},
      {WTEXT(""), WTEXT(""), true},
      {WTEXT("C:\\[.txt"), WTEXT("C:\\{.txt"), false},  // only letters fold: '[' and '{' differ by 0x20 too
      {WTEXT("C:\\ÉTÉ Ÿ Ā Ľ.txt"), WTEXT("c:\\été ÿ ā ľ.TXT"), true},  // Latin with accents
      {WTEXT("C:\\ΑΒΓ ΆΈΌΏ.txt"), WTEXT("C:\\αβγ άέόώ.txt"), true},   // Greek
      {WTEXT("C:\\ДОКУМЕНТ Ё.txt"), WTEXT("C:\\документ ё.txt"), true},  // Cyrillic
      {WTEXT("C:\\ＡＢＣ.txt"), WTEXT("C:\\ａｂｃ.txt"), true},          // full-width letters
      {WTEXT("C:\\ＡＢＣ.txt"), WTEXT("C:\\ABC.txt"), false},           // full-width is not ASCII
      {WTEXT("C:\\한국어 報告 😀.txt"), WTEXT("C:\\한국어 報告 😀.TXT"), true},
      {WTEXT("C:\\한국어 報告 😀.txt"), WTEXT("C:\\한국어 報告 😁.txt"), false},  // pairs differing in the low unit
      {WTEXT("C:\\😀.txt"), WTEXT("C:\\🙀.txt"), false},                          // ... and in the high unit
      {WTEXT("C:\\한국어.txt"), WTEXT("C:\\한국여.txt"), false},                   // Hangul
      {WTEXT("C:\\𠀀.txt"), WTEXT("C:\\𠀁.txt"), false},                           // CJK extension B
      {WTEXT("C:\\𠀀.txt"), WTEXT("C:\\𠀀.txt"), true},
      {WTEXT("C:\\数据\\ABC.txt"), WTEXT("c:\\数据\\abc.TXT"), true},
      {WTEXT("C:\\Data\\report.txt"), WTEXT("C:\\Data\\report.txt.bak"), false},  // nothing but case is normalised
      {WTEXT("C:\\Data\\report.txt"), WTEXT("C:\\Data\\report.txt\\"), false},
      {WTEXT("C:\\Data\\report.txt"), WTEXT("C:/Data/report.txt"), false},
      {WTEXT("C:\\Data\\report.txt"), WTEXT(" C:\\Data\\report.txt"), false},
      {WTEXT("C:\\Data\\report.txt"), WTEXT("\\\\?\\C:\\Data\\report.txt"), false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.equal, PathsEqualIgnoringCase(c.first, c.second)) << testing::PrintToString(WideText(c.first));
    EXPECT_EQ(c.equal, PathsEqualIgnoringCase(c.second, c.first)) << testing::PrintToString(WideText(c.second));
  }
}

TEST(SearchMatching, KeepsOnlyRecordsHoldingTheTargetInScannerOrder) {
  HandleRecords records{record(100, 0x1a4, WTEXT("C:\\Data\\한국어 報告 😁.txt"), WTEXT("占用者.exe")),
                        record(200, 0x20, WTEXT("C:\\Data\\한국어 報告 😁.txt.bak")),
                        record(300, 0x30, WTEXT("c:\\data\\한국어 報告 😁.TXT"), WTEXT("two.exe")),
                        record(400, 0x40, WTEXT("C:\\Data\\한국어 報告 😀.txt"))};
  std::vector<HandleRecord> results;
  AppendMatchingRecords(records, WTEXT("C:\\DATA\\한국어 報告 😁.txt"), results);
  ASSERT_EQ(2u, results.size());
  EXPECT_EQ(100u, results[0].ownerPid);
  EXPECT_EQ(300u, results[1].ownerPid);
  // Whole copies: every field, the texts sharing the scanner's characters.
  EXPECT_EQ(0x1a4u, results[0].handleValue);
  EXPECT_EQ(37, results[0].typeNumber);
  EXPECT_EQ(0x12019fu, results[0].grantedAccess);
  EXPECT_EQ(results[0].processName, WTEXT("占用者.exe"));
  EXPECT_EQ(results[0].processPath, WTEXT("C:\\tools\\占用者.exe"));
  EXPECT_EQ(records[0].filePath.GetString(), results[0].filePath.GetString());
}

TEST(SearchMatching, EmptyTargetKeepsEveryRecordWithAPathButNeverAnEmptyPath) {
  HandleRecords records{record(1, 4, WTEXT("")), record(2, 8, WTEXT("C:\\a.txt")), record(3, 12, WTEXT("")),
                        record(4, 16, WTEXT("\\Device\\NamedPipe\\x"))};
  std::vector<HandleRecord> everything;
  AppendMatchingRecords(records, WideView(), everything);
  ASSERT_EQ(2u, everything.size());
  EXPECT_EQ(2u, everything[0].ownerPid);
  EXPECT_EQ(4u, everything[1].ownerPid);

  // An empty path never equals a target either.
  std::vector<HandleRecord> none;
  AppendMatchingRecords(HandleRecords{record(1, 4, WTEXT(""))}, WTEXT("C:\\a.txt"), none);
  EXPECT_TRUE(none.empty());
}

TEST(SearchMatching, SeveralHandlesOfOneProcessOnOneFileAreSeveralResults) {
  HandleRecords records{record(77, 0x10, WTEXT("C:\\x.log")), record(77, 0x14, WTEXT("C:\\X.LOG")),
                        record(77, 0x18, WTEXT("C:\\x.log"))};
  std::vector<HandleRecord> results;
  AppendMatchingRecords(records, WTEXT("C:\\x.log"), results);
  ASSERT_EQ(3u, results.size());
  EXPECT_EQ(0x10u, results[0].handleValue);
  EXPECT_EQ(0x14u, results[1].handleValue);
  EXPECT_EQ(0x18u, results[2].handleValue);
}

TEST(SearchMatching, AppendsAfterWhatResultsAlreadyHoldAndCopiesOutliveTheRecords) {
  std::vector<HandleRecord> results{record(9, 9, WTEXT("C:\\earlier.txt"))};
  {
    HandleRecords records{record(1, 4, WTEXT("C:\\later.txt"))};
    AppendMatchingRecords(records, WideView(), results);
  }
  ASSERT_EQ(2u, results.size());
  EXPECT_EQ(results[0].filePath, WTEXT("C:\\earlier.txt"));
  EXPECT_EQ(results[1].filePath, WTEXT("C:\\later.txt"));
  EXPECT_EQ(results[1].processName, WTEXT("holder.exe"));
}

// A folder target: the folder itself and everything below it, in any letter
// case, and nothing beside it.
TEST(SearchMatching, FolderHoldsItselfAndWhatLiesBelowIt) {
  const struct {
    const WCHAR* path;
    const WCHAR* folder;
    bool inside;
  } cases[] = {
      {WTEXT("C:\\Data"), WTEXT("C:\\Data"), true},
      {WTEXT("C:\\Data\\sub\\deep\\a.txt"), WTEXT("C:\\Data"), true},
      {WTEXT("c:\\data\\A.TXT"), WTEXT("C:\\DATA\\"), true},  // a trailing backslash given
      {WTEXT("C:\\Data"), WTEXT("C:\\Data\\"), true},
      {WTEXT("C:\\Data2\\a.txt"), WTEXT("C:\\Data"), false},  // a sibling whose name starts alike
      {WTEXT("C:\\Data2"), WTEXT("C:\\Data\\"), false},
      {WTEXT("C:\\Dat"), WTEXT("C:\\Data"), false},
      {WTEXT("C:\\anything\\at\\all.txt"), WTEXT("C:\\"), true},  // a drive root
      {WTEXT("c:\\x.txt"), WTEXT("C:"), true},
      {WTEXT("D:\\x.txt"), WTEXT("C:\\"), false},
      {WTEXT("\\\\server\\share\\a.txt"), WTEXT("\\\\server\\share"), true},
      {WTEXT("C:\\ДАННЫЕ 😀\\а.txt"), WTEXT("c:\\данные 😀"), true},
      {WTEXT("C:\\데이터 😀\\a.txt"), WTEXT("C:\\데이터 😁"), false},
      {WTEXT("C:\\데이터 😀2\\a.txt"), WTEXT("C:\\데이터 😀"), false},
      {WTEXT("C:\\𠀀\\a.txt"), WTEXT("C:\\𠀁\\"), false},
      {WTEXT("C:\\Data\\a.txt"), WTEXT(""), false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.inside, PathIsInFolder(c.path, c.folder))
        << testing::PrintToString(WideText(c.path)) << " in " << testing::PrintToString(WideText(c.folder));
  }

  HandleRecords records{record(1, 4, WTEXT("C:\\Data\\x\\y\\held.txt")), record(1, 8, WTEXT("C:\\Data2\\held.txt")),
                        record(1, 12, WTEXT("C:\\data"))};
  std::vector<HandleRecord> results;
  AppendMatchingRecords(records, WTEXT("C:\\Data"), results, true);
  ASSERT_EQ(2u, results.size());
  EXPECT_EQ(4u, results[0].handleValue);
  EXPECT_EQ(12u, results[1].handleValue);
}

TEST(SearchMatching, FolderNameDropsATrailingBackslashButNotARoots) {
  EXPECT_EQ(7, FolderNameLength(WTEXT("C:\\Data\\")));
  EXPECT_EQ(7, FolderNameLength(WTEXT("C:\\Data")));
  EXPECT_EQ(3, FolderNameLength(WTEXT("C:\\")));
  const WCHAR* surrogates = WTEXT("C:\\😀\\");  // a pair is two units
  EXPECT_EQ(5, FolderNameLength(surrogates));
}

}  // namespace
