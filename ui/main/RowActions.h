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
//   (act/HolderControl.h).
// - What a row offers follows its kind: a module row and a row whose
//   handles could not be read have no handle to close; a user's open on
//   another computer has no program to end or show, and closing it warns
//   that the user's unsaved changes are lost.
// - "解除占用并删除/重命名/移动" and "下次启动时删除" act on the distinct
//   files of the selected rows (a rename on the top row's file alone): a
//   new name or destination is checked before anything is closed, one
//   question says what will be closed, then every handle on those files the
//   last search found is closed as one batch (the same batch state as
//   "关闭句柄"), then the file operation runs on the window's thread, one
//   box tells the outcome, and the list searches again. The engine's order
//   and promises are act/FileRelease.h's.

#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "act/FileRelease.h"
#include "act/HolderControl.h"
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
  ReleaseAndDelete = 7,
  ReleaseAndRename = 8,
  ReleaseAndMove = 9,
  DeleteAtNextStart = 10,
};

// An item, or a separator between groups of items (no text).
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
  HolderKind kind = HolderKind::kHandle;  // as the row's KindOf, but a module row is told by loadedModule
};

// The row's kind: kModule for a module row, else its `kind`.
HolderKind KindOf(const RowTarget& target);

// A freeing of files under way: what is to be done to each file once the
// batch of closings (`closing`, over all of them) has ended.
struct ReleaseJob {
  FileActionRequest request;
  std::vector<ReleasePlan> files;
  ReleasePlan closing;
};

// The target of list row `row`, or none while a search runs or handles are
// being closed, for no row, or for a row whose item parameter names no
// result.
std::optional<RowTarget> RowTargetFor(const SearchSession& session, const ResultList& list, int row);
// What a row's actions need of one search result.
RowTarget RowTargetOf(const HandleRecord& result);

// The items offered, in groups with a separator between them: showing and
// copying, acting on the program, acting on the handle, freeing the file,
// and "刷新" always, last. By the target's kind: "关闭句柄" for a handle or
// a remote open; "结束进程" and "查看进程位置" for a program of this
// computer; the freeing items except for a row whose handles could not be
// read ("下次启动时删除", which closes nothing, stays).
std::vector<RowMenuItem> RowMenuItems(const RowTarget* target);

// The doings of the actions, on the real system or in a test.
class RowActionEffects {
 public:
  virtual ~RowActionEffects() = default;
  // Opens Explorer with `path` selected; an empty path starts nothing.
  virtual void selectInExplorer(const SharedText& path) = 0;
  virtual bool copyToClipboard(const SharedText& text) = 0;
  virtual EndResult endHolder(const RowTarget& target) = 0;
  // True when the user agrees to close handles; `remote`: a remote open is
  // among them, and the question says that its user's changes are lost.
  virtual bool confirmClose(bool remote) = 0;
  // True when the user agrees to end `programs` programs.
  virtual bool confirmEnd(int programs) = 0;
  // Starts closing the handles of these rows off the window's thread; their
  // end comes back through ReportClosing. False when it cannot start.
  virtual bool startClosing(const std::vector<RowTarget>& handles) = 0;
  virtual void refresh() = 0;
  // A box owned by the main window with the prompt caption, with the
  // information icon, or the error icon for a failure.
  virtual void tell(const wchar_t* message, bool failure) = 0;

  // The freeing of files.
  // The plan for `path` from the last search's rows: every row whose file
  // is one of `covered` or lies below one of them.
  virtual ReleasePlan planRelease(WideView path, const std::vector<SharedText>& covered) = 0;
  // A yes/no question with the prompt caption, 否 the default: true for 是.
  virtual bool ask(const WideText& question) = 0;
  // The rename box with `currentName`: the new name, none when cancelled.
  virtual std::optional<WideText> askNewName(const WideText& currentName) = 0;
  // The system's folder picker: the chosen folder, none when cancelled.
  virtual std::optional<WideText> pickFolder() = 0;
  virtual std::optional<ReleaseOutcome> checkFileAction(const ReleasePlan& plan, const FileActionRequest& request) = 0;
  // Starts the job's closings off the window's thread; their end comes back
  // through FinishRelease. False, nothing closed, when it cannot start.
  virtual bool startRelease(ReleaseJob job) = 0;
  virtual ReleaseResult applyFileAction(const ReleasePlan& plan, const FileActionRequest& request,
                                        const ClosingReport& closings) = 0;
};

// Does what the chosen item stands for: on the first (top-most) of the
// selected rows, or, for "关闭句柄" and "结束进程", on every one of them.
void PerformRowAction(RowMenuCommand command, const std::vector<RowTarget>& selected, RowActionEffects& effects);

// The end of a batch of closings: one box (what failed, and how many of
// those because the value named another object by then), then the refresh.
void ReportClosing(const CloseTally& tally, RowActionEffects& effects);

// The end of a freeing's closings: the file operation on each file, one
// box, the offer of the next start for a file that could not be deleted,
// then the refresh.
void FinishRelease(const ReleaseJob& job, const ClosingReport& closings, RowActionEffects& effects);

// The words for an outcome that is not kDone, with whom it is still held by.
WideText ReleaseReasonText(const ReleaseResult& result);

// The actions on the real system, for a window: its boxes are owned by
// `owner`, the closings run in `session`, a refresh calls `refresh`; a
// freeing under way is kept in `pendingRelease` until its closings end
// (none: no freeing can start).
class SystemRowEffects : public RowActionEffects {
 public:
  SystemRowEffects(HWND owner, SearchSession& session, std::function<void()> refresh,
                   std::optional<ReleaseJob>* pendingRelease = nullptr);

  void selectInExplorer(const SharedText& path) override;
  bool copyToClipboard(const SharedText& text) override;
  EndResult endHolder(const RowTarget& target) override;
  bool confirmClose(bool remote) override;
  bool confirmEnd(int programs) override;
  bool startClosing(const std::vector<RowTarget>& rows) override;
  void refresh() override;
  void tell(const wchar_t* message, bool failure) override;
  ReleasePlan planRelease(WideView path, const std::vector<SharedText>& covered) override;
  bool ask(const WideText& question) override;
  std::optional<WideText> askNewName(const WideText& currentName) override;
  std::optional<WideText> pickFolder() override;
  std::optional<ReleaseOutcome> checkFileAction(const ReleasePlan& plan, const FileActionRequest& request) override;
  bool startRelease(ReleaseJob job) override;
  ReleaseResult applyFileAction(const ReleasePlan& plan, const FileActionRequest& request,
                                const ClosingReport& closings) override;

 private:
  HWND owner_;
  SearchSession& session_;
  std::function<void()> refresh_;
  std::optional<ReleaseJob>* pendingRelease_;
};

// The real doings.
bool SelectInExplorer(const wchar_t* path);
