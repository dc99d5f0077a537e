// The main window as the user gets it: its resources, its controls and their
// layout, the keyboard, and how it ends. Valid while the search finds nothing
// ("准备就绪") and once it reports its outcome.

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "OstrelSession.h"
#include "Screenshot.h"

namespace {

using e2e::OstrelSession;

constexpr int kListId = 1001;
constexpr int kStatusId = 1002;
constexpr int kSearchId = 1005;
constexpr int kSearchBoxHeight = 22;

bool EndsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// Part 0 once a search has run, or the text set up before the first search.
bool IsSettledStatus(const std::string& text) {
  return text == "准备就绪" || text == "查找完成" || text == "查找失败" || EndsWith(text, " 被占用了") ||
         EndsWith(text, " 没有被占用");
}

TEST(MainWindow, OpensWithCaptionColumnsAndStatus) {
  OstrelSession session;
  const auto& window = session.window();
  EXPECT_EQ(window.caption(), "Ostrel");
  const std::string status = window.waitForStatusToSettle();
  EXPECT_TRUE(IsSettledStatus(status)) << status;

  struct Expected {
    const char* header;
    int width;
    int format;
  };
  const Expected expected[] = {{"文件名", 200, LVCFMT_LEFT},
                               {"路径", 350, LVCFMT_LEFT},
                               {"句柄", 100, LVCFMT_LEFT},
                               {"进程ID", 100, LVCFMT_LEFT},
                               {"进程名", 200, LVCFMT_RIGHT}};
  auto columns = window.columns();
  ASSERT_EQ(columns.size(), 5u);
  for (size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(columns[i].header, expected[i].header) << "column " << i;
    EXPECT_EQ(columns[i].width, expected[i].width) << "column " << i;
    EXPECT_EQ(columns[i].format & LVCFMT_JUSTIFYMASK, expected[i].format) << "column " << i;
  }

  // Part 1 counts the rows once a search has reported; part 2 is never written.
  const std::string count = window.statusText(1);
  if (!count.empty()) {
    char expectedCount[32];
    std::snprintf(expectedCount, sizeof expectedCount, "%d个文件", window.rowCount());
    EXPECT_EQ(count, expectedCount);
  }
  EXPECT_EQ(window.statusText(2), "");
  for (const auto& row : window.rows()) {
    EXPECT_GE(row.itemParameter, 0);
  }
}

TEST(MainWindow, ListStylesFontAndIconsAreSetUp) {
  OstrelSession session;
  const auto& window = session.window();
  window.waitForStatusToSettle();
  // Resizable by its border.
  EXPECT_NE(window.style() & WS_THICKFRAME, 0);
  EXPECT_NE(::GetWindowLongPtrA(window.hwnd(), GWL_EXSTYLE) & WS_EX_APPWINDOW, 0);
  const auto extended = static_cast<DWORD>(window.send(window.list(), LVM_GETEXTENDEDLISTVIEWSTYLE));
  EXPECT_EQ(extended & (LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_SUBITEMIMAGES),
            static_cast<DWORD>(LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_SUBITEMIMAGES));
  EXPECT_NE(window.send(window.list(), LVM_GETIMAGELIST, LVSIL_SMALL), 0);
  // The big icon is checked by the framework tests: Wine answers WM_GETICON
  // from another process with no icon.
  // The status parts' right edges.
  EXPECT_EQ(window.send(window.statusBar(), SB_GETPARTS, 0, 0), 3);
}

TEST(MainWindow, ListFillsTheClientAreaDownToTheStatusBar) {
  OstrelSession session;
  const auto& window = session.window();
  window.waitForStatusToSettle();
  const RECT client = window.clientRect();
  const auto status = window.control(kStatusId);
  const auto list = window.control(kListId);
  const auto search = window.control(kSearchId);

  EXPECT_TRUE(status.visible);
  EXPECT_GT(status.height(), 0);
  EXPECT_EQ(status.rect.left, 0);
  EXPECT_EQ(status.rect.right, client.right);
  EXPECT_EQ(status.rect.bottom, client.bottom);

  EXPECT_FALSE(search.visible);
  EXPECT_TRUE(list.visible);
  EXPECT_EQ(list.rect.left, 0);
  EXPECT_EQ(list.rect.top, 0);
  EXPECT_EQ(list.rect.right, client.right);
  EXPECT_EQ(list.rect.bottom, status.rect.top);

  // A new size is laid out again.
  RECT frame;
  ::GetWindowRect(window.hwnd(), &frame);
  ::SetWindowPos(window.hwnd(), nullptr, 0, 0, frame.right - frame.left - 100, frame.bottom - frame.top - 80,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  window.settleInput();
  const RECT smaller = window.clientRect();
  const auto listAfter = window.control(kListId);
  const auto statusAfter = window.control(kStatusId);
  EXPECT_LT(smaller.right, client.right);
  EXPECT_LT(smaller.bottom, client.bottom);
  EXPECT_EQ(listAfter.rect.right, smaller.right);
  EXPECT_EQ(statusAfter.rect.bottom, smaller.bottom);
  EXPECT_EQ(listAfter.rect.bottom, statusAfter.rect.top);
}

TEST(MainWindow, ShownSearchBoxTakesTwentyTwoPixelsAboveTheStatusBar) {
  OstrelSession session;
  const auto& window = session.window();
  window.waitForStatusToSettle();
  const auto listBefore = window.control(kListId);

  window.pressKey('F', {VK_CONTROL});
  auto search = window.control(kSearchId);
  auto list = window.control(kListId);
  const auto status = window.control(kStatusId);
  ASSERT_TRUE(search.visible);
  EXPECT_EQ(window.focus(), window.searchBox());
  EXPECT_EQ(list.height(), listBefore.height() - kSearchBoxHeight);
  EXPECT_EQ(search.height(), kSearchBoxHeight);
  EXPECT_EQ(search.rect.left, 0);
  EXPECT_EQ(search.rect.right, window.clientRect().right);
  EXPECT_EQ(search.rect.bottom, status.rect.top);
  EXPECT_EQ(list.rect.bottom, search.rect.top);

  // Typed characters land in the box.
  window.typeText("abc");
  EXPECT_EQ(window.searchText(), "abc");

  // Esc gives the row back; the text stays.
  window.pressKey(VK_ESCAPE);
  search = window.control(kSearchId);
  list = window.control(kListId);
  EXPECT_FALSE(search.visible);
  EXPECT_EQ(window.focus(), window.list());
  EXPECT_EQ(list.height(), listBefore.height());
  EXPECT_EQ(window.searchText(), "abc");
}

TEST(MainWindow, TabDoesNotMoveTheFocus) {
  OstrelSession session;
  const auto& window = session.window();
  window.waitForStatusToSettle();
  ::SetForegroundWindow(window.hwnd());
  window.settleInput();
  const HWND before = window.focus();
  ASSERT_NE(before, nullptr);
  window.pressKey(VK_TAB);
  EXPECT_EQ(window.focus(), before);
  window.pressKey(VK_TAB, {VK_SHIFT});
  EXPECT_EQ(window.focus(), before);
  // With the search box focused too.
  window.pressKey('F', {VK_CONTROL});
  const HWND search = window.focus();
  window.pressKey(VK_TAB);
  EXPECT_EQ(window.focus(), search);
}

TEST(MainWindow, ClosingEndsTheProcessWithExitCodeZero) {
  {
    OstrelSession session;
    session.window().waitForStatusToSettle();
    session.window().post(WM_CLOSE);
    auto code = session.process().waitForExit(20000);
    ASSERT_TRUE(code.has_value());
    EXPECT_EQ(*code, 0u);
  }
  {
    // The close box and Alt+F4 arrive as the system command.
    OstrelSession session;
    session.window().post(WM_SYSCOMMAND, SC_CLOSE);
    auto code = session.process().waitForExit(20000);
    ASSERT_TRUE(code.has_value());
    EXPECT_EQ(*code, 0u);
  }
}

TEST(MainWindow, ScreenshotShowsTheWindow) {
  OstrelSession session;
  const auto& window = session.window();
  window.waitForStatusToSettle();
  ::SetForegroundWindow(window.hwnd());
  window.settleInput();
  ::RedrawWindow(window.hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
  window.settleInput();
  const std::string path = e2e::SaveScreenshot("main-window", window.hwnd());
  // Something was drawn: a blank capture has a single colour.
  std::ifstream file(path, std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  ASSERT_GT(bytes.size(), 1000u);
  std::set<unsigned> colours;
  for (size_t i = 54; i + 2 < bytes.size() && colours.size() < 8; i += 3) {
    colours.insert((static_cast<unsigned char>(bytes[i]) << 16) | (static_cast<unsigned char>(bytes[i + 1]) << 8) |
                   static_cast<unsigned char>(bytes[i + 2]));
  }
  EXPECT_GE(colours.size(), 3u);
  std::printf("screenshot: %s\n", path.c_str());
}

}  // namespace
