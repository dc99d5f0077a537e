// The search controller: one search at a time on the worker's thread, from
// the start, which shows "查找中...", to its end, which the search thread
// reports by posting one message to the window's thread; there the records
// that hold the target become the results and the list is filled in one go.
// `busy` is set from the start of a search until its rows are shown. A
// search that cannot start, whatever it throws, or whose end throws, ends as
// "查找失败" with `busy` cleared.

#include <windows.h>
#include <commctrl.h>

#include <system_error>

#include "app/Application.h"
#include "app/TargetPath.h"
#include "res/resource.h"
#include "scan/OtherHolders.h"
#include "search/ResultListTexts.h"
#include "search/ResultMatching.h"
#include "ui/main/ResultList.h"
#include "ui/main/WindowTexts.h"

namespace {
const WCHAR kNoText[] = WTEXT("");
constexpr WPARAM kOutcomePart = 0;
constexpr WPARAM kCountPart = 1;

void setStatus(HWND statusBar, WPARAM part, const WCHAR* text) {
  ::SendMessageW(statusBar, SB_SETTEXTW, part, reinterpret_cast<LPARAM>(text));
}
}  // namespace

void Application::restartSearch() {
  // A search waits for a batch of closings too: it would show rows about to change.
  if (busy.load() != 0 || closing.load() != 0) {
    ::MessageBoxW(mainWindow(), kSearchRunningMessage, kPromptCaption, MB_ICONERROR);
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
  if (!targetPathFailed) {
    // The end comes back to this thread: to the main window, or, where
    // there is none, to the thread itself.
    const HWND window = mainWindow();
    const DWORD uiThread = ::GetCurrentThreadId();
    try {
      worker.start(
          [window, uiThread] {
            if (window != nullptr) {
              ::PostMessageW(window, kSearchDoneMessage, 0, 0);
            } else {
              ::PostThreadMessageW(uiThread, kSearchDoneMessage, 0, 0);
            }
          },
          [this](HandleScanner& scanner) { prepareScan(scanner); });
      return;
    } catch (...) {
      // No thread (std::system_error) or no memory for its body
      // (std::bad_alloc): no search, reported as a failed one below, with
      // `busy` cleared again.
    }
  }
  // A target that names no file, or no thread: nothing to scan. The
  // previous scanner no longer stands for the emptied results, so it goes;
  // the fill then clears the rows and reports "查找失败". With `busy` clear
  // again a later refresh starts afresh.
  worker.scanner.reset();
  busy.exchange(0);
  ResultList(*this).fill(WideView());
}

void Application::prepareScan(HandleScanner& scanner) {
  // The target as the system names it now (it may have been created, moved
  // or shared since the last search).
  targetMatchPath = targetPath;
  targetIsFolder = false;
  if (targetPath.empty()) return;
  const TargetIdentity identity = IdentifyTarget(targetPath);
  targetMatchPath = identity.matchPath;
  targetIsFolder = identity.folder;
  // Files held as loaded modules count too; with no target they would bury
  // the open files, so only then.
  scanner.SetModuleFilter(TargetModuleFilter(targetMatchPath, targetIsFolder));
}

void Application::onSearchDone() {
  try {
    // The thread has posted its last word: the join only sees it off.
    worker.join();
    matchResults();
  } catch (...) {
    // Out of memory, say: nothing half-matched is shown.
    results.clear();
    worker.scanner.reset();
    try {
      ResultList(*this).fill(WideView());
    } catch (...) {
    }
  }
  busy.exchange(0);
}

bool Application::routeThreadMessage(const MSG& message) {
  if (message.hwnd != nullptr) return false;
  switch (message.message) {
    case kSearchDoneMessage:
      onSearchDone();
      return true;
    case kClosingProgressMessage:
      onClosingProgress(static_cast<int>(message.wParam), static_cast<int>(message.lParam));
      return true;
    case kClosingDoneMessage:
      onClosingDone(message.wParam, message.lParam);
      return true;
    default:
      return false;
  }
}

void Application::matchResults() {
  if (worker.scanner != nullptr) {
    // No target, every file; else what the system calls the target.
    const WideText& match = targetPath.empty() ? targetPath : targetMatchPath;
    AppendMatchingRecords(worker.scanner->records(), match, results, targetIsFolder);
    AppendOtherHolders(match, targetIsFolder, TargetModuleFilter(match, targetIsFolder), results);
  }
  // Every result is shown after a search, whatever the search box holds.
  ResultList(*this).fill(WideView());
}
