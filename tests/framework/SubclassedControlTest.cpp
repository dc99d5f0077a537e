// Controls bound to objects: attaching, the list view's clicks by reflection,
// the search box's callbacks after the edit's own processing, and the last
// message of a control.

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <memory>
#include <new>
#include <string>
#include <system_error>

#include "TestDialogs.h"
#include "ui/framework/ListViewControl.h"
#include "ui/framework/MessageReflection.h"
#include "ui/framework/SearchEditControl.h"
#include "ui/framework/StatusBarControl.h"
#include "ui/framework/SubclassedControl.h"

namespace {

class ControlsInDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    window_ = std::make_unique<ScopedModeless>(dialog_);
    ASSERT_NE(dialog_.hwnd(), nullptr);
    list_ = ::GetDlgItem(dialog_.hwnd(), IDC_TEST_LIST);
    edit_ = ::GetDlgItem(dialog_.hwnd(), IDC_TEST_EDIT);
  }
  void TearDown() override { window_.reset(); }

  void clickNotify(HWND from, int code) {
    NMHDR header{from, IDC_TEST_LIST, static_cast<UINT>(code)};
    lastAnswer_ = ::SendMessageW(dialog_.hwnd(), WM_NOTIFY, IDC_TEST_LIST, reinterpret_cast<LPARAM>(&header));
  }

  RecordingDialog dialog_;
  std::unique_ptr<ScopedModeless> window_;
  HWND list_ = nullptr;
  HWND edit_ = nullptr;
  LRESULT lastAnswer_ = 0;
};

TEST_F(ControlsInDialog, AttachKeepsThePreviousProcedureAsSuper) {
  auto original = reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(list_, GWLP_WNDPROC));
  ListViewControl control;
  EXPECT_EQ(control.superProcedure(), &::DefWindowProcW);
  control.attach(list_);
  EXPECT_EQ(control.hwnd(), list_);
  EXPECT_EQ(control.superProcedure(), original);
  EXPECT_NE(reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(list_, GWLP_WNDPROC)), original);
  // The list view still works through its own procedure.
  LVCOLUMNW column{};
  column.mask = LVCF_TEXT | LVCF_WIDTH;
  column.cx = 50;
  column.pszText = const_cast<wchar_t*>(L"A");
  EXPECT_EQ(::SendMessageW(list_, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column)), 0);
}

TEST_F(ControlsInDialog, EachClickCodeReachesItsCallback) {
  ListViewControl control;
  control.attach(list_);
  std::string calls;
  control.onClick = [&](ListViewControl& self, NMHDR* header) {
    EXPECT_EQ(&self, &control);
    EXPECT_EQ(header->code, static_cast<UINT>(NM_CLICK));
    calls += "c";
  };
  control.onDoubleClick = [&](ListViewControl&, NMHDR*) { calls += "d"; };
  control.onRightClick = [&](ListViewControl&, NMHDR*) { calls += "r"; };
  control.onRightDoubleClick = [&](ListViewControl&, NMHDR*) { calls += "R"; };
  clickNotify(list_, NM_CLICK);
  clickNotify(list_, NM_DBLCLK);
  clickNotify(list_, NM_RCLICK);
  clickNotify(list_, NM_RDBLCLK);
  EXPECT_EQ(calls, "cdrR");
}

TEST_F(ControlsInDialog, ClickWithEmptySlotIsHandledWithResultOne) {
  ListViewControl control;
  control.attach(list_);
  clickNotify(list_, NM_CLICK);
  EXPECT_EQ(lastAnswer_, 1);
  // Any other code is not the list view object's business: default answer 0.
  clickNotify(list_, NM_SETFOCUS);
  EXPECT_EQ(lastAnswer_, 0);
}

TEST_F(ControlsInDialog, RealRightClickReachesOnRightClickByReflection) {
  ListViewControl control;
  control.attach(list_);
  int rightClicks = 0;
  control.onRightClick = [&](ListViewControl&, NMHDR*) { ++rightClicks; };
  // The list view waits for the button's release in its queue before it
  // reports the click, so the release is queued first.
  ::PostMessageW(list_, WM_RBUTTONUP, 0, MAKELPARAM(20, 40));
  ::SendMessageW(list_, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(20, 40));
  EXPECT_EQ(rightClicks, 1);
}

TEST_F(ControlsInDialog, RightClickDoesNotReachTheListWhenTheDialogHandlesNotify) {
  ListViewControl control;
  control.attach(list_);
  int rightClicks = 0, notifies = 0;
  control.onRightClick = [&](ListViewControl&, NMHDR*) { ++rightClicks; };
  dialog_.addMessageHandler(WM_NOTIFY, TwoArgumentCallback([&](WPARAM, LPARAM) {
                              ++notifies;
                              return true;
                            }));
  clickNotify(list_, NM_RCLICK);
  EXPECT_EQ(notifies, 1);
  EXPECT_EQ(rightClicks, 0);
}

TEST_F(ControlsInDialog, TypedCharacterIsInTheTextWhenOnCharRuns) {
  SearchEditControl control;
  control.attach(edit_);
  // The edit is a Unicode window through its object too: a character that
  // no ANSI code page holds (한, U+D55C) arrives and is typed as itself.
  EXPECT_TRUE(::IsWindowUnicode(edit_));
  std::wstring textSeen;
  WPARAM charSeen = 0;
  control.onChar = [&](WPARAM ch) {
    charSeen = ch;
    wchar_t buffer[64] = {};
    ::GetWindowTextW(edit_, buffer, 64);
    textSeen = buffer;
  };
  std::wstring typed;
  for (const wchar_t ch : {L'q', L'\xD55C', L'x'}) {
    ::SendMessageW(edit_, WM_CHAR, ch, 1);
    typed += ch;
    EXPECT_EQ(charSeen, static_cast<WPARAM>(ch));
    EXPECT_EQ(textSeen, typed);
  }
}

TEST_F(ControlsInDialog, KeyUpRunsAfterTheEditAndGetsBothParameters) {
  SearchEditControl control;
  control.attach(edit_);
  ::SetWindowTextW(edit_, L"abc");
  WPARAM key = 0;
  LPARAM flags = 0;
  control.onKeyUp = [&](WPARAM wParam, LPARAM lParam) {
    key = wParam;
    flags = lParam;
  };
  ::SendMessageW(edit_, WM_KEYUP, VK_DELETE, 0xC0000001);
  EXPECT_EQ(key, static_cast<WPARAM>(VK_DELETE));
  EXPECT_EQ(static_cast<DWORD>(flags), 0xC0000001u);
}

TEST_F(ControlsInDialog, StatusBarObjectPassesEverythingOn) {
  // Any control will do: the object must not change what it answers.
  StatusBarControl control;
  control.attach(edit_);
  ::SetWindowTextW(edit_, L"status \xD55C");
  wchar_t buffer[32] = {};
  EXPECT_EQ(::SendMessageW(edit_, WM_GETTEXT, 32, reinterpret_cast<LPARAM>(buffer)), 8);
  EXPECT_STREQ(buffer, L"status \xD55C");
}

TEST_F(ControlsInDialog, ReleasedControlObjectGivesTheProcedureBack) {
  auto original = ::GetWindowLongPtrW(edit_, GWLP_WNDPROC);
  {
    SearchEditControl control;
    control.attach(edit_);
  }
  EXPECT_EQ(::GetWindowLongPtrW(edit_, GWLP_WNDPROC), original);
  // The edit still works after its object is gone.
  ::SendMessageW(edit_, WM_CHAR, 'z', 1);
  wchar_t buffer[8] = {};
  ::GetWindowTextW(edit_, buffer, 8);
  EXPECT_STREQ(buffer, L"z");
}

// Throws from its own handling, before the control's procedure saw the message.
class ThrowingControl : public SubclassedControl {
 public:
  BOOL processMessage(HWND, UINT message, WPARAM, LPARAM, LRESULT&) override {
    if (message == WM_GETTEXT) throw std::bad_alloc();
    return FALSE;
  }
};

TEST_F(ControlsInDialog, ThrowingHandlerLeavesItsMessageTheDefaultAnswer) {
  dialog_.addMessageHandler(WM_GETTEXT, [](DialogWindow&, HWND, UINT, WPARAM, LPARAM, BOOL&) -> LRESULT {
    throw std::bad_alloc();
  });
  wchar_t text[32] = {};
  EXPECT_EQ(::SendMessageW(dialog_.hwnd(), WM_GETTEXT, 32, reinterpret_cast<LPARAM>(text)), 14);
  EXPECT_STREQ(text, L"Framework test");

  ::SetWindowTextW(edit_, L"abc");
  {
    ThrowingControl control;
    control.attach(edit_);
    EXPECT_EQ(::SendMessageW(edit_, WM_GETTEXT, 32, reinterpret_cast<LPARAM>(text)), 3);
    EXPECT_STREQ(text, L"abc");
  }
  // Thrown after the edit's own procedure ran: the character is typed once.
  ::SetWindowTextW(edit_, L"");
  SearchEditControl control;
  control.attach(edit_);
  control.onChar = [](WPARAM) { throw std::system_error(ERROR_OUTOFMEMORY, std::system_category()); };
  ::SendMessageW(edit_, WM_CHAR, 'd', 1);
  ::GetWindowTextW(edit_, text, 32);
  EXPECT_STREQ(text, L"d");
}

// A plain window class whose procedure is the control's "own" procedure, so
// its final message can be sent by hand without freeing a real control's data.
// Its procedures are ANSI ones: the object, a Unicode procedure, must hand
// such a procedure back as it found it.
LRESULT CALLBACK PlainProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return ::DefWindowProcA(hwnd, message, wParam, lParam);
}
LRESULT CALLBACK ReplacingProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return ::DefWindowProcA(hwnd, message, wParam, lParam);
}
// Replaces the window's procedure while it handles WM_NCDESTROY.
LRESULT CALLBACK ReplacingOnFinalProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCDESTROY) {
    ::SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ReplacingProcedure));
  }
  return ::DefWindowProcA(hwnd, message, wParam, lParam);
}

class PlainWindow {
 public:
  explicit PlainWindow(WNDPROC procedure) {
    static const char* kClass = "OstrelFrameworkPlain";
    WNDCLASSA wc{};
    wc.lpfnWndProc = &::DefWindowProcA;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.lpszClassName = kClass;
    ::RegisterClassA(&wc);
    hwnd_ = ::CreateWindowExA(0, kClass, "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, wc.hInstance, nullptr);
    ::SetWindowLongPtrA(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(procedure));
  }
  ~PlainWindow() { ::DestroyWindow(hwnd_); }
  PlainWindow(const PlainWindow&) = delete;
  PlainWindow& operator=(const PlainWindow&) = delete;
  HWND hwnd() const { return hwnd_; }

 private:
  HWND hwnd_;
};

TEST(ControlFinalMessage, PreviousProcedureIsPutBackAndTheHandleCleared) {
  PlainWindow window(&PlainProcedure);
  RecordingControl control;
  control.attach(window.hwnd());
  ASSERT_EQ(control.hwnd(), window.hwnd());
  ::SendMessageA(window.hwnd(), WM_NCDESTROY, 0, 0);
  EXPECT_EQ(::GetWindowLongPtrA(window.hwnd(), GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&PlainProcedure));
  EXPECT_EQ(control.hwnd(), nullptr);
  ASSERT_EQ(control.finalHandles.size(), 1u);
  EXPECT_EQ(control.finalHandles[0], window.hwnd());
}

TEST(ControlFinalMessage, ProcedureReplacedDuringTheFinalMessageIsKept) {
  PlainWindow window(&ReplacingOnFinalProcedure);
  RecordingControl control;
  control.attach(window.hwnd());
  ::SendMessageA(window.hwnd(), WM_NCDESTROY, 0, 0);
  EXPECT_EQ(::GetWindowLongPtrA(window.hwnd(), GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&ReplacingProcedure));
  EXPECT_EQ(control.hwnd(), nullptr);
}

TEST(ControlFinalMessage, RealDestructionReachesTheObjectOnce) {
  RecordingControl control;
  HWND hwnd;
  {
    PlainWindow window(&PlainProcedure);
    hwnd = window.hwnd();
    control.attach(hwnd);
  }
  EXPECT_EQ(control.hwnd(), nullptr);
  ASSERT_EQ(control.finalHandles.size(), 1u);
  EXPECT_EQ(control.finalHandles[0], hwnd);
}

TEST(ControlAttach, FailedAttachLeavesTheControlAlone) {
  PlainWindow window(&PlainProcedure);
  RecordingControl control;
  control.attach(nullptr);  // no window: SetWindowLongPtrW fails
  EXPECT_EQ(control.hwnd(), nullptr);
  WindowThunk::failNextAllocations(1);
  RecordingControl starved;
  starved.attach(window.hwnd());
  EXPECT_EQ(starved.hwnd(), nullptr);
  EXPECT_EQ(::GetWindowLongPtrA(window.hwnd(), GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&PlainProcedure));
}

}  // namespace
