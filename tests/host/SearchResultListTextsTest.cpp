#include <gtest/gtest.h>

#include "search/FileNamePart.h"
#include "search/ResultListTexts.h"

namespace {

TEST(SearchResultListTexts, ColumnsAndRowCount) {
  EXPECT_STREQ("0x1a4", HandleValueText(420));
  EXPECT_STREQ("0x0", HandleValueText(0));
  EXPECT_STREQ("0xfffc", HandleValueText(0xfffc));
  EXPECT_STREQ("4", ProcessIdText(4));
  EXPECT_STREQ("-1", ProcessIdText(0xffffffffu));
  EXPECT_STREQ("2个文件", RowCountText(2));
  EXPECT_STREQ("0个文件", RowCountText(0));
}

TEST(SearchResultListTexts, OutcomeFollowsRecordsTargetAndResults) {
  EXPECT_STREQ("查找失败", SearchOutcomeText({false, "C:\\d\\a.txt", false}));
  EXPECT_STREQ("查找失败", SearchOutcomeText({false, AnsiString(), false}));
  EXPECT_STREQ("查找完成", SearchOutcomeText({true, AnsiString(), true}));
  EXPECT_STREQ("查找完成", SearchOutcomeText({true, AnsiString(), false}));
  EXPECT_STREQ("a.txt 被占用了", SearchOutcomeText({true, "C:\\d\\a.txt", true}));
  EXPECT_STREQ("a.txt 没有被占用", SearchOutcomeText({true, "C:\\d\\a.txt", false}));
  EXPECT_STREQ("文件 1.txt 被占用了", SearchOutcomeText({true, "C:\\目录\\文件 1.txt", true}));
  // A folder by its own name; a drive root as given.
  EXPECT_STREQ("数据 被占用了", SearchOutcomeText({true, "D:\\工作\\数据\\", true, true}));
  EXPECT_STREQ("数据 没有被占用", SearchOutcomeText({true, "D:\\工作\\数据", false, true}));
  EXPECT_STREQ("C:\\ 被占用了", SearchOutcomeText({true, "C:\\", true, true}));
  // An incomplete scan cannot say that nothing holds the target; a match stays true.
  EXPECT_STREQ("查找不完整", SearchOutcomeText({true, AnsiString(), true, false, false}));
  EXPECT_STREQ("查找不完整", SearchOutcomeText({true, "C:\\d\\a.txt", false, false, false}));
  EXPECT_STREQ("a.txt 被占用了", SearchOutcomeText({true, "C:\\d\\a.txt", true, false, false}));
  EXPECT_STREQ("查找失败", SearchOutcomeText({false, "C:\\d\\a.txt", false, false, false}));
  EXPECT_STREQ("查找中...", kSearchingStatus);
}

TEST(SearchFileNamePart, LastComponentAsTheShellStripsIt) {
  EXPECT_STREQ("a.txt", FileNamePart("C:\\dir\\a.txt"));
  EXPECT_STREQ("a.txt", FileNamePart("C:/dir/a.txt"));
  EXPECT_STREQ("a.txt", FileNamePart("C:a.txt"));
  EXPECT_STREQ("a.txt", FileNamePart("a.txt"));
  EXPECT_STREQ("dir\\", FileNamePart("C:\\dir\\"));
  EXPECT_STREQ("", FileNamePart(""));
  AnsiString path("C:\\dir\\b.txt");
  FileNamePart(path);
  EXPECT_STREQ("C:\\dir\\b.txt", path);
}

TEST(SearchFileNamePart, TrailByteEqualToBackslashSeparatesNothing) {
  // 0x95 0x5C is one character of code page 936 whose trail byte is '\'.
  EXPECT_STREQ("x\x95\x5Cy.txt", FileNamePart("C:\\d\\x\x95\x5Cy.txt"));
  EXPECT_STREQ("数据.txt", FileNamePart("D:\\目录\\数据.txt"));
}

}  // namespace
