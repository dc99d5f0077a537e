// The row context menu of a real Ostrel.exe: a right click with the mouse,
// the items it offers, and what each action does to the system.

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "../../support/ClipboardText.h"
#include "Dialogs.h"
#include "FileHolderProcess.h"
#include "Input.h"
#include "OstrelSession.h"
#include "OtherProcesses.h"
#include "RowMenu.h"
#include "ScratchFiles.h"
#include "Wait.h"

namespace {

using e2e::OstrelSession;
using e2e::OstrelWindow;
using e2e::waitUntil;

using e2e::row_menu::kCopyFileLocation;
using e2e::row_menu::kEndProcess;
using e2e::row_menu::kViewFileLocation;
constexpr int kRowItems = e2e::row_menu::kHandleRowItems;
constexpr int kRefreshOnly = e2e::row_menu::kNoRowItems;
constexpr size_t kRefresh = e2e::row_menu::kRefreshOnHandleRow;
constexpr int kPathColumn = 1;

// Ostrel started on a file that a helper holds, its search done.
class RowActions : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(holder_.holding());
    window().waitForStatusToSettle();
    ASSERT_GE(window().rowCount(), 1) << "status: " << window().statusText(0);
    holderRow_ = window().rowOfProcess(holder_.pid());
    ASSERT_GE(holderRow_, 0);
  }

  const OstrelWindow& window() const { return ostrel_.window(); }
  DWORD ostrelId() { return ostrel_.process().id(); }

  // Right-clicks the holder's row with the mouse; the number of items offered.
  int openRowMenu() { return window().openRowMenu(holderRow_, menu_); }

  // Chooses the item at `position` (0-based) with the keyboard; the menu goes.
  void choose(size_t position) { ASSERT_TRUE(e2e::chooseMenuItem(menu_, position)); }

  // A name no code page holds: the row, the copy and Explorer get it exactly.
  const std::wstring file_ = e2e::scratchFile(L"row actions, \uD55C\uAD6D\uC5B4 \u5831\u544A \U0001F601.txt");
  FileHolderProcess holder_{std::vector<std::wstring>{file_}};
  OstrelSession ostrel_{L"\"" + file_ + L"\""};
  int holderRow_ = -1;
  HWND menu_ = nullptr;
};

TEST_F(RowActions, RightClickOffersTheRowItemsForASelectedRowAndOnlyRefreshWithoutOne) {
  window().selectOnly(holderRow_);
  EXPECT_EQ(kRowItems, openRowMenu());
  e2e::pressKeys({VK_ESCAPE});
  ASSERT_TRUE(waitUntil([this] { return !::IsWindowVisible(menu_); }, 10000));

  // Without a row the one item is 刷新: choosing it searches again, which
  // the holder's row, gone by then, shows. A click below the rows selects none.
  const DWORD holderId = holder_.pid();
  holder_.kill();
  window().selectOnly(-1);
  ASSERT_TRUE(e2e::bringToFront(window().hwnd()));
  RECT list{};
  ::GetWindowRect(window().list(), &list);
  e2e::clickAt(POINT{(list.left + list.right) / 2, list.bottom - 8}, true);
  EXPECT_EQ(kRefreshOnly, e2e::waitForPopupMenuItemCount(ostrel_.process().handle(), ostrelId(), menu_));
  // The first menu, dismissed, did nothing: no box came and the rows are
  // still those of the first search.
  EXPECT_EQ(nullptr, e2e::messageBoxOf(ostrelId()).window);
  EXPECT_EQ(holderRow_, window().rowOfProcess(holderId));
  choose(0);
  EXPECT_TRUE(waitUntil([&] { return window().rowOfProcess(holderId) < 0; }, 60000));
  window().waitForStatusToSettle();
}

TEST_F(RowActions, CopyPutsExactlyThePathOnTheClipboardAndSaysSo) {
  window().selectOnly(holderRow_);
  ASSERT_EQ(kRowItems, openRowMenu());
  choose(kCopyFileLocation);
  const e2e::MessageBoxSeen box = e2e::waitForMessageBox(ostrelId());
  ASSERT_NE(nullptr, box.window);
  EXPECT_EQ(L"复制成功", box.text);
  EXPECT_EQ(L"提示", box.caption);
  EXPECT_TRUE(box.hasIcon);
  std::wstring copied;
  EXPECT_TRUE(ReadClipboardText(copied));
  EXPECT_EQ(window().cell(holderRow_, kPathColumn), copied);
  EXPECT_EQ(file_, copied);
  EXPECT_TRUE(e2e::pressOk(box.window));
}

// Shift+F10 opens the menu of the selected row under the row, and its items
// act as from a right click; the menu key with no row selected opens the
// menu of 刷新 alone at the list's top-left corner.
TEST_F(RowActions, ShiftF10AndTheMenuKeyOpenTheRowMenuAtTheRowOrAtTheListsCorner) {
  window().selectOnly(holderRow_);
  window().pressKey(VK_F10, {VK_SHIFT});
  ASSERT_EQ(kRowItems, e2e::waitForPopupMenuItemCount(ostrel_.process().handle(), ostrelId(), menu_));
  RECT menu{};
  ::GetWindowRect(menu_, &menu);
  const POINT row = window().rowCentre(holderRow_);
  EXPECT_GT(menu.top, row.y) << "below the row's middle";
  EXPECT_LT(menu.top - row.y, 40) << "close under the row";
  choose(kCopyFileLocation);
  const e2e::MessageBoxSeen box = e2e::waitForMessageBox(ostrelId());
  ASSERT_NE(nullptr, box.window);
  EXPECT_EQ(L"复制成功", box.text);
  std::wstring copied;
  EXPECT_TRUE(ReadClipboardText(copied));
  EXPECT_EQ(file_, copied);
  EXPECT_TRUE(e2e::pressOk(box.window));

  window().selectOnly(-1);
  window().pressKey(VK_APPS);
  ASSERT_EQ(kRefreshOnly, e2e::waitForPopupMenuItemCount(ostrel_.process().handle(), ostrelId(), menu_));
  RECT list{};
  ::GetWindowRect(window().list(), &list);
  ::GetWindowRect(menu_, &menu);
  EXPECT_LE(std::abs(menu.left - list.left), 4);
  EXPECT_LE(std::abs(menu.top - list.top), 4);
  e2e::pressKeys({VK_ESCAPE});
  EXPECT_TRUE(waitUntil([this] { return !::IsWindowVisible(menu_); }, 10000));
}

TEST_F(RowActions, EndProcessEndsTheHolderThenFailsOnTheEndedOne) {
  window().selectOnly(holderRow_);
  ASSERT_EQ(kRowItems, openRowMenu());
  choose(kEndProcess);
  e2e::MessageBoxSeen box = e2e::waitForMessageBox(ostrelId());
  ASSERT_NE(nullptr, box.window);
  EXPECT_EQ(L"结束成功", box.text);
  EXPECT_EQ(L"提示", box.caption);
  EXPECT_TRUE(box.hasIcon);
  EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(holder_.process(), 10000));
  EXPECT_TRUE(e2e::pressOk(box.window));

  // The row stays until the next search; ending it again fails.
  ASSERT_EQ(holderRow_, window().rowOfProcess(holder_.pid()));
  window().selectOnly(holderRow_);
  ASSERT_EQ(kRowItems, openRowMenu());
  choose(kEndProcess);
  box = e2e::waitForMessageBox(ostrelId());
  ASSERT_NE(nullptr, box.window);
  EXPECT_EQ(L"结束失败", box.text);
  EXPECT_TRUE(e2e::pressOk(box.window));
}

// Rows of two programs selected: 结束进程 asks once, ends both, says so in
// one box, then searches again.
TEST(RowActionsOnSeveralPrograms, EndProcessAsksOnceEndsEveryProgramAndSaysSoOnce) {
  const std::wstring file = e2e::scratchFile(L"end several programs.txt");
  FileHolderProcess first{std::vector<std::wstring>{file}};
  FileHolderProcess second{std::vector<std::wstring>{file}};
  ASSERT_TRUE(first.holding() && second.holding());
  OstrelSession ostrel(L"\"" + file + L"\"");
  const OstrelWindow& window = ostrel.window();
  const DWORD ostrelId = ostrel.process().id();
  window.waitForStatusToSettle();
  ASSERT_EQ(2, window.rowCount());
  window.pressKey('A', {VK_CONTROL});
  ASSERT_TRUE(waitUntil([&] { return window.selectedCount() == 2; }));
  HWND menu = nullptr;
  ASSERT_EQ(kRowItems, window.openRowMenu(0, menu));
  ASSERT_EQ(2, window.selectedCount());
  ASSERT_TRUE(e2e::chooseMenuItem(menu, kEndProcess));

  e2e::MessageBoxSeen box = e2e::waitForMessageBox(ostrelId);
  ASSERT_NE(nullptr, box.window);
  EXPECT_EQ(L"确定要结束这2个进程吗?", box.text);
  EXPECT_EQ(L"提示", box.caption);
  EXPECT_TRUE(first.running() && second.running()) << "nothing is ended before the answer";
  ASSERT_TRUE(e2e::pressButton(box.window, IDYES));

  box = e2e::waitForMessageBox(ostrelId);
  ASSERT_NE(nullptr, box.window);
  EXPECT_EQ(L"结束成功", box.text);
  EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(first.process(), 10000));
  EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(second.process(), 10000));
  EXPECT_TRUE(e2e::pressOk(box.window));
  // The search runs again and finds no holder; no second box came.
  EXPECT_TRUE(waitUntil([&] { return window.rowCount() == 0; }, 60000));
  EXPECT_EQ(L"end several programs.txt 没有被占用", window.waitForStatusToSettle());
  EXPECT_EQ(nullptr, e2e::messageBoxOf(ostrelId).window);
}

TEST_F(RowActions, ViewFileLocationStartsExplorerSelectingTheQuotedPath) {
  const std::wstring expected = L"/select,\"" + file_ + L"\"";
  e2e::endProcessesWith(L"explorer.exe", L"/select,");
  window().selectOnly(holderRow_);
  ASSERT_EQ(kRowItems, openRowMenu());
  choose(kViewFileLocation);
  EXPECT_TRUE(waitUntil([&] {
    for (const std::wstring& line : e2e::commandLinesOf(L"explorer.exe")) {
      if (line.size() >= expected.size() && line.compare(line.size() - expected.size(), expected.size(), expected) == 0) {
        return true;
      }
    }
    return false;
  }));
  e2e::endProcessesWith(L"explorer.exe", L"/select,");
}

TEST_F(RowActions, RefreshSearchesAgain) {
  // After the holder is gone a new search no longer finds it.
  const DWORD holderId = holder_.pid();
  holder_.kill();
  window().selectOnly(holderRow_);
  ASSERT_EQ(kRowItems, openRowMenu());
  choose(kRefresh);
  ASSERT_TRUE(waitUntil([&] { return window().rowOfProcess(holderId) < 0; }, 60000));
  window().waitForStatusToSettle();
  EXPECT_EQ(-1, window().rowOfProcess(holderId));
}

}  // namespace
