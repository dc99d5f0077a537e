#pragma once
// The context menu of a result row and what its items do. What is offered
// is worked out apart from what is done, and what is done reaches the
// system only through RowActionEffects, so each can be tried alone:
// - a row is acted on only while no search runs, and only through the
//   result its item parameter names;
// - "结束进程" acts on the first selected row, or, with rows of several
//   programs selected, on each program once after the user agreed, then
//   searches again; "关闭句柄" on every selected handle row after the user
//   agreed, off the window's thread, with its progress in the status bar;
//   while it runs no row is offered and no search starts. What either does
//   to the holder, and when it refuses, is the engine's
//   (scan/HolderControl.h).

#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "scan/HolderControl.h"
#include "text/WideText.h"

class ResultList;
class SearchSession;

// The items' ids, handed back by TrackPopupMenu directly; they never travel
// as WM_COMMAND.
enum class RowMenuCommand : unsigned {
  Dismissed = 0,
  ViewFileLocation = 1,
  CopyFileLocation = 2,
  ViewProcessLocation = 3,
  EndProcess = 4,
  Refresh = 5,
  CloseHandle = 6,
};

struct RowMenuItem {
  RowMenuCommand command;
  const wchar_t* text;
};

// What the row's actions need of its result, copied while the results are
// known to be still.
struct RowTarget {
  SharedText filePath;
  SharedText processPath;
  DWORD processId = 0;
  uint64_t processCreationTime = 0;  // 0: unknown
  uint32_t handleValue = 0;
  bool loadedModule = false;  // a module row: no handle to close
};

// The target of list row `row`, or none while a search runs or handles are
// being closed, for no row, or for a row whose item parameter names no
// result.
std::optional<RowTarget> RowTargetFor(const SearchSession& session, const ResultList& list, int row);

// The items offered: the actions for a target ("关闭句柄" only for a
// handle), and "刷新" always, last.
std::vector<RowMenuItem> RowMenuItems(const RowTarget* target);

// The doings of the actions, on the real system or in a test.
class RowActionEffects {
 public:
  virtual ~RowActionEffects() = default;
  // Opens Explorer with `path` selected; an empty path starts nothing.
  virtual void selectInExplorer(const SharedText& path) = 0;
  virtual bool copyToClipboard(const SharedText& text) = 0;
  virtual EndResult endHolder(const RowTarget& target) = 0;
  // True when the user agrees to close handles.
  virtual bool confirmClose() = 0;
  // True when the user agrees to end `programs` programs.
  virtual bool confirmEnd(int programs) = 0;
  // Starts closing the handles of these rows off the window's thread; their
  // end comes back through ReportClosing. False when it cannot start.
  virtual bool startClosing(const std::vector<RowTarget>& handles) = 0;
  virtual void refresh() = 0;
  // A box owned by the main window with the prompt caption, with the
  // information icon, or the error icon for a failure.
  virtual void tell(const wchar_t* message, bool failure) = 0;
};

// Does what the chosen item stands for: on the first (top-most) of the
// selected rows, or, for "关闭句柄" and "结束进程", on every one of them.
void PerformRowAction(RowMenuCommand command, const std::vector<RowTarget>& selected, RowActionEffects& effects);

// The end of a batch of closings: one box (what failed, and how many of
// those because the value named another object by then), then the refresh.
void ReportClosing(const CloseTally& tally, RowActionEffects& effects);

// The actions on the real system, for a window: its boxes are owned by
// `owner`, the closings run in `session`, a refresh calls `refresh`.
class SystemRowEffects : public RowActionEffects {
 public:
  SystemRowEffects(HWND owner, SearchSession& session, std::function<void()> refresh);

  void selectInExplorer(const SharedText& path) override;
  bool copyToClipboard(const SharedText& text) override;
  EndResult endHolder(const RowTarget& target) override;
  bool confirmClose() override;
  bool confirmEnd(int programs) override;
  bool startClosing(const std::vector<RowTarget>& rows) override;
  void refresh() override;
  void tell(const wchar_t* message, bool failure) override;

 private:
  HWND owner_;
  SearchSession& session_;
  std::function<void()> refresh_;
};

// The real doings.
bool SelectInExplorer(const wchar_t* path);
