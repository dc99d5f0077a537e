#pragma once
// What is done to a holder on the user's word, through the system seam:
// ending it, and closing one of its handles. Either acts only on the holder
// the scan saw: the process with its ID must have started at the very
// moment the scan recorded, so an ID given to another program since is
// never touched.
// - A process the system marks critical (break on termination: ending it
//   brings the whole system down) is never ended.
// - A remote open (a user on another computer) is closed by its file
//   server, only while the server still has that ID open on the row's
//   file; the user's unsaved changes are lost.
// - A handle is closed only while its value still names the row's file; the
//   closing runs on a thread given up after the limit (never killed), and a
//   given-up closing closes nothing. The object the closing brings over is
//   checked to be the very file that was looked at: a value the holder
//   reused for another object in between counts as changed, not closed.
//   A closing given up after it was set going (the holder does not run, so
//   the system's closing waits for it) may still happen: it counts as
//   unconfirmed, never as closed.
// - Each closing's thread holds a place of the scan's bound on threads
//   (ScanLimits::maxLiveThreads) until it ends, abandoned or not: closings
//   that hang can never pile up threads past it. A closing that finds no
//   place is not tried.

#include <cstdint>
#include <functional>
#include <vector>

#include "os/Win32.h"
#include "scan/HandleRecord.h"
#include "text/WideText.h"

enum class EndResult {
  kEnded,
  kFailed,    // not the holder any more, gone, or refused by the system
  kCritical,  // a critical system process: left alone
};

// Ends process `processId` with exit code 0 when it still runs, started at
// `creationTime` (a FILETIME as 64 bits; 0, unknown, never matches) and is
// not critical.
EndResult EndHolderProcess(DWORD processId, uint64_t creationTime);

// The holder's handle a row shows, or a file server's open (kind kRemote:
// handleValue is the server's ID of the open, the server is the path's).
struct HeldHandle {
  DWORD processId = 0;
  uint64_t processCreationTime = 0;  // 0: unknown, nothing is closed
  uint32_t handleValue = 0;
  SharedText filePath;  // the row's file
  HolderKind kind = HolderKind::kHandle;  // a module or unreadable row has nothing to close
};

// What closing a row needs of it.
HeldHandle HeldHandleOf(const HandleRecord& row);

enum class CloseResult {
  kClosed,
  kFailed,       // not the holder, the value names another file, no answer in time
  kChanged,      // the holder put another object under the value as it was closed
  kUnconfirmed,  // the closing was set going but gave no answer in time: it may or may not happen
  kNotTried,     // no thread could be had within the bound: nothing was done
};

// Whether a final path the system gives names the row's file (the search's
// rule of comparing paths).
using PathMatch = bool (*)(WideView named, WideView rowFile);

// Closes `handle` in its holder as above (a remote open at its server),
// waiting `limitMs` at most. A module or unreadable row fails: there is no
// handle to close.
CloseResult CloseHolderHandle(const HeldHandle& handle, PathMatch namesRowFile, DWORD limitMs = 2000);

// Closes what a row shows: the one call the window and the console make
// for a handle row and a remote row alike (CloseHolderHandle of its
// HeldHandleOf).
CloseResult CloseHolderRow(const HandleRecord& row, PathMatch namesRowFile, DWORD limitMs = 2000);

// What a batch of closings came to.
struct CloseTally {
  int tried = 0;
  int failed = 0;   // changed, unconfirmed and not tried ones included
  int changed = 0;
  int unconfirmed = 0;
  int notTried = 0;  // left alone for want of a thread within the bound
};

// At most this many closings of a batch run at once.
constexpr int kClosingThreads = 4;

// Closes every handle of the batch as CloseHolderHandle does, off the
// caller's thread: on at most kClosingThreads threads, each waiting on one
// closing at a time. Once a closing finds no place within the bound, the
// rows not yet taken are not tried either (counted in `notTried`).
// `progress(done, total)` follows every row, and `finished(tally)` comes
// once, after the last, both on a closing thread.
// False, with nothing reported, when no thread could be had.
bool StartClosingHandles(std::vector<HeldHandle> handles, PathMatch namesRowFile,
                         std::function<void(int done, int total)> progress,
                         std::function<void(const CloseTally& tally)> finished, DWORD limitMs = 2000);
