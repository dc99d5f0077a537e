#pragma once
// The main window: the dialog with its list, status bar and search box; the
// one place its handlers are registered; the layout, the menu commands and
// the row menu. It owns the run's SearchSession and carries the session's
// ends (told on other threads) to its own thread as messages, which the
// window takes, or, before the window exists, the message loop hands to
// routeThreadMessage.

#include <windows.h>

#include <memory>
#include <optional>
#include <vector>

#include "search/SearchSession.h"
#include "ui/framework/DialogWindow.h"
#include "ui/framework/ListView.h"
#include "ui/framework/StatusBar.h"
#include "ui/main/RowActions.h"

class ListViewControl;
class StatusBarControl;
class SearchEditControl;
class ResultList;
class ThreadMessagePoster;

class MainWindow : public DialogWindow {
 public:
  // The search's end; a batch of closings' progress (done, total) and end
  // (failed, changed).
  static constexpr UINT kSearchDoneMessage = WM_APP + 1;
  static constexpr UINT kClosingProgressMessage = WM_APP + 2;
  static constexpr UINT kClosingDoneMessage = WM_APP + 3;
  // While a batch of closings runs: looks for its end, should the message
  // that carries it have been dropped (a timer's message never is).
  static constexpr UINT_PTR kClosingWatchTimer = 1;
  static constexpr UINT kClosingWatchMs = 500;
  // The same for a running search's end.
  static constexpr UINT_PTR kSearchWatchTimer = 2;

  // `targetPath` and `targetUnusable` as SearchSession takes them.
  MainWindow(WideText targetPath, bool targetUnusable);
  ~MainWindow() override;

  // Creates the window and shows it; false when it cannot be created.
  bool open();
  // One of the session's ends that came as a thread message (there was no
  // window to post it to): true when `message` was one of those.
  bool routeThreadMessage(const MSG& message);

  SearchSession& session() { return *session_; }

 private:
  void setUpControls();
  void layoutControls();
  void restartSearch();
  void onSearchDone();
  void onClosingProgress(int done, int total);
  // Takes a batch's end when there is one: the box, then the refresh; a
  // freeing's end: the file operation, its box, then the refresh.
  void onClosingDone();
  void filterFromSearchBox();
  bool onCommand(WORD id);
  void setSearchBoxShown(bool shown);
  // The row menu for list row `row` (-1: none), at a point on the screen.
  void showRowMenu(int row, POINT at);
  // The same from the keyboard: for the focused row when it is selected,
  // else the top-most selected one, at that row; with none, at the list's
  // top-left corner.
  void showRowMenuFromKeyboard();

  std::shared_ptr<ThreadMessagePoster> poster_;
  std::unique_ptr<SearchSession> session_;
  std::shared_ptr<ListViewControl> listView_;
  std::shared_ptr<StatusBarControl> statusBar_;
  std::shared_ptr<SearchEditControl> searchBox_;
  std::unique_ptr<ResultList> resultList_;
  // The template's controls, found at initialisation (null before).
  ListView list_;
  StatusBar status_;
  HWND searchEdit_ = nullptr;
  // The freeing of files whose closings run, until they end.
  std::optional<ReleaseJob> release_;
};
