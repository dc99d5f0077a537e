#include "app/Application.h"

#include <commctrl.h>

#include <system_error>

#include "res/resource.h"
#include "search/ResultListTexts.h"
#include "search/ResultMatching.h"
#include "ui/main/PromptCaption.h"
#include "ui/main/ResultList.h"

namespace {
const char kSearchRunningMessage[] = "正在查找";
const char kNoText[] = "";
constexpr WPARAM kOutcomePart = 0;
constexpr WPARAM kCountPart = 1;

void setStatus(HWND statusBar, WPARAM part, const char* text) {
  ::SendMessageA(statusBar, SB_SETTEXTA, part, reinterpret_cast<LPARAM>(text));
}
}  // namespace

void Application::restartSearch() {
  if (busy.load() != 0) {
    ::MessageBoxA(mainWindow(), kSearchRunningMessage, kPromptCaption, MB_ICONERROR);
    return;
  }
  // Not busy: the previous thread has done all its work, the wait is short.
  worker.join();
  results.clear();
  beginSearch();
}

void Application::beginSearch() {
  busy.exchange(1);
  const HWND statusBar = ::GetDlgItem(mainWindow(), IDC_STATUS_BAR);
  setStatus(statusBar, kOutcomePart, kSearchingStatus);
  setStatus(statusBar, kCountPart, kNoText);
  try {
    worker.start([this] { onSearchDone(); });
  } catch (const std::system_error&) {
    // No thread, no search. The previous scanner no longer stands for the
    // emptied results, so it goes; the fill then clears the rows (whose
    // indexes point into the old results) and reports "查找失败". With
    // `busy` clear again a later refresh starts afresh.
    worker.scanner.reset();
    busy.exchange(0);
    ResultList(*this).fill(AnsiString());
  }
}

void Application::onSearchDone() {
  // A raised stop flag here means the worker is being destroyed: the scan was
  // cut short, its per-handle threads may still write the records, and the
  // windows are going away. Nothing is matched or shown then.
  if (worker.stopFlag.load() == 0) matchResults();
  busy.exchange(0);
}
