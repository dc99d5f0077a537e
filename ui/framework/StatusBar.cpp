#include "ui/framework/StatusBar.h"

#include <commctrl.h>

#include <vector>

#include "os/ScopeExit.h"

namespace {
// SB_GETBORDERS: the part's border left and right, its border above and
// below, the gap between two parts.
constexpr int kHorizontalBorder = 0;
constexpr int kGapBetweenParts = 2;
// The room the bar leaves between a part's edge and its text, on each side
// (the common controls indent the text 3 pixels; a pixel more on each side
// keeps the last glyph clear of the next part's edge).
constexpr int kTextInset = 4;
}  // namespace

bool StatusBar::setParts(std::initializer_list<int> rightEdges) const {
  std::vector<int> edges(rightEdges);
  if (::SendMessageW(control_, SB_SETPARTS, static_cast<WPARAM>(edges.size()), reinterpret_cast<LPARAM>(edges.data())) ==
      0) {
    return false;
  }
  ::SendMessageW(control_, WM_SIZE, 0, 0);
  return true;
}

void StatusBar::setText(int part, const wchar_t* text) const {
  ::SendMessageW(control_, SB_SETTEXTW, static_cast<WPARAM>(part), reinterpret_cast<LPARAM>(text));
}

WideText StatusBar::text(int part) const {
  // The low word is the length in characters; the high word the drawing flags.
  const auto length = LOWORD(::SendMessageW(control_, SB_GETTEXTLENGTHW, static_cast<WPARAM>(part), 0));
  WideText text(static_cast<std::size_t>(length) + 1, L'\0');
  const auto copied = LOWORD(::SendMessageW(control_, SB_GETTEXTW, static_cast<WPARAM>(part),
                                            reinterpret_cast<LPARAM>(&text[0])));
  text.resize(copied <= length ? copied : length);
  return text;
}

int StatusBar::widthFor(const wchar_t* text) const {
  const HDC context = ::GetDC(control_);
  if (context == nullptr) return 0;
  const ScopeExit released([this, context] { ::ReleaseDC(control_, context); });
  const auto font = reinterpret_cast<HFONT>(::SendMessageW(control_, WM_GETFONT, 0, 0));
  // No font set: the bar draws with the system font, the context's own.
  const HGDIOBJ before = font != nullptr ? ::SelectObject(context, font) : nullptr;
  SIZE extent{};
  const BOOL measured = ::GetTextExtentPoint32W(context, text, ::lstrlenW(text), &extent);
  if (before != nullptr) ::SelectObject(context, before);
  if (measured == FALSE) return 0;
  int borders[3] = {};
  ::SendMessageW(control_, SB_GETBORDERS, 0, reinterpret_cast<LPARAM>(borders));
  return extent.cx + 2 * (borders[kHorizontalBorder] + kTextInset) + borders[kGapBetweenParts];
}
