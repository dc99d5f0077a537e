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
  // A failed read need not leave the buffer terminated: only what the call
  // reports as copied counts.
  const int copied = box != nullptr ? ::GetWindowTextA(box, buffer, kMaxTextChars) : 0;
  buffer[(copied > 0 && copied < kMaxTextChars) ? copied : 0] = '\0';
  text.ReleaseBuffer();
  return text;
}

void Application::filterFromSearchBox() {
  ResultList(*this).fillFromSearchBox(::GetDlgItem(mainWindow(), IDC_SEARCH_EDIT));
}

void Application::onSearchBoxKeyUp(WPARAM key) {
  // Keys that change the text without a character; caret moves do not refilter.
  if (key == VK_BACK || key == VK_RETURN || key == VK_DELETE) filterFromSearchBox();
}
