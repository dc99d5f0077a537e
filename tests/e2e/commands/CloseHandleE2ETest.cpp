// 关闭句柄 on a real Ostrel.exe, read from the system: the warning it asks
// first and what each answer does to the holder's handle, the refusal of a
// row whose handle value now names another file, and every row at once after
// Ctrl+A. The helper holds its files without delete sharing, so a file can be
// deleted exactly when no handle of it is left open.

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "Dialogs.h"
#include "FileHolderProcess.h"
#include "Input.h"
#include "OstrelSession.h"
#include "RowMenu.h"
#include "ScratchFiles.h"
#include "Wait.h"

namespace {

using e2e::MessageBoxSeen;
using e2e::OstrelSession;
using e2e::OstrelWindow;
using e2e::waitUntil;
using e2e::row_menu::kCloseHandle;
using e2e::row_menu::kHandleRowItems;

constexpr int kHandleColumn = 2;
constexpr DWORD kSearchAgainMs = 60000;

FileHolderProcess::Options withoutDeleteSharing() {
  FileHolderProcess::Options options;
  options.deleteSharing = false;
  return options;
}

std::wstring handleText(uint32_t value) {
  wchar_t text[16];
  std::swprintf(text, std::size(text), L"0x%x", static_cast<unsigned>(value));
  return text;
}

// Deletes the file when nothing holds it; whether it could.
bool deleted(const std::wstring& path) { return ::DeleteFileW(path.c_str()) != FALSE; }

// Chooses 关闭句柄 in the row menu just opened (`menu`) and checks the
// question it asks; `box` is that question's box.
void chooseCloseHandle(HWND menu, DWORD ostrelId, MessageBoxSeen& box) {
  ASSERT_TRUE(e2e::chooseMenuItem(menu, kCloseHandle));
  box = e2e::waitForMessageBox(ostrelId);
  ASSERT_NE(nullptr, box.window);
  EXPECT_EQ(L"提示", box.caption);
  EXPECT_EQ(L"关闭句柄后,占用它的程序可能出错或丢失数据。确定要关闭吗?", box.text);
  EXPECT_TRUE(box.hasIcon);
  EXPECT_NE(nullptr, ::GetDlgItem(box.window, IDYES));
  EXPECT_NE(nullptr, ::GetDlgItem(box.window, IDNO));
}

// Answers 是 to the question; `outcome` is the text of the box that follows,
// which is checked and closed.
void answerYes(const MessageBoxSeen& question, DWORD ostrelId, std::wstring& outcome) {
  ASSERT_TRUE(e2e::pressButton(question.window, IDYES));
  const MessageBoxSeen box = e2e::waitForMessageBox(ostrelId);
  ASSERT_NE(nullptr, box.window);
  outcome = box.text;
  EXPECT_EQ(L"提示", box.caption);
  EXPECT_TRUE(box.hasIcon);
  EXPECT_TRUE(e2e::pressOk(box.window));
}

// Ostrel started on a file that a helper holds without delete sharing, its
// search done and the helper's row found.
class CloseHandle : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(holder_.holding());
    ASSERT_FALSE(deleted(file_));
    window().waitForStatusToSettle();
    holderRow_ = window().rowOfProcess(holder_.pid());
    ASSERT_GE(holderRow_, 0) << "status: " << window().statusText(0);
  }

  const OstrelWindow& window() const { return ostrel_.window(); }
  DWORD ostrelId() { return ostrel_.process().id(); }

  // Opens the row menu on the helper's row, selected alone; its item count.
  int openMenuOnHolder() {
    window().selectOnly(holderRow_);
    return window().openRowMenu(holderRow_, menu_);
  }

  const std::wstring file_ = e2e::scratchFile(L"close handle, held.txt");
  FileHolderProcess holder_{std::vector<std::wstring>{file_}, withoutDeleteSharing()};
  OstrelSession ostrel_{L"\"" + file_ + L"\""};
  int holderRow_ = -1;
  HWND menu_ = nullptr;
};

TEST_F(CloseHandle, AsksFirstNoKeepsTheHandleYesClosesItInTheRunningHolderAndSearchesAgain) {
  ASSERT_EQ(kHandleRowItems, openMenuOnHolder());
  MessageBoxSeen question;
  ASSERT_NO_FATAL_FAILURE(chooseCloseHandle(menu_, ostrelId(), question));

  // 否 is the default: Enter answers it.
  ASSERT_TRUE(e2e::bringToFront(question.window));
  e2e::pressKeys({VK_RETURN});
  ASSERT_TRUE(waitUntil([&] { return !::IsWindow(question.window); }));

  // The menu opens again, so Ostrel is back in its window with no box up:
  // nothing was closed and no search ran.
  ASSERT_EQ(kHandleRowItems, openMenuOnHolder());
  EXPECT_EQ(nullptr, e2e::messageBoxOf(ostrelId()).window);
  EXPECT_FALSE(deleted(file_));
  EXPECT_EQ(holderRow_, window().rowOfProcess(holder_.pid()));

  ASSERT_NO_FATAL_FAILURE(chooseCloseHandle(menu_, ostrelId(), question));
  std::wstring outcome;
  ASSERT_NO_FATAL_FAILURE(answerYes(question, ostrelId(), outcome));
  EXPECT_EQ(L"关闭成功", outcome);
  EXPECT_TRUE(waitUntil([&] { return window().rowOfProcess(holder_.pid()) < 0; }, kSearchAgainMs));
  EXPECT_EQ(L"close handle, held.txt 没有被占用", window().waitForStatusToSettle());
  EXPECT_TRUE(deleted(file_)) << "error " << ::GetLastError();
  EXPECT_TRUE(holder_.running());
}

TEST_F(CloseHandle, ARowWhoseHandleValueNowNamesAnotherFileIsRefused) {
  const std::wstring other = e2e::scratchFile(L"close handle, swapped in.txt");
  const uint32_t listed = holder_.handles().at(0).value;
  ASSERT_EQ(handleText(listed), window().cell(holderRow_, kHandleColumn));
  const auto swapped = holder_.swap(0, other);
  ASSERT_TRUE(swapped.has_value());
  if (swapped->value != listed) {
    GTEST_SKIP() << "the system gave the other file a new handle value (" << handleText(swapped->value)
                 << ", not " << handleText(listed) << "): nothing names the row's handle value";
  }

  ASSERT_EQ(kHandleRowItems, openMenuOnHolder());
  MessageBoxSeen question;
  ASSERT_NO_FATAL_FAILURE(chooseCloseHandle(menu_, ostrelId(), question));
  std::wstring outcome;
  ASSERT_NO_FATAL_FAILURE(answerYes(question, ostrelId(), outcome));
  EXPECT_EQ(0u, outcome.find(L"关闭失败")) << e2e::narrow(outcome);
  EXPECT_NE(std::wstring::npos, outcome.find(L"1个句柄中有1个关闭失败")) << e2e::narrow(outcome);
  EXPECT_TRUE(holder_.running());
  EXPECT_FALSE(deleted(other)) << "the other file's handle was closed";
  // The search ran again all the same: the row's file is no longer held.
  EXPECT_TRUE(waitUntil([&] { return window().rowOfProcess(holder_.pid()) < 0; }, kSearchAgainMs));
  EXPECT_EQ(L"close handle, held.txt 没有被占用", window().waitForStatusToSettle());
}

// Hundreds of rows: closed off the window's thread, one box at the end.
TEST(CloseHandleOnEveryRow, CtrlASelectsEveryRowAndClosesTheirHandlesAtOnce) {
  const std::wstring folder = e2e::scratchFolder(L"ostrel e2e close every row");
  const std::vector<std::wstring> files{folder + L"\\first.txt", folder + L"\\second.txt"};
  FileHolderProcess::Options options = withoutDeleteSharing();
  options.copies = 150;
  constexpr int kRows = 300;
  FileHolderProcess holder(files, options);
  ASSERT_TRUE(holder.holding());
  OstrelSession ostrel(L"\"" + folder + L"\"");
  const OstrelWindow& window = ostrel.window();
  window.waitForStatusToSettle();
  ASSERT_EQ(kRows, window.rowCount()) << "status: " << window.statusText(0);

  window.selectOnly(-1);
  window.settleInput();
  ASSERT_EQ(window.list(), window.focus());
  window.pressKey('A', {VK_CONTROL});
  ASSERT_TRUE(waitUntil([&] { return window.selectedCount() == kRows; }));

  // A right click on a selected row keeps the selection.
  HWND menu = nullptr;
  ASSERT_EQ(kHandleRowItems, window.openRowMenu(1, menu));
  EXPECT_EQ(kRows, window.selectedCount());
  MessageBoxSeen question;
  ASSERT_NO_FATAL_FAILURE(chooseCloseHandle(menu, ostrel.process().id(), question));
  std::wstring outcome;
  ASSERT_NO_FATAL_FAILURE(answerYes(question, ostrel.process().id(), outcome));
  EXPECT_EQ(L"关闭成功", outcome);
  EXPECT_TRUE(waitUntil([&] { return window.rowCount() == 0; }, kSearchAgainMs));
  for (const std::wstring& file : files) EXPECT_TRUE(deleted(file)) << e2e::narrow(file);
  EXPECT_TRUE(holder.running());
}

}  // namespace
