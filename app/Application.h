#pragma once
// The one object that lives for the whole run: the main dialog and its three
// control wrappers, the search controller's fields, and the target path.
// Its operations are spread over the folders that own them: the run and the
// message loop (app/), the controls and layout, the list, the commands and
// the row actions (ui/main/), the search and the matching (search/).

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "scan/HandleRecord.h"
#include "scan/HolderControl.h"
#include "search/RowOrder.h"
#include "search/ScanWorker.h"
#include "text/WideText.h"
#include "ui/main/ResultList.h"

class DialogWindow;
class ListViewControl;
class StatusBarControl;
class SearchEditControl;

class Application {
 public:
  // Posted by the search thread as its last act: the window's thread then
  // matches and fills.
  static constexpr UINT kSearchDoneMessage = WM_APP + 1;
  // Posted by the closing threads: after each closing (done, total), and
  // once at the end (failed, changed; how many were tried is closingTried).
  static constexpr UINT kClosingProgressMessage = WM_APP + 2;
  static constexpr UINT kClosingDoneMessage = WM_APP + 3;

  // Enables the debug privilege and takes the target path from argument 1.
  Application();
  // Stops and joins a running search before any member goes.
  ~Application();
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  // Creates the main dialog, shows it and runs the message loop.
  int run();

  // Main dialog.
  void setUpControls();
  void layoutControls();

  // Search controller.
  void restartSearch();
  void beginSearch();
  // On the search thread, before its scan: the target's identity and, with
  // a target, which loaded modules the scan keeps.
  void prepareScan(HandleScanner& scanner);
  void onSearchDone();
  void matchResults();
  // The search's end, or a batch of closings' progress or end, when it comes
  // as a thread message (there is no main window to post it to): true when
  // `message` was one of those.
  bool routeThreadMessage(const MSG& message);

  // The search box's callbacks: refill the list with the box's text as filter.
  void filterFromSearchBox();
  void onSearchBoxKeyUp(WPARAM key);

  // Menu commands, row actions, Explorer registration.
  int onCommand(WORD id);
  // The row menu for list row `row` (-1: none), at a point on the screen.
  void showRowMenu(int row, POINT at);
  // The same from the keyboard: for the focused row when it is selected,
  // else the top-most selected one, at that row; with none, at the list's
  // top-left corner.
  void showRowMenuFromKeyboard();
  // Closes the handles off the window's thread (closing is set until the
  // end comes back); false when it cannot start.
  bool startClosing(std::vector<HeldHandle> handles);
  void onClosingProgress(int done, int total);
  void onClosingDone(WPARAM failed, LPARAM changed);
  int registerExplorerMenu();

  HWND mainWindow() const;

  // Members in declaration order; destruction runs in reverse.
  std::shared_ptr<DialogWindow> mainDialog;
  std::shared_ptr<ListViewControl> listView;
  std::shared_ptr<StatusBarControl> statusBar;
  std::shared_ptr<SearchEditControl> searchBox;
  ScanWorker worker;
  std::vector<HandleRecord> results;
  std::atomic<uint8_t> busy{0};
  std::atomic<uint8_t> filling{0};
  // Handles are being closed: no search starts and no row is offered.
  std::atomic<uint8_t> closing{0};
  // How many handles the running batch tries (set on the window's thread).
  int closingTried = 0;
  // How many of the batch's closings were set going but not confirmed (set
  // by the last closing thread just before it posts the end).
  std::atomic<int> closingUnconfirmed{0};
  WideText targetPath;
  // Argument 1 names something that cannot be made a full path: no search
  // runs, and the window says "查找失败".
  bool targetPathFailed = false;
  // The target as the system names it, and whether it is a folder: found
  // afresh by each search's thread (prepareScan), read after its end.
  WideText targetMatchPath;
  bool targetIsFolder = false;
  ResultIcons resultIcons;
  // The column the user sorted the rows by, if any, for every fill; and the
  // filter of the last fill, which a re-sort keeps.
  RowSort rowSort;
  WideText listFilter;
};
