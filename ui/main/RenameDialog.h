#pragma once
// The rename box: a modal window with the current name in an edit box, the
// part before the extension selected as Explorer selects it, OK and Cancel.
// It only asks: the name is checked and used by whoever asked.

#include <windows.h>

#include <optional>

#include "text/WideText.h"
#include "ui/framework/DialogWindow.h"

class RenameDialog : public DialogWindow {
 public:
  explicit RenameDialog(WideText currentName);

  // Runs the box modally over `owner`: the name typed when OK ends it,
  // nothing when it is cancelled or cannot be shown.
  static std::optional<WideText> ask(HWND owner, const WideText& currentName);

  // How much of `name` Explorer selects for a rename: all but the last
  // extension; the whole name when it has none or starts with its only dot.
  static int StemLength(WideView name);

 private:
  WideText name_;
  bool accepted_ = false;
};
