#include "ui/main/SearchBoxFilter.h"

#include "app/Application.h"
#include "res/resource.h"
#include "ui/main/ResultList.h"

namespace {
// Room for the longest text read plus the string's own slack.
constexpr int kTextBufferBytes = 4104;
// Characters read at most, terminator included.
constexpr int kMaxTextChars = 4096;
}  // namespace

AnsiString SearchBoxText(HWND box) {
  AnsiString text;
  char* buffer = text.GetBuffer(kTextBufferBytes);
  buffer[0] = '\0';
  ::GetWindowTextA(box, buffer, kMaxTextChars);
  text.ReleaseBuffer();
  return text;
}

void Application::filterFromSearchBox() {
  // While a search is busy its thread appends to `results` and then fills
  // the list itself; a fill from here would read the array as it grows. The
  // keystroke leaves the rows alone: the search's fill shows every result,
  // and the next keystroke applies the box's text.
  if (busy.load() != 0) return;
  ResultList(*this).fill(SearchBoxText(::GetDlgItem(mainWindow(), IDC_SEARCH_EDIT)));
}

void Application::onSearchBoxKeyUp(WPARAM key) {
  // Keys that change the text without a character; caret moves do not refilter.
  if (key == VK_BACK || key == VK_RETURN || key == VK_DELETE) filterFromSearchBox();
}
