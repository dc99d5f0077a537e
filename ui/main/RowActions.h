#pragma once
// The context menu of a result row and what its items do. What is offered
// is worked out apart from what is done, and what is done reaches the
// system only through RowActionEffects, so each can be tried alone:
// - a row is acted on only while no search runs, and only through the
//   result its item parameter names;
// - "结束进程" ends a process only when it is still the holder: the process
//   with the holder's ID must have started at the very moment the scan
//   recorded, so an ID given to another program since is never touched;
// - with rows of several programs selected, "结束进程" asks once and ends
//   each program once (each by the same check), then searches again; with
//   one program it ends it at once, as for one row;
// - "关闭句柄" acts on every selected row, after the user agreed: it closes a
//   handle in its holder only when the holder is still the one the scan saw
//   and the handle still names the row's file (handle values are reused), on
//   a thread that is given up (never killed) after two seconds.

#include <windows.h>

#include <cstdint>
#include <optional>
#include <vector>

#include "text/WideText.h"

class Application;

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

// The target of list row `row`, or none while a search runs, for no row, or
// for a row whose item parameter names no result.
std::optional<RowTarget> RowTargetFor(const Application& app, HWND listView, int row);

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
  virtual bool endHolder(const RowTarget& target) = 0;
  // True when the user agrees to close handles.
  virtual bool confirmClose() = 0;
  // True when the user agrees to end `programs` programs.
  virtual bool confirmEnd(int programs) = 0;
  virtual bool closeHandle(const RowTarget& target) = 0;
  virtual void refresh() = 0;
  // A box owned by the main window with the prompt caption, with the
  // information icon, or the error icon for a failure.
  virtual void tell(const wchar_t* message, bool failure) = 0;
};

// Does what the chosen item stands for: on the first (top-most) of the
// selected rows, or, for "关闭句柄" and "结束进程", on every one of them.
void PerformRowAction(RowMenuCommand command, const std::vector<RowTarget>& selected, RowActionEffects& effects);

// The real doings.
bool SelectInExplorer(const wchar_t* path);
// As CF_UNICODETEXT, exactly; Windows gives older programs CF_TEXT from it.
bool CopyTextToClipboard(HWND owner, WideView text);
// Ends process `processId` with exit code 0 when it still runs and started
// at `creationTime` (a FILETIME as 64 bits); false otherwise, also when the
// time is unknown (0).
bool EndHolderProcess(DWORD processId, uint64_t creationTime);
// Closes handle `target.handleValue` in its holder when the holder started
// at the recorded time and the handle still names `target.filePath`; waits
// `limitMs` at most (the closing thread is then left to end alone).
bool CloseHolderHandle(const RowTarget& target, DWORD limitMs = 2000);
