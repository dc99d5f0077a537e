// The main window as the user gets it: its frame, its controls and their
// layout, the keyboard, and how it ends. Valid while the search finds nothing
// ("准备就绪") and once it reports its outcome.

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "FileHolderProcess.h"
#include "OstrelSession.h"
#include "RemoteBuffer.h"
#include "ScratchFiles.h"
#include "Screenshot.h"
#include "TopLevelWindow.h"
#include "Wait.h"
#include "res/resource.h"

namespace {

using e2e::OstrelSession;
using e2e::waitUntil;

constexpr int kSearchBoxHeight = 22;

bool EndsWith(const std::wstring& text, const std::wstring& tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// Part 0 once a search has run, or the text set up before the first search.
bool IsSettledStatus(const std::wstring& text) {
  return text == L"准备就绪" || text == L"查找完成" || text == L"查找失败" || EndsWith(text, L" 被占用了") ||
         EndsWith(text, L" 没有被占用");
}

TEST(MainWindow, OpensWithCaptionColumnsAndStatus) {
  OstrelSession session;
  const auto& window = session.window();
  EXPECT_EQ(window.caption(), L"Ostrel");
  const std::wstring status = window.waitForStatusToSettle();
  EXPECT_TRUE(IsSettledStatus(status)) << e2e::narrow(status);

  struct Expected {
    const wchar_t* header;
    int width;
    int format;
  };
  const Expected expected[] = {{L"文件名", 200, LVCFMT_LEFT},
                               {L"路径", 350, LVCFMT_LEFT},
                               {L"句柄", 100, LVCFMT_LEFT},
                               {L"进程ID", 100, LVCFMT_LEFT},
                               {L"进程名", 200, LVCFMT_RIGHT}};
  auto columns = window.columns();
  ASSERT_EQ(columns.size(), 5u);
  for (size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(columns[i].header, std::wstring(expected[i].header)) << "column " << i;
    EXPECT_EQ(columns[i].width, expected[i].width) << "column " << i;
    EXPECT_EQ(columns[i].format & LVCFMT_JUSTIFYMASK, expected[i].format) << "column " << i;
  }

  // Part 1 counts the rows once a search has reported; part 2 stays empty
  // while the search box is.
  const std::wstring count = window.statusText(1);
  if (!count.empty()) {
    EXPECT_EQ(count, std::to_wstring(window.rowCount()) + L"个文件");
  }
  EXPECT_EQ(window.statusText(2), L"");
  for (const auto& row : window.rows()) {
    EXPECT_GE(row.itemParameter, 0);
  }
}

bool IsClass(HWND window, const wchar_t* name) { return ::lstrcmpiW(e2e::className(window).c_str(), name) == 0; }

TEST(MainWindow, FrameControlsAndListStylesAreSetUp) {
  OstrelSession session;
  const auto& window = session.window();
  window.waitForStatusToSettle();
  // A window with a caption, a system menu, minimize and maximize boxes and a
  // menu bar, resizable by its border, on the taskbar.
  for (LONG_PTR part : {WS_CAPTION, WS_SYSMENU, WS_MINIMIZEBOX, WS_MAXIMIZEBOX, WS_THICKFRAME}) {
    EXPECT_EQ(window.style() & part, part) << std::hex << part;
  }
  EXPECT_NE(::GetMenu(window.hwnd()), nullptr);
  EXPECT_NE(::GetWindowLongPtrA(window.hwnd(), GWL_EXSTYLE) & WS_EX_APPWINDOW, 0);
  // It opens in the middle of the screen's work area.
  RECT frame{};
  RECT work{};
  ::GetWindowRect(window.hwnd(), &frame);
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  EXPECT_NEAR(frame.left + frame.right, work.left + work.right, 2);
  EXPECT_NEAR(frame.top + frame.bottom, work.top + work.bottom, 2);

  // The controls: a list in report view that shows its selection also
  // without the focus, a status bar of three parts, an edit box.
  EXPECT_TRUE(IsClass(window.list(), L"SysListView32"));
  EXPECT_TRUE(IsClass(window.statusBar(), L"msctls_statusbar32"));
  EXPECT_TRUE(IsClass(window.searchBox(), L"Edit"));
  const LONG_PTR listStyle = ::GetWindowLongPtrA(window.list(), GWL_STYLE);
  EXPECT_EQ(listStyle & LVS_TYPEMASK, LVS_REPORT);
  EXPECT_NE(listStyle & LVS_SHOWSELALWAYS, 0);
  const auto extended = static_cast<DWORD>(window.send(window.list(), LVM_GETEXTENDEDLISTVIEWSTYLE));
  constexpr DWORD kWanted = LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_SUBITEMIMAGES | LVS_EX_LABELTIP;
  EXPECT_EQ(extended & kWanted, kWanted);
  EXPECT_NE(window.send(window.list(), LVM_GETIMAGELIST, LVSIL_SMALL), 0);
  // The big icon is checked by the framework tests: Wine answers WM_GETICON
  // from another process with no icon.
  EXPECT_EQ(window.send(window.statusBar(), SB_GETPARTS, 0, 0), 3);
}

TEST(MainWindow, ListFillsTheClientAreaDownToTheStatusBar) {
  OstrelSession session;
  const auto& window = session.window();
  window.waitForStatusToSettle();
  const RECT client = window.clientRect();
  const auto status = window.control(IDC_STATUS_BAR);
  const auto list = window.control(IDC_RESULT_LIST);
  const auto search = window.control(IDC_SEARCH_EDIT);

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

  // A new size is laid out again: the list fills the new width down to the
  // status bar at the new bottom.
  RECT frame;
  ::GetWindowRect(window.hwnd(), &frame);
  ::SetWindowPos(window.hwnd(), nullptr, 0, 0, frame.right - frame.left - 100, frame.bottom - frame.top - 80,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  RECT smaller{};
  ASSERT_TRUE(waitUntil([&] {
    smaller = window.clientRect();
    return smaller.right < client.right && smaller.bottom < client.bottom;
  }));
  EXPECT_TRUE(waitUntil([&] {
    const auto listAfter = window.control(IDC_RESULT_LIST);
    const auto statusAfter = window.control(IDC_STATUS_BAR);
    return listAfter.rect.right == smaller.right && statusAfter.rect.right == smaller.right &&
           statusAfter.rect.bottom == smaller.bottom && listAfter.rect.bottom == statusAfter.rect.top;
  }));
}

TEST(MainWindow, ShownSearchBoxTakesTwentyTwoPixelsAboveTheStatusBar) {
  OstrelSession session;
  const auto& window = session.window();
  window.waitForStatusToSettle();
  const auto listBefore = window.control(IDC_RESULT_LIST);

  window.pressKey('F', {VK_CONTROL});
  ASSERT_TRUE(waitUntil([&] {
    return window.control(IDC_SEARCH_EDIT).visible && window.focus() == window.searchBox() &&
           window.control(IDC_RESULT_LIST).height() < listBefore.height();
  }));
  // List above search box above status bar, each the client area's width.
  const auto search = window.control(IDC_SEARCH_EDIT);
  const auto list = window.control(IDC_RESULT_LIST);
  const auto status = window.control(IDC_STATUS_BAR);
  EXPECT_EQ(list.height(), listBefore.height() - kSearchBoxHeight);
  EXPECT_EQ(search.height(), kSearchBoxHeight);
  EXPECT_EQ(search.rect.left, 0);
  EXPECT_EQ(search.rect.right, window.clientRect().right);
  EXPECT_EQ(search.rect.bottom, status.rect.top);
  EXPECT_EQ(list.rect.bottom, search.rect.top);

  // The empty box's hint.
  constexpr size_t kHintUnits = 64;
  e2e::RemoteBuffer hint(session.process().handle(), kHintUnits * sizeof(wchar_t));
  hint.writeValue(L'\0');
  window.send(window.searchBox(), EM_GETCUEBANNER, reinterpret_cast<WPARAM>(hint.remote()), kHintUnits);
  EXPECT_EQ(L"输入路径的一部分筛选", hint.readText(0, kHintUnits - 1));

  ASSERT_NO_THROW(window.typeIntoSearchBox(L"abc")) << "typed characters land in the box";

  // Esc gives the row back; the text stays.
  window.pressKey(VK_ESCAPE);
  ASSERT_TRUE(waitUntil([&] {
    return !window.control(IDC_SEARCH_EDIT).visible && window.focus() == window.list() &&
           window.control(IDC_RESULT_LIST).height() == listBefore.height();
  }));
  EXPECT_EQ(window.searchText(), L"abc");
}

TEST(MainWindow, TabMovesBetweenTheListAndTheShownSearchBox) {
  // A held file gives the list a row to focus.
  const std::wstring file = e2e::scratchFile(L"OstrelTabFocus.txt");
  FileHolderProcess holder({file});
  ASSERT_TRUE(holder.holding());
  OstrelSession session(L"\"" + file + L"\"");
  const auto& window = session.window();
  window.waitForStatusToSettle();
  ASSERT_GE(window.rowCount(), 1);
  window.settleInput();
  ASSERT_EQ(window.focus(), window.list());

  // The box hidden, the list is the only tab stop: the focus stays. End,
  // pressed next, focuses the last row, which only the list does; once it
  // has, the Tab before it was handled.
  const auto tabThenEnd = [&](std::initializer_list<WORD> modifiers) {
    window.selectOnly(-1);
    window.pressKey(VK_TAB, modifiers);
    window.pressKey(VK_END);
    return waitUntil([&] { return window.focusedRow() == window.rowCount() - 1; });
  };
  EXPECT_TRUE(tabThenEnd({}));
  EXPECT_TRUE(tabThenEnd({VK_SHIFT}));
  EXPECT_EQ(window.focus(), window.list());

  // The box shown: Tab and Shift+Tab go from one to the other, never to the
  // status bar.
  window.openSearchBox();
  window.pressKey(VK_TAB);
  EXPECT_TRUE(waitUntil([&] { return window.focus() == window.list(); }));
  window.pressKey(VK_TAB);
  EXPECT_TRUE(waitUntil([&] { return window.focus() == window.searchBox(); }));
  window.pressKey(VK_TAB, {VK_SHIFT});
  EXPECT_TRUE(waitUntil([&] { return window.focus() == window.list(); }));
  window.pressKey(VK_TAB, {VK_SHIFT});
  EXPECT_TRUE(waitUntil([&] { return window.focus() == window.searchBox(); }));
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

// The number of different colours, up to 8, in the part of a 24-bit BMP
// capture of `captured` that `area` (screen coordinates) covers.
size_t ColoursIn(const std::string& path, HWND captured, const RECT& area) {
  std::ifstream file(path, std::ios::binary);
  const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  BITMAPFILEHEADER head{};
  BITMAPINFOHEADER info{};
  if (bytes.size() < sizeof head + sizeof info) return 0;
  std::memcpy(&head, bytes.data(), sizeof head);
  std::memcpy(&info, bytes.data() + sizeof head, sizeof info);
  RECT origin{};
  ::GetWindowRect(captured, &origin);
  const size_t stride = (static_cast<size_t>(info.biWidth) * 3 + 3) & ~size_t{3};
  std::set<unsigned> colours;
  for (LONG y = area.top - origin.top; y < area.bottom - origin.top && colours.size() < 8; ++y) {
    for (LONG x = area.left - origin.left; x < area.right - origin.left && colours.size() < 8; ++x) {
      if (x < 0 || y < 0 || x >= info.biWidth || y >= info.biHeight) continue;
      const size_t at = head.bfOffBits + static_cast<size_t>(info.biHeight - 1 - y) * stride + static_cast<size_t>(x) * 3;
      if (at + 2 >= bytes.size()) continue;
      colours.insert((bytes[at] << 16) | (bytes[at + 1] << 8) | bytes[at + 2]);
    }
  }
  return colours.size();
}

// The rectangle, on the screen, that a control's message (SB_GETRECT,
// HDM_GETITEMRECT) gives for an item of the control.
RECT ItemOnScreen(OstrelSession& session, HWND control, UINT message, int item) {
  e2e::RemoteBuffer buffer(session.process().handle(), sizeof(RECT));
  buffer.writeValue(RECT{});
  e2e::OstrelWindow::send(control, message, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(buffer.remote()));
  RECT rect = buffer.readValue<RECT>();
  ::MapWindowPoints(control, nullptr, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

TEST(MainWindow, ScreenshotShowsTheWindow) {
  OstrelSession session;
  const auto& window = session.window();
  window.waitForStatusToSettle();
  window.settleInput();
  ::RedrawWindow(window.hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
  // The first column's header and status part 0 show their texts: without
  // one such an area has two colours (background, border). The display shows
  // what a window painted a moment later: the capture is taken again until
  // it does.
  const HWND headerControl = reinterpret_cast<HWND>(window.send(window.list(), LVM_GETHEADER));
  const RECT header = ItemOnScreen(session, headerControl, HDM_GETITEMRECT, 0);
  const RECT status = ItemOnScreen(session, window.statusBar(), SB_GETRECT, 0);
  std::string path;
  EXPECT_TRUE(waitUntil([&] {
    path = e2e::SaveScreenshot("main-window", window.hwnd());
    return ColoursIn(path, window.hwnd(), header) >= 3 && ColoursIn(path, window.hwnd(), status) >= 3;
  }));
  std::printf("screenshot: %s\n", path.c_str());
}

// The width `text` takes in the status bar's font: the system's status bar
// font, which Ostrel sets on the bar (a font handle cannot be asked of
// another process: WM_GETFONT does not answer across processes under Wine).
int WidthInStatusBarFont(const std::wstring& text) {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  if (!::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) return -1;
  const HDC screen = ::GetDC(nullptr);
  const HFONT font = ::CreateFontIndirectW(&metrics.lfStatusFont);
  const HGDIOBJ before = ::SelectObject(screen, font);
  SIZE extent{};
  const BOOL measured = ::GetTextExtentPoint32W(screen, text.c_str(), static_cast<int>(text.size()), &extent);
  ::SelectObject(screen, before);
  ::DeleteObject(font);
  ::ReleaseDC(nullptr, screen);
  return measured ? extent.cx : -1;
}

TEST(MainWindow, StatusShowsALongAnswerWholeWithinTheWindow) {
  const std::wstring name = L"很长的子文件夹名称 用来测试列宽是否合适的一个非常长的名字";
  const std::wstring folder = e2e::scratchFolder(name);
  FileHolderProcess holder({e2e::scratchFile(name + L"\\held.txt")});
  ASSERT_TRUE(holder.holding());
  OstrelSession session(L"\"" + folder + L"\"");
  const auto& window = session.window();
  const std::wstring answer = name + L" 被占用了";
  ASSERT_EQ(answer, window.waitForStatusToSettle());
  EXPECT_EQ(L"1个文件", window.statusText(1));

  // The common controls draw a part's text 3 pixels in from its edge.
  const int answerWidth = WidthInStatusBarFont(answer);
  ASSERT_GT(answerWidth, 200) << "a name longer than the part's least width";
  const auto partWidth = [&](int part) {
    const RECT rect = window.statusPartRect(part);
    return rect.right - rect.left;
  };
  const auto barWidth = [&] {
    RECT bar{};
    ::GetClientRect(window.statusBar(), &bar);
    return static_cast<int>(bar.right);
  };
  EXPECT_GE(partWidth(0), answerWidth + 6);
  EXPECT_LE(window.statusPartRect(1).right, barWidth());
  EXPECT_GE(partWidth(1), 190) << "part 1 keeps its width";
  // The answer's last characters are drawn: the 40 pixels before the
  // answer's end hold more colours than as much of the empty part 2 (its
  // background and edges). The display shows what was painted a moment
  // later: captured again until it does.
  RECT tail = ItemOnScreen(session, window.statusBar(), SB_GETRECT, 0);
  tail.right = tail.left + answerWidth;
  tail.left = tail.right - 40;
  RECT empty = ItemOnScreen(session, window.statusBar(), SB_GETRECT, 2);
  empty.right = empty.left + 40;
  EXPECT_TRUE(waitUntil([&] {
    ::RedrawWindow(window.statusBar(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    const std::string shot = e2e::SaveScreenshot("status-long-answer", window.hwnd());
    return ColoursIn(shot, window.hwnd(), tail) > ColoursIn(shot, window.hwnd(), empty);
  }));

  // A window too narrow for both: part 1 keeps its width at the bar's end,
  // part 0 has the rest. Wide again: the answer whole again.
  RECT frame{};
  ::GetWindowRect(window.hwnd(), &frame);
  const int wide = frame.right - frame.left;
  const auto resize = [&](int width) {
    ::SetWindowPos(window.hwnd(), nullptr, 0, 0, width, frame.bottom - frame.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  };
  resize(answerWidth + 100);
  EXPECT_TRUE(waitUntil([&] {
    const int bar = barWidth();
    return bar < answerWidth + 200 && window.statusPartRect(1).right == bar && partWidth(1) >= 190;
  }));
  resize(wide);
  EXPECT_TRUE(waitUntil([&] { return partWidth(0) >= answerWidth + 6 && window.statusPartRect(1).right < barWidth(); }));
  EXPECT_EQ(answer, window.statusText(0));
}

}  // namespace
