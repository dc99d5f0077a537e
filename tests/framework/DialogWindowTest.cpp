// Dispatch in a DialogWindow: stored handlers, the fixed events, the result
// rule and the reflection of child notifications.

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>

#include "TestDialogs.h"
#include "ui/framework/MessageReflection.h"

namespace {

constexpr UINT kProbe = WM_APP + 1;

TEST(DialogHandlers, SecondHandlerForTheSameMessageReplacesTheFirst) {
  RecordingDialog dialog;
  int first = 0, second = 0;
  dialog.addMessageHandler(kProbe, [&](DialogWindow&, HWND, UINT, WPARAM, LPARAM, BOOL&) -> LRESULT {
    ++first;
    return 1;
  });
  dialog.addMessageHandler(kProbe, [&](DialogWindow&, HWND, UINT, WPARAM, LPARAM, BOOL&) -> LRESULT {
    ++second;
    return 2;
  });
  ScopedModeless window(dialog);
  ASSERT_NE(dialog.hwnd(), nullptr);
  EXPECT_EQ(::SendMessageW(dialog.hwnd(), kProbe, 0, 0), 2);
  EXPECT_EQ(first, 0);
  EXPECT_EQ(second, 1);
}

TEST(DialogHandlers, HandledMessageNeverReachesProcessMessage) {
  RecordingDialog dialog;
  dialog.addMessageHandler(WM_SIZE, [](DialogWindow&, HWND, UINT, WPARAM, LPARAM, BOOL&) -> LRESULT { return 0; });
  int sized = 0;
  dialog.onSize = [&] { ++sized; };
  ScopedModeless window(dialog);
  dialog.processed.clear();
  ::SendMessageW(dialog.hwnd(), WM_SIZE, 0, MAKELPARAM(100, 100));
  EXPECT_FALSE(dialog.saw(WM_SIZE));
  EXPECT_EQ(sized, 0);
}

TEST(DialogHandlers, HandlerThatClearsHandledPassesTheMessageOn) {
  RecordingDialog dialog;
  int handlerRuns = 0;
  dialog.addMessageHandler(kProbe, [&](DialogWindow&, HWND, UINT, WPARAM, LPARAM, BOOL& handled) -> LRESULT {
    ++handlerRuns;
    handled = FALSE;
    return 0;
  });
  ScopedModeless window(dialog);
  dialog.processed.clear();
  ::SendMessageW(dialog.hwnd(), kProbe, 0, 0);
  EXPECT_EQ(handlerRuns, 1);
  EXPECT_TRUE(dialog.saw(kProbe));
}

TEST(DialogHandlers, WindowCommandToAChildIsNotReflectedWhenAHandlerConsumesIt) {
  RecordingDialog dialog;
  WPARAM seen = 0;
  dialog.addMessageHandler(WM_COMMAND, OneArgumentCallback([&](WPARAM wParam) {
                             seen = wParam;
                             return false;
                           }));
  ScopedModeless window(dialog);
  RecordingControl button;
  button.attach(::GetDlgItem(dialog.hwnd(), IDC_TEST_BUTTON));
  ASSERT_NE(button.hwnd(), nullptr);
  ::SendMessageW(dialog.hwnd(), WM_COMMAND, MAKEWPARAM(IDC_TEST_BUTTON, BN_CLICKED),
                 reinterpret_cast<LPARAM>(button.hwnd()));
  EXPECT_EQ(seen, MAKEWPARAM(IDC_TEST_BUTTON, BN_CLICKED));
  EXPECT_FALSE(button.saw(kReflectionOffset + WM_COMMAND));
  EXPECT_FALSE(dialog.saw(WM_COMMAND));
}

TEST(DialogAdapters, OneArgumentAdapterPassesWParamAnswersZeroAndConsumes) {
  RecordingDialog dialog;
  WPARAM seen = 0;
  dialog.addMessageHandler(kProbe, OneArgumentCallback([&](WPARAM wParam) {
                             seen = wParam;
                             return false;  // ignored: the adapter consumes the message anyway
                           }));
  ScopedModeless window(dialog);
  dialog.processed.clear();
  EXPECT_EQ(CallDialogProcedure(dialog.hwnd(), kProbe, 1234, 99), TRUE);
  EXPECT_EQ(::GetWindowLongPtrW(dialog.hwnd(), DWLP_MSGRESULT), 0);
  EXPECT_EQ(seen, 1234u);
  EXPECT_FALSE(dialog.saw(kProbe));
}

TEST(DialogAdapters, TwoArgumentAdapterPassesBothParametersAnswersZeroAndConsumes) {
  RecordingDialog dialog;
  WPARAM seenW = 0;
  LPARAM seenL = 0;
  dialog.addMessageHandler(kProbe, TwoArgumentCallback([&](WPARAM wParam, LPARAM lParam) {
                             seenW = wParam;
                             seenL = lParam;
                             return true;
                           }));
  ScopedModeless window(dialog);
  dialog.processed.clear();
  EXPECT_EQ(::SendMessageW(dialog.hwnd(), kProbe, 7, -5), 0);
  EXPECT_EQ(seenW, 7u);
  EXPECT_EQ(seenL, -5);
  EXPECT_FALSE(dialog.saw(kProbe));
}

TEST(DialogResultRule, OrdinaryMessagesAnswerThroughTheMessageResult) {
  RecordingDialog dialog;
  dialog.addMessageHandler(kProbe, [](DialogWindow&, HWND, UINT, WPARAM, LPARAM, BOOL&) -> LRESULT { return 4242; });
  ScopedModeless window(dialog);
  EXPECT_EQ(CallDialogProcedure(dialog.hwnd(), kProbe, 0, 0), TRUE);
  EXPECT_EQ(::GetWindowLongPtrW(dialog.hwnd(), DWLP_MSGRESULT), 4242);
  EXPECT_EQ(::SendMessageW(dialog.hwnd(), kProbe, 0, 0), 4242);
}

TEST(DialogResultRule, ControlColourAndInitAnswersAreReturnedThemselves) {
  RecordingDialog dialog;
  HBRUSH brush = static_cast<HBRUSH>(::GetStockObject(GRAY_BRUSH));
  dialog.addMessageHandler(WM_CTLCOLORSTATIC, [&](DialogWindow&, HWND, UINT, WPARAM, LPARAM, BOOL&) -> LRESULT {
    return reinterpret_cast<LRESULT>(brush);
  });
  dialog.addMessageHandler(WM_CHARTOITEM, [](DialogWindow&, HWND, UINT, WPARAM, LPARAM, BOOL&) -> LRESULT { return -2; });
  ScopedModeless window(dialog);
  ::SetWindowLongPtrW(dialog.hwnd(), DWLP_MSGRESULT, 555);
  EXPECT_EQ(CallDialogProcedure(dialog.hwnd(), WM_CTLCOLORSTATIC, 0, 0), reinterpret_cast<INT_PTR>(brush));
  EXPECT_EQ(CallDialogProcedure(dialog.hwnd(), WM_CHARTOITEM, 0, 0), -2);
  // Answered directly: the stored message result is left alone.
  EXPECT_EQ(::GetWindowLongPtrW(dialog.hwnd(), DWLP_MSGRESULT), 555);
}

TEST(DialogEvents, InitDialogWithEmptySlotReturnsTrueAndIconZeroSendsNoIcon) {
  RecordingDialog dialog(IDD_TEST_DIALOG, 0);
  ScopedModeless window(dialog);
  ASSERT_NE(dialog.hwnd(), nullptr);
  EXPECT_TRUE(dialog.saw(WM_INITDIALOG));
  EXPECT_EQ(CallDialogProcedure(dialog.hwnd(), WM_INITDIALOG, 0, 0), TRUE);
  EXPECT_EQ(::SendMessageW(dialog.hwnd(), WM_GETICON, ICON_BIG, 0), 0);
}

TEST(DialogEvents, InitDialogReturnsTheSlotsAnswerAndSendsTheBigIcon) {
  RecordingDialog dialog(IDD_TEST_DIALOG, IDI_TEST_ICON);
  int inits = 0;
  HWND handleDuringInit = nullptr;
  dialog.onInitDialog = [&](DialogWindow& self) -> BOOL {
    ++inits;
    handleDuringInit = self.hwnd();
    return FALSE;
  };
  ScopedModeless window(dialog);
  ASSERT_NE(dialog.hwnd(), nullptr);
  EXPECT_EQ(inits, 1);
  EXPECT_EQ(handleDuringInit, dialog.hwnd());
  EXPECT_NE(::SendMessageW(dialog.hwnd(), WM_GETICON, ICON_BIG, 0), 0);
  EXPECT_EQ(CallDialogProcedure(dialog.hwnd(), WM_INITDIALOG, 0, 0), FALSE);
}

TEST(DialogEvents, SizeRunsTheSlot) {
  RecordingDialog dialog;
  int sized = 0;
  dialog.onSize = [&] { ++sized; };
  ScopedModeless window(dialog);
  sized = 0;
  ::SetWindowPos(dialog.hwnd(), nullptr, 0, 0, 400, 300, SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
  EXPECT_GE(sized, 1);
}

TEST(DialogEvents, CloseRunsTheSlotAndThenEndsTheDialogWithZero) {
  DialogWindow dialog(IDD_TEST_MODAL, 0);
  int closes = 0;
  dialog.onInitDialog = [](DialogWindow& self) -> BOOL {
    ::PostMessageW(self.hwnd(), WM_CLOSE, 0, 0);
    return TRUE;
  };
  dialog.onClose = [&] {
    ++closes;
    // Ending with another value first: the framework's EndDialog(0) comes after.
    ::EndDialog(dialog.hwnd(), 7);
  };
  EXPECT_EQ(dialog.runModal(nullptr, 0), 0);
  EXPECT_EQ(closes, 1);
}

TEST(DialogEvents, CloseWithEmptySlotStillEndsTheDialog) {
  DialogWindow dialog(IDD_TEST_MODAL, 0);
  dialog.onInitDialog = [](DialogWindow& self) -> BOOL {
    ::PostMessageW(self.hwnd(), WM_CLOSE, 0, 0);
    return TRUE;
  };
  EXPECT_EQ(dialog.runModal(nullptr, 0), 0);
  EXPECT_EQ(dialog.hwnd(), nullptr);
}

TEST(DialogEvents, FinalMessageClearsTheHandleOnce) {
  RecordingDialog dialog;
  dialog.createModeless(nullptr, 0);
  HWND hwnd = dialog.hwnd();
  ASSERT_NE(hwnd, nullptr);
  ::DestroyWindow(hwnd);
  EXPECT_EQ(dialog.hwnd(), nullptr);
  ASSERT_EQ(dialog.finalHandles.size(), 1u);
  EXPECT_EQ(dialog.finalHandles[0], hwnd);
}

TEST(DialogEvents, ReleasingTheObjectDestroysItsWindow) {
  auto dialog = std::make_unique<DialogWindow>(IDD_TEST_DIALOG, 0);
  dialog->createModeless(nullptr, 0);
  HWND hwnd = dialog->hwnd();
  ASSERT_TRUE(::IsWindow(hwnd));
  dialog.reset();
  EXPECT_FALSE(::IsWindow(hwnd));
}

TEST(DialogText, TextsReachTheDialogInUtf16) {
  RecordingDialog dialog;
  std::wstring seen;
  dialog.addMessageHandler(WM_SETTEXT, [&](DialogWindow&, HWND, UINT, WPARAM, LPARAM lParam, BOOL& handled) -> LRESULT {
    seen = reinterpret_cast<const wchar_t*>(lParam);
    handled = FALSE;
    return 0;
  });
  ScopedModeless window(dialog);
  ASSERT_NE(dialog.hwnd(), nullptr);
  EXPECT_TRUE(::IsWindowUnicode(dialog.hwnd()));
  // Hangul, CJK and an emoji (a surrogate pair): no ANSI code page holds all three.
  const std::wstring caption = L"한국어 報告 😀";
  ::SetWindowTextW(dialog.hwnd(), caption.c_str());
  EXPECT_EQ(seen, caption);
  wchar_t text[32] = {};
  ::GetWindowTextW(dialog.hwnd(), text, 32);
  EXPECT_EQ(std::wstring(text), caption);
}

class Reflection : public ::testing::Test {
 protected:
  void SetUp() override {
    window_ = std::make_unique<ScopedModeless>(dialog_);
    ASSERT_NE(dialog_.hwnd(), nullptr);
    child_.attach(::GetDlgItem(dialog_.hwnd(), IDC_TEST_BUTTON));
    ASSERT_NE(child_.hwnd(), nullptr);
    dialog_.processed.clear();
  }
  void TearDown() override { window_.reset(); }

  RecordingDialog dialog_;
  RecordingControl child_;
  std::unique_ptr<ScopedModeless> window_;
};

TEST_F(Reflection, ChildCommandIsSentBackToTheChildAndAnswersWithItsResult) {
  INT_PTR answer = CallDialogProcedure(dialog_.hwnd(), WM_COMMAND, MAKEWPARAM(IDC_TEST_BUTTON, BN_CLICKED),
                                       reinterpret_cast<LPARAM>(child_.hwnd()));
  EXPECT_EQ(answer, TRUE);
  EXPECT_TRUE(child_.saw(kReflectionOffset + WM_COMMAND));
  EXPECT_EQ(::GetWindowLongPtrW(dialog_.hwnd(), DWLP_MSGRESULT), RecordingControl::kReflectedAnswer);
}

TEST_F(Reflection, MenuCommandWithoutHandlerIsNotHandled) {
  EXPECT_EQ(CallDialogProcedure(dialog_.hwnd(), WM_COMMAND, 12345, 0), FALSE);
  EXPECT_TRUE(dialog_.saw(WM_COMMAND));
  EXPECT_FALSE(child_.saw(kReflectionOffset + WM_COMMAND));
}

TEST_F(Reflection, NotifyGoesToTheSender) {
  NMHDR header{child_.hwnd(), IDC_TEST_BUTTON, static_cast<UINT>(NM_SETFOCUS)};
  EXPECT_EQ(::SendMessageW(dialog_.hwnd(), WM_NOTIFY, IDC_TEST_BUTTON, reinterpret_cast<LPARAM>(&header)),
            RecordingControl::kReflectedAnswer);
  EXPECT_TRUE(child_.saw(kReflectionOffset + WM_NOTIFY));
}

TEST_F(Reflection, OwnerDrawMessagesForMenuItemsAreNotReflected) {
  DRAWITEMSTRUCT draw{};
  draw.hwndItem = child_.hwnd();
  draw.CtlID = IDC_TEST_BUTTON;
  EXPECT_EQ(CallDialogProcedure(dialog_.hwnd(), WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&draw)), FALSE);
  MEASUREITEMSTRUCT measure{};
  measure.CtlID = IDC_TEST_BUTTON;
  EXPECT_EQ(CallDialogProcedure(dialog_.hwnd(), WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&measure)), FALSE);
  DELETEITEMSTRUCT deleted{};
  deleted.hwndItem = child_.hwnd();
  EXPECT_EQ(CallDialogProcedure(dialog_.hwnd(), WM_DELETEITEM, 0, reinterpret_cast<LPARAM>(&deleted)), FALSE);
  COMPAREITEMSTRUCT compare{};
  compare.hwndItem = child_.hwnd();
  EXPECT_EQ(CallDialogProcedure(dialog_.hwnd(), WM_COMPAREITEM, 0, reinterpret_cast<LPARAM>(&compare)), FALSE);
  EXPECT_FALSE(child_.saw(kReflectionOffset + WM_DRAWITEM));
  EXPECT_FALSE(child_.saw(kReflectionOffset + WM_MEASUREITEM));
  EXPECT_FALSE(child_.saw(kReflectionOffset + WM_DELETEITEM));
  EXPECT_FALSE(child_.saw(kReflectionOffset + WM_COMPAREITEM));
}

TEST_F(Reflection, OwnerDrawMessagesForControlsAreReflected) {
  DRAWITEMSTRUCT draw{};
  draw.hwndItem = child_.hwnd();
  draw.CtlID = IDC_TEST_BUTTON;
  CallDialogProcedure(dialog_.hwnd(), WM_DRAWITEM, IDC_TEST_BUTTON, reinterpret_cast<LPARAM>(&draw));
  MEASUREITEMSTRUCT measure{};
  measure.CtlID = IDC_TEST_BUTTON;
  CallDialogProcedure(dialog_.hwnd(), WM_MEASUREITEM, IDC_TEST_BUTTON, reinterpret_cast<LPARAM>(&measure));
  COMPAREITEMSTRUCT compare{};
  compare.hwndItem = child_.hwnd();
  // Compare answers are returned directly.
  EXPECT_EQ(CallDialogProcedure(dialog_.hwnd(), WM_COMPAREITEM, IDC_TEST_BUTTON, reinterpret_cast<LPARAM>(&compare)),
            RecordingControl::kReflectedAnswer);
  EXPECT_TRUE(child_.saw(kReflectionOffset + WM_DRAWITEM));
  EXPECT_TRUE(child_.saw(kReflectionOffset + WM_MEASUREITEM));
  EXPECT_TRUE(child_.saw(kReflectionOffset + WM_COMPAREITEM));
}

TEST_F(Reflection, ParentNotifyFindsTheChildByIdOrByHandle) {
  CallDialogProcedure(dialog_.hwnd(), WM_PARENTNOTIFY, MAKEWPARAM(WM_LBUTTONDOWN, IDC_TEST_BUTTON), 0);
  EXPECT_TRUE(child_.saw(kReflectionOffset + WM_PARENTNOTIFY));
  child_.seen.clear();
  CallDialogProcedure(dialog_.hwnd(), WM_PARENTNOTIFY, MAKEWPARAM(WM_DESTROY, 0), reinterpret_cast<LPARAM>(child_.hwnd()));
  EXPECT_TRUE(child_.saw(kReflectionOffset + WM_PARENTNOTIFY));
  // A notification about a child that does not exist is not handled.
  EXPECT_EQ(CallDialogProcedure(dialog_.hwnd(), WM_PARENTNOTIFY, MAKEWPARAM(WM_LBUTTONDOWN, 999), 0), FALSE);
}

TEST_F(Reflection, ControlColourIsReflectedAndAnsweredDirectly) {
  HDC dc = ::GetDC(child_.hwnd());
  EXPECT_EQ(CallDialogProcedure(dialog_.hwnd(), WM_CTLCOLORBTN, reinterpret_cast<WPARAM>(dc),
                                reinterpret_cast<LPARAM>(child_.hwnd())),
            RecordingControl::kReflectedAnswer);
  ::ReleaseDC(child_.hwnd(), dc);
  EXPECT_TRUE(child_.saw(kReflectionOffset + WM_CTLCOLORBTN));
}

}  // namespace
