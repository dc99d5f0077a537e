#include "act/HolderControl.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <utility>

#include "os/DeadlineCall.h"
#include "os/ProcessTimes.h"
#include "os/SystemCalls.h"
#include "os/UniqueHandle.h"
#include "scan/FileServerOpens.h"
#include "scan/HandleNaming.h"
#include "scan/PathQuery.h"
#include "scan/native/NativeApi.h"

namespace {
constexpr UINT kEndedExitCode = 0;
// Ending it, asking whether it still runs, when it started and whether it
// is critical (the last needs the full query right).
constexpr DWORD kEndAccess = PROCESS_TERMINATE | PROCESS_QUERY_INFORMATION | PROCESS_QUERY_LIMITED_INFORMATION;
// Bringing its handles over (and closing them there), and asking when it started.
constexpr DWORD kCloseAccess = PROCESS_DUP_HANDLE | PROCESS_QUERY_LIMITED_INFORMATION;

// Whether the system marks the process critical. A system that does not
// know the question has no such mark; any other failure to answer counts as
// critical, so that nothing is ended unasked.
bool isCritical(HANDLE process) {
  if (NativeApi.allPresent == 0) return true;
  ULONG breakOnTermination = 0;
  const NTSTATUS status = NativeApi.NtQueryInformationProcess(process, kProcessBreakOnTermination,
                                                              &breakOnTermination, sizeof breakOnTermination, nullptr);
  if (status == kStatusInvalidInfoClass || status == kStatusNotImplemented) return false;
  return status != kStatusSuccess || breakOnTermination != 0;
}

// Which file a handle refers to: its volume and its index there.
struct FileIdentity {
  DWORD volume = 0;
  DWORD indexHigh = 0;
  DWORD indexLow = 0;
  bool known = false;
  bool operator==(const FileIdentity& other) const {
    return known && other.known && volume == other.volume && indexHigh == other.indexHigh &&
           indexLow == other.indexLow;
  }
};

FileIdentity identityOf(HANDLE file) {
  BY_HANDLE_FILE_INFORMATION information{};
  FileIdentity identity;
  if (Sys().GetFileInformationByHandle(file, &information) == FALSE) return identity;
  identity.volume = information.dwVolumeSerialNumber;
  identity.indexHigh = information.nFileIndexHigh;
  identity.indexLow = information.nFileIndexLow;
  identity.known = true;
  return identity;
}

CloseResult closeInHolder(const HeldHandle& handle, PathMatch namesRowFile, DeadlineTicket& ticket) {
  if (handle.processCreationTime == 0 || handle.filePath.IsEmpty()) return CloseResult::kFailed;
  const UniqueHandle holder(Sys().OpenProcess(kCloseAccess, FALSE, handle.processId));
  if (!holder || ProcessCreationTime(holder.get()) != handle.processCreationTime) return CloseResult::kFailed;
  const HANDLE value = HandleFromValue(handle.handleValue);
  const HANDLE self = Sys().GetCurrentProcess();
  FileIdentity looked;
  {
    // A look at what the value names now, through a copy that leaves it open.
    UniqueHandle look;
    if (Sys().DuplicateHandle(holder.get(), value, self, look.put(), 0, FALSE, DUPLICATE_SAME_ACCESS) == FALSE) {
      return CloseResult::kFailed;
    }
    const SharedText named = QueryFinalPath(look.get());
    if (named.IsEmpty() || !namesRowFile(named, handle.filePath)) return CloseResult::kFailed;
    looked = identityOf(look.get());
  }
  // Between the look and the closing the holder may close the value and open
  // something else under it; the object the closing brings over tells.
  // Closed in the holder only while the waiter still waits; the copy that
  // comes over is ours to close.
  UniqueHandle last;
  BOOL closed = FALSE;
  ticket.RunIfAwaited([&] {
    closed = Sys().DuplicateHandle(holder.get(), value, self, last.put(), 0, FALSE,
                                   DUPLICATE_CLOSE_SOURCE | DUPLICATE_SAME_ACCESS);
  });
  if (closed == FALSE) return CloseResult::kFailed;
  // A handle without the right to read attributes tells no identity: it is
  // trusted on the look alone.
  if (!looked.known) return CloseResult::kClosed;
  return identityOf(last.get()) == looked ? CloseResult::kClosed : CloseResult::kChanged;
}
}  // namespace

EndResult EndHolderProcess(DWORD processId, uint64_t creationTime) {
  if (creationTime == 0) return EndResult::kFailed;
  const UniqueHandle process(Sys().OpenProcess(kEndAccess, FALSE, processId));
  if (!process) return EndResult::kFailed;
  // A process that has ended stays openable while anyone holds a handle to
  // it, and some systems then let TerminateProcess "succeed" on it: ending
  // it again must still count as a failure.
  DWORD exitCode = 0;
  if (Sys().GetExitCodeProcess(process.get(), &exitCode) == FALSE || exitCode != STILL_ACTIVE) {
    return EndResult::kFailed;
  }
  if (ProcessCreationTime(process.get()) != creationTime) return EndResult::kFailed;
  if (isCritical(process.get())) return EndResult::kCritical;
  return Sys().TerminateProcess(process.get(), kEndedExitCode) != FALSE ? EndResult::kEnded : EndResult::kFailed;
}

HeldHandle HeldHandleOf(const HandleRecord& row) {
  HeldHandle handle;
  handle.processId = row.ownerPid;
  handle.processCreationTime = row.ownerCreationTime;
  handle.handleValue = row.handleValue;
  handle.filePath = row.filePath;
  handle.kind = KindOf(row);
  return handle;
}

CloseResult CloseHolderRow(const HandleRecord& row, PathMatch namesRowFile, DWORD limitMs) {
  return CloseHolderHandle(HeldHandleOf(row), namesRowFile, limitMs);
}

CloseResult CloseHolderHandle(const HeldHandle& handle, PathMatch namesRowFile, DWORD limitMs) {
  if (handle.kind == HolderKind::kRemote) {
    // Another computer's server may not answer: given up after the limit,
    // reported as not closed (the next search shows whether it was).
    const SharedText path = handle.filePath;
    const DWORD id = handle.handleValue;
    const std::optional<bool> closed =
        CallWithDeadline<bool>(limitMs, [path, id](DeadlineTicket&) { return CloseServerOpen(path.View(), id); });
    return closed.value_or(false) ? CloseResult::kClosed : CloseResult::kFailed;
  }
  if (handle.kind != HolderKind::kHandle) return CloseResult::kFailed;
  // The closing waits, under Wine, for the holder to run, and the look at
  // the value may hang: on a thread of its own, given up after the limit.
  // The thread keeps its place of the bound until it ends.
  ResolutionThreadPlace place = ResolutionThreadPlace::Reserve();
  if (!place) return CloseResult::kNotTried;
  bool closingClaimed = false;
  const std::optional<CloseResult> result = CallWithDeadline<CloseResult>(
      limitMs,
      [handle, namesRowFile, place = std::move(place)](DeadlineTicket& ticket) {
        return closeInHolder(handle, namesRowFile, ticket);
      },
      &closingClaimed);
  if (result) return *result;
  // Set going, but not answered in time: the system's closing may still be
  // waiting for the holder, or what was closed could not be confirmed (its
  // identity query waits behind the file's pending I/O). Neither a failure
  // that may not be one, nor a success.
  return closingClaimed ? CloseResult::kUnconfirmed : CloseResult::kFailed;
}

namespace {
// What the closing threads of one batch share; lives until the last ends.
struct ClosingBatch {
  std::vector<HeldHandle> handles;
  PathMatch namesRowFile = nullptr;
  DWORD limitMs = 0;
  std::function<void(int, int)> progress;
  std::function<void(const CloseTally&)> finished;
  std::atomic<std::size_t> cursor{0};
  std::atomic<int> done{0};
  std::atomic<int> failed{0};
  std::atomic<int> changed{0};
  std::atomic<int> unconfirmed{0};
  std::atomic<int> notTried{0};
  std::atomic<bool> bounded{false};  // a closing found no place: the rest are not tried
  std::atomic<int> running{0};

  CloseTally tally() const {
    return CloseTally{static_cast<int>(handles.size()), failed.load(), changed.load(), unconfirmed.load(),
                      notTried.load()};
  }

  void run() {
    const int total = static_cast<int>(handles.size());
    for (std::size_t index = cursor.fetch_add(1); index < handles.size(); index = cursor.fetch_add(1)) {
      const CloseResult result =
          bounded.load() ? CloseResult::kNotTried : CloseHolderHandle(handles[index], namesRowFile, limitMs);
      if (result != CloseResult::kClosed) failed.fetch_add(1);
      if (result == CloseResult::kChanged) changed.fetch_add(1);
      if (result == CloseResult::kUnconfirmed) unconfirmed.fetch_add(1);
      if (result == CloseResult::kNotTried) {
        notTried.fetch_add(1);
        bounded.store(true);
      }
      progress(done.fetch_add(1) + 1, total);
    }
    // The last thread out reports the whole.
    if (running.fetch_sub(1) == 1) finished(tally());
  }
};
}  // namespace

bool StartClosingHandles(std::vector<HeldHandle> handles, PathMatch namesRowFile,
                         std::function<void(int, int)> progress, std::function<void(const CloseTally&)> finished,
                         DWORD limitMs) {
  auto batch = std::make_shared<ClosingBatch>();
  batch->handles = std::move(handles);
  batch->namesRowFile = namesRowFile;
  batch->limitMs = limitMs;
  batch->progress = std::move(progress);
  batch->finished = std::move(finished);
  const int wanted = std::max(1, std::min<int>(kClosingThreads, static_cast<int>(batch->handles.size())));
  // Counted before any starts, so that no early thread takes itself for the last.
  batch->running.store(wanted);
  int started = 0;
  for (int i = 0; i < wanted; ++i) {
    bool ok = false;
    try {
      ok = StartSmallThread([batch] { batch->run(); });
    } catch (...) {
      // No memory for it: one thread fewer.
    }
    if (ok) ++started;
  }
  if (started == 0) return false;
  // Threads that did not start end at once, the last of all reporting.
  for (int i = started; i < wanted; ++i) {
    if (batch->running.fetch_sub(1) == 1) batch->finished(batch->tally());
  }
  return true;
}
