// Freeing a held file from the row menu of a real Ostrel.exe, read from the
// system: 解除占用并删除 and 解除占用并重命名... on a file that a running
// helper holds without delete sharing. The helper keeps running: only its
// handle is closed.

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "Dialogs.h"
#include "FileHolderProcess.h"
#include "OstrelSession.h"
#include "RowMenu.h"
#include "ScratchFiles.h"
#include "TopLevelWindow.h"
#include "Wait.h"

namespace {

using e2e::MessageBoxSeen;
using e2e::OstrelSession;
using e2e::OstrelWindow;
using e2e::waitUntil;

constexpr int kRenameEditId = 1020;  // the rename box's edit control
constexpr DWORD kSearchAgainMs = 60000;

bool exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Ostrel started on a file that a helper holds without delete sharing, its
// search done and the helper's row found.
class ReleaseFromRowMenu : public ::testing::Test {
 protected:
  void SetUp() override {
    ::DeleteFileW(renamed_.c_str());  // left by an earlier run
    ASSERT_TRUE(holder_.holding());
    window().waitForStatusToSettle();
    holderRow_ = window().rowOfProcess(holder_.pid());
    ASSERT_GE(holderRow_, 0) << "status: " << window().statusText(0);
  }
  void TearDown() override { ::DeleteFileW(renamed_.c_str()); }

  const OstrelWindow& window() const { return ostrel_.window(); }
  DWORD ostrelId() { return ostrel_.process().id(); }

  // Chooses the item at `position` on the helper's row, selected alone.
  void choose(size_t position) {
    window().selectOnly(holderRow_);
    HWND menu = nullptr;
    ASSERT_EQ(e2e::row_menu::kHandleRowItems, window().openRowMenu(holderRow_, menu));
    ASSERT_TRUE(e2e::chooseMenuItem(menu, position));
  }

  // Answers the question (asked first, 否 its default) with 是; the text
  // of the one box that follows, closed.
  std::wstring agree() {
    const MessageBoxSeen question = e2e::waitForMessageBox(ostrelId());
    EXPECT_EQ(L"提示", question.caption);
    EXPECT_EQ(0u, question.text.find(L"将关闭1个程序的1个句柄,这些程序可能出错或丢失数据。")) << e2e::narrow(question.text);
    if (question.window == nullptr || !e2e::pressButton(question.window, IDYES)) return L"(no question)";
    return answerBox();
  }

  std::wstring answerBox() {
    const MessageBoxSeen box = e2e::waitForMessageBox(ostrelId());
    if (box.window == nullptr) return L"(no box)";
    EXPECT_EQ(L"提示", box.caption);
    EXPECT_TRUE(e2e::pressOk(box.window));
    return box.text;
  }

  // Types `name` into the rename box and presses OK.
  void rename(const std::wstring& name) {
    HWND box = nullptr;
    ASSERT_TRUE(waitUntil([&] { return (box = e2e::findTopLevel(ostrelId(), L"#32770", L"重命名")) != nullptr; }));
    const HWND edit = ::GetDlgItem(box, kRenameEditId);
    ASSERT_NE(nullptr, edit);
    EXPECT_EQ(L"release, held.txt", e2e::windowText(edit)) << "the current name";
    ::SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name.c_str()));
    ASSERT_TRUE(e2e::pressButton(box, IDOK));
  }

  const std::wstring file_ = e2e::scratchFile(L"release, held.txt");
  const std::wstring renamed_ = e2e::tempDirectory() + L"release, renamed.txt";
  FileHolderProcess holder_{std::vector<std::wstring>{file_}, [] {
                              FileHolderProcess::Options options;
                              options.deleteSharing = false;
                              return options;
                            }()};
  OstrelSession ostrel_{L"\"" + file_ + L"\""};
  int holderRow_ = -1;
};

TEST_F(ReleaseFromRowMenu, DeleteRemovesTheFileFromItsFolderAndTheHolderRuns) {
  ASSERT_NO_FATAL_FAILURE(choose(e2e::row_menu::kReleaseAndDelete));
  EXPECT_EQ(L"删除成功", agree());
  EXPECT_FALSE(exists(file_));
  EXPECT_TRUE(holder_.running());
  // The list searched again: the helper's row is gone.
  EXPECT_TRUE(waitUntil([&] { return window().rowOfProcess(holder_.pid()) < 0; }, kSearchAgainMs));
}

TEST_F(ReleaseFromRowMenu, RenameRefusesABadNameClosingNothingThenRenames) {
  ASSERT_NO_FATAL_FAILURE(choose(e2e::row_menu::kReleaseAndRename));
  ASSERT_NO_FATAL_FAILURE(rename(L"release: held.txt"));
  EXPECT_EQ(L"重命名失败\n名称不能包含下列字符:\\ / : * ? \" < > |", answerBox());
  // Nothing closed: the file still cannot be deleted, and the row stands.
  EXPECT_FALSE(::DeleteFileW(file_.c_str()));
  EXPECT_TRUE(exists(file_));
  EXPECT_EQ(holderRow_, window().rowOfProcess(holder_.pid()));

  ASSERT_NO_FATAL_FAILURE(choose(e2e::row_menu::kReleaseAndRename));
  ASSERT_NO_FATAL_FAILURE(rename(L"release, renamed.txt"));
  EXPECT_EQ(L"重命名成功", agree());
  EXPECT_FALSE(exists(file_));
  EXPECT_TRUE(exists(renamed_));
  EXPECT_TRUE(holder_.running());
  EXPECT_TRUE(waitUntil([&] { return window().rowOfProcess(holder_.pid()) < 0; }, kSearchAgainMs));
}

}  // namespace
