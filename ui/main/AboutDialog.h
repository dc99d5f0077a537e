#pragma once
// The About box: a modal window with the program's icon, name and version,
// the link to the maker's site, and OK. It lives for one opening; nothing of
// it survives to the next.

#include <windows.h>

#include "ui/framework/DialogWindow.h"

class AboutDialog : public DialogWindow {
 public:
  AboutDialog();

  // Runs the box modally over `owner` until it is closed (OK, Enter, Esc;
  // WM_CLOSE: the close box or Alt+F4). The modal loop's result means nothing
  // to anyone.
  static void show(HWND owner);

  // A click on the link, whichever control sent it, opens the site. The
  // address is fixed; the anchor's href is not read. Answers 0.
  LRESULT onNotify(WPARAM wParam, LPARAM lParam);
};
