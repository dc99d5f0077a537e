// What a real Ostrel.exe finds for the kinds of target it is given: a folder
// (everything held at any depth below it, nothing in a sibling whose name
// starts alike), a file named by its short 8.3 name (found, the status keeping
// the name given), and files a helper holds as loaded modules (rows that say
// 模块 and offer no 关闭句柄).

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "FileHolderProcess.h"
#include "Input.h"
#include "OstrelSession.h"
#include "RowMenu.h"
#include "ScratchFiles.h"
#include "Wait.h"

namespace {

using e2e::narrow;
using e2e::OstrelSession;
using e2e::OstrelWindow;
using e2e::waitUntil;

constexpr int kPathColumn = 1;
constexpr int kHandleColumn = 2;
constexpr int kProcessIdColumn = 3;
constexpr int kProcessNameColumn = 4;
const wchar_t kModuleText[] = L"模块";

std::wstring Quoted(const std::wstring& path) { return L"\"" + path + L"\""; }

std::wstring Lower(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(::towlower(c));
  return text;
}

// A row of the helper as the test expects it: which file, and whether as a
// loaded module (else as a handle).
struct HelperRow {
  std::wstring path;  // lower case
  bool module;
  bool operator<(const HelperRow& other) const {
    return path != other.path ? path < other.path : module < other.module;
  }
  bool operator==(const HelperRow& other) const { return path == other.path && module == other.module; }
};

void PrintTo(const HelperRow& row, std::ostream* out) { *out << (row.module ? "module " : "handle ") << narrow(row.path); }

HelperRow Expected(const std::wstring& path, bool module) { return {Lower(path), module}; }

// The rows the window shows for process `pid`, sorted.
std::vector<HelperRow> RowsOf(const OstrelWindow& window, DWORD pid) {
  std::vector<HelperRow> rows;
  for (const e2e::Row& row : window.rows()) {
    if (row.columns[kProcessIdColumn] != std::to_wstring(pid)) continue;
    EXPECT_EQ(L"file_holder.exe", row.columns[kProcessNameColumn]);
    rows.push_back({Lower(row.columns[kPathColumn]), row.columns[kHandleColumn] == kModuleText});
  }
  std::sort(rows.begin(), rows.end());
  return rows;
}

TEST(Targets, AFolderListsWhatIsHeldAtAnyDepthBelowItButNotInASiblingWhoseNameStartsAlike) {
  const std::wstring base = e2e::scratchFolder(L"ostrel e2e folder target");
  e2e::scratchFolder(L"ostrel e2e folder target\\data\\a\\b");
  e2e::scratchFolder(L"ostrel e2e folder target\\data2");
  const std::wstring below = base + L"\\data\\a\\b\\held.txt";
  const std::wstring sibling = base + L"\\data2\\held.txt";
  FileHolderProcess holder({below, sibling});
  ASSERT_TRUE(holder.holding());

  OstrelSession session(Quoted(base + L"\\data"));
  EXPECT_EQ(L"data 被占用了", session.window().waitForStatusToSettle());
  EXPECT_EQ(std::vector<HelperRow>{Expected(below, false)}, RowsOf(session.window(), holder.pid()));
  EXPECT_EQ(1, session.window().rowCount());
}

TEST(Targets, AFileAskedForByItsShortNameIsFoundAndTheStatusKeepsTheNameGiven) {
  const wchar_t kLongName[] = L"a long file name for short.txt";
  const std::wstring target = e2e::scratchFile(kLongName);
  FileHolderProcess holder({target});
  ASSERT_TRUE(holder.holding());
  wchar_t shortPath[MAX_PATH] = {};
  const DWORD length = ::GetShortPathNameW(target.c_str(), shortPath, MAX_PATH);
  ASSERT_GT(length, 0u);
  ASSERT_LT(length, static_cast<DWORD>(MAX_PATH));
  const std::wstring given(shortPath, length);
  const std::wstring givenName = given.substr(given.find_last_of(L'\\') + 1);
  if (givenName == kLongName) GTEST_SKIP() << "the file system gave the file no short name";

  OstrelSession session(Quoted(given));
  EXPECT_EQ(givenName + L" 被占用了", session.window().waitForStatusToSettle());
  EXPECT_EQ(std::vector<HelperRow>{Expected(target, false)}, RowsOf(session.window(), holder.pid()));
}

FileHolderProcess::Options Loading(const std::wstring& module) {
  FileHolderProcess::Options options;
  options.modules.push_back(module);
  return options;
}

// A helper that has a copy of held_module.dll loaded, in a folder of the
// test's own, and holds a file beside it.
class HeldModule : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(holder_.holding());
    ASSERT_EQ(1u, holder_.modules().size());
  }

  const std::wstring folder_ = e2e::scratchFolder(L"ostrel e2e held module");
  const std::wstring module_ = e2e::copyFromDriverFolder(L"held_module.dll", folder_);
  const std::wstring file_ = folder_ + L"\\held beside the module.txt";
  FileHolderProcess holder_{std::vector<std::wstring>{file_}, Loading(module_)};
};

TEST_F(HeldModule, ModuleRowsSayModuleForTheDllItsFolderAndTheHelpersOwnExe) {
  const std::wstring exe = e2e::besideDriver(L"file_holder.exe");
  struct Case {
    std::wstring target;
    std::wstring status;
    std::vector<HelperRow> rows;  // the helper's, sorted
  };
  const Case cases[] = {
      {module_, L"held_module.dll 被占用了", {Expected(module_, true)}},
      {exe, L"file_holder.exe 被占用了", {Expected(exe, true)}},
      {folder_, L"ostrel e2e held module 被占用了", {Expected(file_, false), Expected(module_, true)}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(narrow(c.target));
    std::vector<HelperRow> expected = c.rows;
    std::sort(expected.begin(), expected.end());
    OstrelSession session(Quoted(c.target));
    EXPECT_EQ(c.status, session.window().waitForStatusToSettle());
    EXPECT_EQ(expected, RowsOf(session.window(), holder_.pid()));
  }
}

TEST_F(HeldModule, AModuleRowOffersNoCloseHandle) {
  OstrelSession session(Quoted(module_));
  const OstrelWindow& window = session.window();
  window.waitForStatusToSettle();
  const int row = window.rowOfProcess(holder_.pid());
  ASSERT_GE(row, 0);
  ASSERT_EQ(kModuleText, window.cell(row, kHandleColumn));
  window.selectOnly(row);
  HWND menu = nullptr;
  EXPECT_EQ(e2e::row_menu::kModuleRowItems, window.openRowMenu(row, menu));
  e2e::pressKeys({VK_ESCAPE});
  EXPECT_TRUE(waitUntil([&] { return !::IsWindowVisible(menu); }));
}

}  // namespace
