#pragma once
// Windows for the result list's and row menu's tests: a hidden parent holding a
// report list view with the tool's five columns (asking for its texts in
// UTF-16, as the main dialog's does) and a three-part status bar, read
// with the wide messages,
// and a catcher for the message boxes shown on the test thread.

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>

#include "search/SearchThread.h"
#include "support/ScopedThreadLauncher.h"

class ListAndStatusWindows {
 public:
  ListAndStatusWindows();
  ~ListAndStatusWindows();
  ListAndStatusWindows(const ListAndStatusWindows&) = delete;
  ListAndStatusWindows& operator=(const ListAndStatusWindows&) = delete;

  // The parent's notifications from the list go here first (the row texts
  // and icons are asked of the parent); unanswered ones go on as usual.
  std::function<bool(const NMHDR*, LRESULT& answer)> onNotify;

  HWND parent() const { return parent_; }
  HWND listView() const { return listView_; }
  HWND statusBar() const { return statusBar_; }
  HWND searchBox() const { return searchBox_; }

  int rowCount() const;
  std::wstring cell(int row, int column) const;
  LPARAM rowParam(int row) const;
  int rowImage(int row) const;
  std::wstring status(int part) const;
  void setStatus(int part, const wchar_t* text) const;

 private:
  static LRESULT CALLBACK parentProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  HWND parent_;
  WNDPROC parentDefault_ = nullptr;
  HWND listView_;
  HWND statusBar_;
  HWND searchBox_;
};

// What a message box shown while the catcher lives said; the box is
// answered with OK at once.
struct CaughtMessageBox {
  int count = 0;
  std::wstring text;
  std::wstring caption;
  HWND owner = nullptr;
  bool errorIcon = false;
};

class MessageBoxCatcher {
 public:
  MessageBoxCatcher();
  ~MessageBoxCatcher();
  MessageBoxCatcher(const MessageBoxCatcher&) = delete;
  MessageBoxCatcher& operator=(const MessageBoxCatcher&) = delete;

  const CaughtMessageBox& caught() const;

 private:
  HHOOK hook_;
};

// Binds the native query functions as the tool's start-up does, so that a
// scan in the test process reads the real handle table.
void BindNativeLayerForScans();
