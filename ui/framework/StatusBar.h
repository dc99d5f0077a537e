#pragma once
// The operations the tool does on a status bar, by name, on a control it
// does not own (a handle). Every message to a status bar goes through here.

#include <windows.h>

#include <initializer_list>

#include "text/WideText.h"

class StatusBar {
 public:
  explicit StatusBar(HWND control = nullptr) : control_(control) {}

  HWND hwnd() const { return control_; }

  // The parts by their right edges in client pixels (-1: to the bar's
  // edge); the bar is laid out again. False when the bar refused them.
  bool setParts(std::initializer_list<int> rightEdges) const;
  void setText(int part, const wchar_t* text) const;
  WideText text(int part) const;
  // The width, in pixels, a part needs to show `text` whole: the text
  // measured with the bar's font on its device context, plus the part's
  // borders and the room the bar leaves around a part's text.
  int widthFor(const wchar_t* text) const;

 private:
  HWND control_;
};
