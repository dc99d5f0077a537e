// The main window on its own dialog: a refresh refused while a search runs
// or handles are being closed says which in a box, and a batch's end whose
// message was dropped is still taken (by the watch timer's message).

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <memory>
#include <thread>

#include "SearchWindowsTestSupport.h"
#include "fakes/FakeSystem.h"
#include "res/resource.h"
#include "ui/framework/DialogWindow.h"
#include "ui/framework/PendingCreationList.h"
#include "ui/main/MainWindow.h"

namespace {

// A search thread that never runs: the window's search stays busy.
std::shared_ptr<std::thread> neverRun(std::function<void()>) { return std::make_shared<std::thread>(); }

void refresh(const MainWindow& window) { ::SendMessageW(window.hwnd(), WM_COMMAND, ID_REFRESH, 0); }

TEST(MainWindow, ARefusedRefreshSaysWhatRunsAndADroppedClosingEndIsStillTaken) {
  FakeSystem system;
  FakeSystem::Process holder{u"holder.exe", "C:\\holder.exe"};
  holder.creationTime = 1234;
  system.addProcess(700, holder);
  system.addHandle(700, 0x44, {u"File", u"", "\\\\?\\C:\\data\\held.txt"});
  const ScopedThreadLauncher idle(&neverRun);
  const auto window = std::make_shared<MainWindow>(L"C:\\data\\held.txt", false);
  ASSERT_TRUE(window->open());
  ASSERT_TRUE(window->session().busy()) << "the first search starts with the window";
  MessageBoxCatcher catcher;

  refresh(*window);
  EXPECT_EQ(1, catcher.caught().count);
  EXPECT_EQ(L"正在查找", catcher.caught().text);
  EXPECT_EQ(L"提示", catcher.caught().caption);
  EXPECT_TRUE(catcher.caught().errorIcon);
  EXPECT_EQ(window->hwnd(), catcher.caught().owner);
  window->session().finishSearch();

  ASSERT_TRUE(window->session().startClosing({HeldHandle{700, 1234, 0x44, SharedText(std::wstring(L"C:\\data\\held.txt"))}}));
  system.waitForThreads();

  // The end's message is dropped, as a full queue would drop it.
  MSG message;
  int dropped = 0;
  while (::PeekMessageW(&message, window->hwnd(), MainWindow::kClosingDoneMessage, MainWindow::kClosingDoneMessage,
                        PM_REMOVE)) {
    ++dropped;
  }
  EXPECT_EQ(1, dropped);
  EXPECT_TRUE(window->session().closing());
  refresh(*window);
  EXPECT_EQ(2, catcher.caught().count);
  EXPECT_EQ(L"正在关闭", catcher.caught().text) << "not 正在查找: no search is running";
  EXPECT_TRUE(window->session().closing()) << "only the window's own look takes the end";
  ::SendMessageW(window->hwnd(), WM_TIMER, MainWindow::kClosingWatchTimer, 0);
  EXPECT_FALSE(window->session().closing()) << "the timer took the end";
  EXPECT_EQ(3, catcher.caught().count);
  EXPECT_EQ(L"关闭成功", catcher.caught().text);
  EXPECT_FALSE(system.holds(700, 0x44));
  ::SendMessageW(window->hwnd(), WM_TIMER, MainWindow::kClosingWatchTimer, 0);
  EXPECT_EQ(3, catcher.caught().count) << "an end is reported once";
}

// A search's end whose message was dropped is taken by the window's watch
// timer, once; a late message then changes nothing.
TEST(MainWindow, ADroppedSearchEndIsStillTaken) {
  FakeSystem system;
  FakeSystem::Process holder{u"holder.exe", "C:\\holder.exe"};
  system.addProcess(700, holder);
  system.addHandle(700, 0x44, {u"File", u"", "\\\\?\\C:\\data\\held.txt"});
  const auto window = std::make_shared<MainWindow>(L"C:\\data\\held.txt", false);
  ASSERT_TRUE(window->open());
  for (int waited = 0; !window->session().searchHasEnded() && waited < 30000; waited += 10) ::Sleep(10);
  ASSERT_TRUE(window->session().searchHasEnded());
  MSG message;
  int dropped = 0;
  while (::PeekMessageW(&message, window->hwnd(), MainWindow::kSearchDoneMessage, MainWindow::kSearchDoneMessage,
                        PM_REMOVE)) {
    ++dropped;
  }
  EXPECT_EQ(1, dropped);
  EXPECT_TRUE(window->session().busy()) << "only the window's own look takes the end";
  ::SendMessageW(window->hwnd(), WM_TIMER, MainWindow::kSearchWatchTimer, 0);
  EXPECT_FALSE(window->session().busy()) << "the timer took the end";
  ASSERT_EQ(1u, window->session().results().size());
  ::SendMessageW(window->hwnd(), MainWindow::kSearchDoneMessage, 0, 0);
  EXPECT_EQ(1u, window->session().results().size()) << "a late end changes nothing";
}

}  // namespace

int main(int argc, char** argv) {
  RecordResourceModule();
  PendingCreationList::InitialiseLock();
  INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX), 0x9FFF};
  ::InitCommonControlsEx(&classes);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
