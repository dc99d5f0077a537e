#pragma once
// Dialogs and controls that record what reaches them.

#include <windows.h>

#include <memory>
#include <vector>

#include "FrameworkTestResources.h"
#include "ui/framework/DialogWindow.h"
#include "ui/framework/SubclassedControl.h"

// A dialog that records every message processMessage sees.
class RecordingDialog : public DialogWindow {
 public:
  explicit RecordingDialog(int templateId = IDD_TEST_DIALOG, int iconId = 0) : DialogWindow(templateId, iconId) {}
  BOOL processMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
    processed.push_back(message);
    return DialogWindow::processMessage(hwnd, message, wParam, lParam, result);
  }
  void onFinalMessage(HWND hwnd) override { finalHandles.push_back(hwnd); }
  bool saw(UINT message) const {
    for (UINT m : processed)
      if (m == message) return true;
    return false;
  }
  std::vector<UINT> processed;
  std::vector<HWND> finalHandles;
};

// A control object that records what reaches it and answers reflected
// notifications with a fixed value.
class RecordingControl : public SubclassedControl {
 public:
  static constexpr LRESULT kReflectedAnswer = 77;
  BOOL processMessage(HWND, UINT message, WPARAM, LPARAM, LRESULT& result) override {
    seen.push_back(message);
    if (message >= 0x2000) {
      result = kReflectedAnswer;
      return TRUE;
    }
    return FALSE;
  }
  void onFinalMessage(HWND hwnd) override { finalHandles.push_back(hwnd); }
  bool saw(UINT message) const {
    for (UINT m : seen)
      if (m == message) return true;
    return false;
  }
  std::vector<UINT> seen;
  std::vector<HWND> finalHandles;
};

// Creates the dialog modeless and destroys its window at the end of the test.
class ScopedModeless {
 public:
  explicit ScopedModeless(DialogWindow& dialog) : dialog_(dialog) { dialog_.createModeless(nullptr, 0); }
  ~ScopedModeless() {
    if (dialog_.hwnd() != nullptr) ::DestroyWindow(dialog_.hwnd());
  }
  ScopedModeless(const ScopedModeless&) = delete;
  ScopedModeless& operator=(const ScopedModeless&) = delete;

 private:
  DialogWindow& dialog_;
};

// Calls the window's current dialog procedure directly: its own return value,
// before the system's default dialog processing turns it into an answer.
inline INT_PTR CallDialogProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto procedure = reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(dialog, DWLP_DLGPROC));
  return ::CallWindowProcW(procedure, dialog, message, wParam, lParam);
}
