#pragma once
// Freeing one file or folder that the last search found held, and then
// doing with it what the user came to do: moving it to the Recycle Bin,
// renaming it, moving it to another folder, or having the system delete it
// at the next start; or ending every program that holds it. Shared by the
// window and the console program, which only ask and report; every call on
// files and processes goes through the system seam.
//
// The order is fixed and each step keeps its promise:
// - PlanRelease: which handles will be closed, in how many programs, and
//   which programs hold the file as a loaded module (no closing undoes that).
// - CheckFileAction: the new name or the destination is checked before
//   anything is closed; a refused action closes nothing and touches nothing.
// - The closings (StartReleaseClosings, CloseReleaseHandles): every handle
//   of the plan, each with CloseHolderHandle's identity checks and limit.
//   Delete-at-the-next-start closes nothing.
// - ApplyFileAction: the one file operation, only after the last closing.
//   Nothing is ever overwritten (no move or rename replaces an existing
//   name); a failure says why in one of a few outcomes.

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "os/Win32.h"
#include "scan/HandleRecord.h"
#include "act/HolderControl.h"
#include "text/WideText.h"

// The search's rules of comparing paths; they live above the engine and
// are handed in.
struct PathRules {
  PathMatch same = nullptr;      // (a, b): one and the same path
  PathMatch inFolder = nullptr;  // (path, folder): the path is the folder or lies below it
};

// One program that holds the file, as the search saw it.
struct HoldingProgram {
  DWORD processId = 0;
  uint64_t creationTime = 0;  // tells it from a later process given the same ID
  SharedText name;            // its image name
  int handles = 0;            // its handles on the file (a folder: on it or below it)
  bool module = false;        // it has the file loaded as a module
  bool unreadable = false;    // the system says it has the file open, but its handles cannot be read
  bool remote = false;        // a user on another computer (processId 0, name the user's)
  int notClosed = 0;          // after the closings: its handles that could not be closed
};

struct ReleasePlan {
  WideText path;                         // the file or folder acted on
  bool exists = false;                   // when planned
  bool folder = false;                   // when planned
  std::vector<HeldHandle> handles;       // every handle to close, in the rows' order
  std::vector<HoldingProgram> programs;  // every holder, once, in the order of its first row

  int HandleCount() const { return static_cast<int>(handles.size()); }
  // The programs whose handles are closed: "N handles in M processes".
  int ClosingProgramCount() const;
  // The names of the programs that hold it as a module, each once.
  std::vector<SharedText> ModuleHolders() const;
  // The names of the programs the system says have it open although their
  // handles could not be read (nothing of theirs can be closed), each once.
  std::vector<SharedText> UnreadableHolders() const;
};

// Which of the search's rows hold the file acted on.
using RowCovers = std::function<bool(const HandleRecord& row)>;

// The plan for `path` from the last search's rows (all of them, not only
// the ones shown): every row `covers` accepts. A handle listed twice is
// closed once.
ReleasePlan PlanRelease(const std::vector<HandleRecord>& rows, WideView path, const RowCovers& covers);

// What the closings came to.
struct ClosingReport {
  CloseTally tally;
  std::vector<HoldingProgram> programs;  // the plan's, with notClosed filled in
};

// Closes every handle of the plan, one program after another (each
// program's handles as one StartClosingHandles batch, so that the report
// can say whose handles stayed), off the caller's thread. `progress(done,
// total)` counts over the whole plan, from the closing threads (at once
// from more than one); `finished` comes once, after the
// last closing, on a closing thread (with no handle to close, at once on
// the caller's). False, with nothing reported and nothing closed, when no
// thread could be had; a thread missing later counts the handles not yet
// tried as not closed.
bool StartReleaseClosings(const ReleasePlan& plan, PathMatch namesRowFile, std::function<void(int, int)> progress,
                          std::function<void(const ClosingReport&)> finished, DWORD limitMs = 2000);

// The same, waited for on the calling thread.
ClosingReport CloseReleaseHandles(const ReleasePlan& plan, PathMatch namesRowFile, DWORD limitMs = 2000);

enum class FileAction {
  kRecycle,            // to the Recycle Bin, undoable, as Explorer deletes
  kRename,             // a new name in the same folder
  kMove,               // into another folder, keeping its name
  kDeleteAtNextStart,  // the system deletes it when it next starts (a folder only when empty by then)
};

struct FileActionRequest {
  FileAction action = FileAction::kRecycle;
  WideText newName;            // kRename: the name alone, no folder
  WideText destinationFolder;  // kMove: a full path
};

enum class ReleaseOutcome {
  kDone,
  // Refused before anything is closed (CheckFileAction), nothing touched:
  kNameEmpty,
  kNameForbiddenCharacter,  // \ / : * ? " < > | or a control character
  kNameReserved,            // CON, PRN, AUX, NUL, COM1-9, LPT1-9, with or without an extension
  kNameTrailingDotOrSpace,
  kNameTooLong,
  kNameExists,              // the new name, or the name in the destination, is taken (also when
                            // the system refuses to overwrite at the operation itself)
  kDestinationMissing,      // move: the destination is no folder
  kDestinationInside,       // move: a folder into itself or below itself
  kFolderAcrossVolumes,     // move: a folder to another volume is not done (no safe way)
  kGone,                    // the file or folder is not there (any more)
  // The operation failed after the closings:
  kStillHeld,               // the system says it is in use
  kAccessDenied,
  kCopiedOriginalKept,      // move across volumes: copied, but the original could not be removed
                            // and stays where it was (the copy is not deleted: nothing is deleted
                            // unasked)
  kFailed,                  // another reason: `systemError`
};

// The refusal of `request` on the plan's file, checked against the file
// system now, or nothing when it may go ahead.
std::optional<ReleaseOutcome> CheckFileAction(const ReleasePlan& plan, const FileActionRequest& request,
                                              const PathRules& rules);

// Where a rename or a move puts the file (empty for the other actions).
WideText FileActionTarget(const ReleasePlan& plan, const FileActionRequest& request);

struct ReleaseResult {
  ReleaseOutcome outcome = ReleaseOutcome::kFailed;
  DWORD systemError = 0;   // the system's error code (or the shell's), when it gave one
  WideText newPath;        // kDone with a rename or a move: where it is now
  CloseTally closings;     // what the closings came to
  // Not done: the programs known to hold it still, each once: those whose
  // handles could not be closed and those that hold it as a module.
  std::vector<SharedText> stillHeldBy;
  // Not done, and the file is still there: deleting it at the next start
  // may do (after a failed recycle, or when a program holds it as a module).
  bool offerNextStart = false;
};

// The one file operation, after the closings (`closings`: their report; an
// empty one when none ran). Checks again what CheckFileAction checks: the
// file system may have changed since. Runs on the calling thread, which
// should be an ordinary one (the window's own, once the closings have
// reported): the shell's Recycle Bin operation is not for a closing
// thread's small stack.
ReleaseResult ApplyFileAction(const ReleasePlan& plan, const FileActionRequest& request,
                              const ClosingReport& closings, const PathRules& rules);

// All of it on the calling thread: the check (a refusal closes nothing),
// the closings (none for kDeleteAtNextStart), the operation.
ReleaseResult ReleaseFile(const ReleasePlan& plan, const FileActionRequest& request, const PathRules& rules,
                          DWORD limitMs = 2000);

// Ending every program that holds the file, each with EndHolderProcess's
// checks (a critical one is left alone).
struct EndedProgram {
  DWORD processId = 0;
  SharedText name;
  EndResult result = EndResult::kFailed;
};
std::vector<EndedProgram> EndHoldingPrograms(const ReleasePlan& plan);
