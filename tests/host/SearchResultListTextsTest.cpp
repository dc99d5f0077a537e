#include <gtest/gtest.h>

#include "search/FileNamePart.h"
#include "search/ResultListTexts.h"
#include "text/WindowTexts.h"

namespace {

WideText text(const WCHAR* units) { return WideText(units); }

TEST(SearchResultListTexts, ColumnsAndRowCount) {
  EXPECT_EQ(text(WTEXT("0x1a4")), HandleValueText(420));
  EXPECT_EQ(text(WTEXT("0x0")), HandleValueText(0));
  EXPECT_EQ(text(WTEXT("0xfffc")), HandleValueText(0xfffc));
  EXPECT_EQ(text(WTEXT("4")), ProcessIdText(4));
  EXPECT_EQ(text(WTEXT("-1")), ProcessIdText(0xffffffffu));
  EXPECT_EQ(text(WTEXT("2个文件")), RowCountText(2));
  EXPECT_EQ(text(WTEXT("0个文件")), RowCountText(0));
  EXPECT_EQ(text(WTEXT("筛选: xlsx")), FilterStatusText(WTEXT("xlsx")));
  EXPECT_EQ(text(WTEXT("筛选:  报告 ")), FilterStatusText(WTEXT(" 报告 "))) << "the box's text exactly";
  EXPECT_EQ(WideText(), FilterStatusText(WideView()));
}

// The columns a row's kind decides.
TEST(SearchResultListTexts, HandleProcessIdAndNameByKind) {
  HandleRecord handle;
  handle.ownerPid = 4321;
  handle.handleValue = 0x1a4;
  handle.processName = SharedText(text(WTEXT("杀毒.exe")));
  HandleRecord module = handle;
  module.loadedModule = true;
  HandleRecord unreadable = handle;
  unreadable.kind = HolderKind::kUnreadable;
  HandleRecord remote;
  remote.kind = HolderKind::kRemote;
  remote.handleValue = 77;
  remote.processName = SharedText(text(WTEXT("韩梅梅")));
  const struct {
    HandleRecord row;
    const WCHAR* handle;
    const WCHAR* pid;
    const WCHAR* name;
  } cases[] = {
      {handle, WTEXT("0x1a4"), WTEXT("4321"), WTEXT("杀毒.exe")},
      {module, WTEXT("模块"), WTEXT("4321"), WTEXT("杀毒.exe")},
      {unreadable, WTEXT("未知"), WTEXT("4321"), WTEXT("杀毒.exe")},
      {remote, WTEXT("远程"), WTEXT(""), WTEXT("韩梅梅(远程)")},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(text(c.handle), HandleColumnText(c.row));
    EXPECT_EQ(text(c.pid), ProcessIdColumnText(c.row));
    EXPECT_EQ(text(c.name), ProcessNameColumnText(c.row));
  }
}

TEST(SearchResultListTexts, OutcomeFollowsRecordsTargetAndResults) {
  const struct {
    SearchOutcome outcome;
    const WCHAR* shown;
  } cases[] = {
      {{false, WTEXT("C:\\d\\a.txt"), false}, WTEXT("查找失败")},
      {{false, WideText(), false}, WTEXT("查找失败")},
      {{true, WideText(), true}, WTEXT("查找完成")},
      {{true, WideText(), false}, WTEXT("查找完成")},
      {{true, WTEXT("C:\\d\\a.txt"), true}, WTEXT("a.txt 被占用了")},
      {{true, WTEXT("C:\\d\\a.txt"), false}, WTEXT("a.txt 没有被占用")},
      {{true, WTEXT("C:\\目录\\文件 1.txt"), true}, WTEXT("文件 1.txt 被占用了")},
      {{true, WTEXT("C:\\d\\한국어 報告 😁.txt"), true}, WTEXT("한국어 報告 😁.txt 被占用了")},
      // A folder by its own name; a drive root as given.
      {{true, WTEXT("D:\\工作\\数据\\"), true, true}, WTEXT("数据 被占用了")},
      {{true, WTEXT("D:\\工作\\数据"), false, true}, WTEXT("数据 没有被占用")},
      {{true, WTEXT("C:\\"), true, true}, WTEXT("C:\\ 被占用了")},
      // An incomplete scan cannot say that nothing holds the target; a match stays true.
      {{true, WideText(), true, false, false}, WTEXT("查找不完整")},
      {{true, WTEXT("C:\\d\\a.txt"), false, false, false}, WTEXT("查找不完整")},
      {{true, WTEXT("C:\\d\\a.txt"), true, false, false}, WTEXT("a.txt 被占用了")},
      {{false, WTEXT("C:\\d\\a.txt"), false, false, false}, WTEXT("查找失败")},
  };
  for (const auto& c : cases) EXPECT_EQ(text(c.shown), SearchOutcomeText(c.outcome));
  EXPECT_EQ(text(WTEXT("查找中...")), text(kSearchingStatus));
  EXPECT_EQ(text(WTEXT("模块")), text(kModuleHandleText));
}

TEST(SearchFileNamePart, LastComponentAsTheShellStripsIt) {
  const struct {
    const WCHAR* path;
    const WCHAR* name;
  } cases[] = {
      {WTEXT("C:\\dir\\a.txt"), WTEXT("a.txt")}, {WTEXT("C:/dir/a.txt"), WTEXT("a.txt")},
      {WTEXT("C:a.txt"), WTEXT("a.txt")},        {WTEXT("a.txt"), WTEXT("a.txt")},
      {WTEXT("C:\\dir\\"), WTEXT("dir\\")},      {WTEXT(""), WTEXT("")},
      {WTEXT("D:\\目录\\数据.txt"), WTEXT("数据.txt")},
      {WTEXT("D:\\😀\\𠀀 한.txt"), WTEXT("𠀀 한.txt")},
  };
  for (const auto& c : cases) EXPECT_EQ(text(c.name), WideText(FileNamePart(c.path)));
}

}  // namespace
