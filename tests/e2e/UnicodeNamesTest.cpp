// Names that code page 936 cannot hold, and a holder whose program has a
// Chinese name, found and shown exactly; a character of such a name typed
// into the search box filters by itself. The same cases run under a system
// code page that is not 936 (see CMakeLists.txt): Ostrel's own texts and
// the rows read the same there.

#include <windows.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "FileHolderProcess.h"
#include "OstrelProcess.h"
#include "OstrelSession.h"
#include "OstrelWindow.h"
#include "ScratchFiles.h"
#include "Wait.h"

namespace {

using e2e::OstrelSession;

constexpr int kNameColumn = 0;
constexpr int kPathColumn = 1;
constexpr int kProcessIdColumn = 3;
constexpr int kProcessNameColumn = 4;

// Hangul, CJK, an emoji (a surrogate pair) and CJK extension B; the two names
// differ only in the emoji's low unit, and narrow to the same "??" text.
const wchar_t kHeldName[] = L"\uD55C\uAD6D\uC5B4 \u5831\u544A \U0001F601 \U00020000.txt";
const wchar_t kLookAlikeName[] = L"\uD55C\uAD6D\uC5B4 \u5831\u544A \U0001F600 \U00020000.txt";
const wchar_t kChineseHolder[] = L"占用者.exe";

FileHolderProcess::Options RunAs(const std::wstring& program) {
  FileHolderProcess::Options options;
  options.program = program;
  return options;
}

// A copy of the helper under a Chinese name holds the file; the plain helper
// holds its look-alike.
class UnicodeNames : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(::CopyFileW(e2e::besideDriver(L"file_holder.exe").c_str(), chineseHolder_.c_str(), FALSE));
    holder_ = std::make_unique<FileHolderProcess>(std::vector<std::wstring>{held_}, RunAs(chineseHolder_));
    ASSERT_TRUE(holder_->holding());
    ASSERT_TRUE(lookAlikeHolder_.holding());
  }
  void TearDown() override {
    holder_.reset();
    ::DeleteFileW(chineseHolder_.c_str());
  }

  const std::wstring folder_ = e2e::scratchFolder(L"ostrel e2e unicode names");
  const std::wstring chineseHolder_ = folder_ + L"\\" + kChineseHolder;
  const std::wstring held_ = e2e::scratchFile(L"ostrel e2e unicode names\\" + std::wstring(kHeldName));
  const std::wstring lookAlike_ = e2e::scratchFile(L"ostrel e2e unicode names\\" + std::wstring(kLookAlikeName));
  std::unique_ptr<FileHolderProcess> holder_;
  FileHolderProcess lookAlikeHolder_{std::vector<std::wstring>{lookAlike_}};
};

TEST_F(UnicodeNames, TheFileIsFoundExactlyAndOnlyItselfWithItsHoldersChineseName) {
  OstrelSession session(L"\"" + held_ + L"\"");
  const auto& window = session.window();
  EXPECT_EQ(std::wstring(kHeldName) + L" 被占用了", window.waitForStatusToSettle());
  EXPECT_EQ(L"1个文件", window.statusText(1));
  const std::vector<e2e::Row> rows = window.rows();
  ASSERT_EQ(1u, rows.size());
  EXPECT_EQ(kHeldName, rows[0].columns[kNameColumn]);
  EXPECT_EQ(held_, rows[0].columns[kPathColumn]);
  EXPECT_EQ(std::to_wstring(holder_->pid()), rows[0].columns[kProcessIdColumn]);
  EXPECT_EQ(kChineseHolder, rows[0].columns[kProcessNameColumn]);
}

TEST_F(UnicodeNames, EveryFileListsBothNamesApartWithTheSameTexts) {
  OstrelSession session;
  const auto& window = session.window();
  EXPECT_EQ(L"查找完成", window.waitForStatusToSettle());
  int held = 0;
  int lookAlike = 0;
  for (const e2e::Row& row : window.rows()) {
    if (row.columns[kPathColumn] == held_) {
      ++held;
      EXPECT_EQ(kChineseHolder, row.columns[kProcessNameColumn]);
    }
    if (row.columns[kPathColumn] == lookAlike_) {
      ++lookAlike;
      EXPECT_EQ(L"file_holder.exe", row.columns[kProcessNameColumn]);
    }
  }
  EXPECT_EQ(1, held);
  EXPECT_EQ(1, lookAlike);

  // Typed into the search box, a character that code pages 936 and 1252
  // cannot hold (U+D55C) filters by itself: the two rows whose path has it
  // stay, every other row goes.
  ASSERT_GT(window.rowCount(), 2);
  window.openSearchBox();
  window.typeIntoSearchBox(L"\uD55C");
  std::vector<e2e::Row> rows;
  EXPECT_TRUE(e2e::waitUntil([&] {
    rows = window.rows();
    return rows.size() == 2;
  })) << rows.size() << " rows";
  for (const e2e::Row& row : rows) {
    EXPECT_TRUE(row.columns[kPathColumn] == held_ || row.columns[kPathColumn] == lookAlike_)
        << e2e::narrow(row.columns[kPathColumn]);
  }
}

}  // namespace
