#pragma once
// One run's search, without a window: the target (as given, as the system
// names it, folder or not, or unusable), the results of the latest search,
// the rows' sort and filter, and whether a search (`busy`) or a batch of
// closings (`closing`) is under way. One search at a time runs on the
// search thread by the one recipe (SearchRecipe.h); a batch of closings
// runs off the session's thread (act/HolderControl.h). Their ends come
// back through SearchSessionEvents, called on those threads: whoever owns
// the session carries them to its own thread and calls finishSearch or
// takeClosingEnd there. Everything else runs on the session's thread.
//
// A batch's end cannot be lost: the closing thread records it in the
// session before it tells it, so takeClosingEnd finds it whether or not
// the word carrying it arrived (a full message queue drops posts); until it
// is taken, `closing` stays set and no search starts.
//
// `busy` is set from the start of a search until finishSearch. A search
// that cannot start, whatever it throws, or whose end throws, ends with no
// results and no scanner (read as "查找失败"), `busy` cleared. No search
// starts while handles are being closed, and none outlives the session.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "act/FileRelease.h"
#include "scan/HandleRecord.h"
#include "act/HolderControl.h"
#include "search/ResultListTexts.h"
#include "search/RowOrder.h"
#include "search/SearchThread.h"
#include "search/SearchRecipe.h"
#include "text/WideText.h"

// The ends of the session's work, told on the thread that did it. Shared:
// a closing given up on may still report after the session is gone.
class SearchSessionEvents {
 public:
  virtual ~SearchSessionEvents() = default;
  // The search thread's last act.
  virtual void searchEnded() = 0;
  // After each closing of a batch: `done` of `total`.
  virtual void closingProgressed(int done, int total) = 0;
  // The batch's end, recorded in the session before it is told: its tally
  // is taken there (takeClosingEnd).
  virtual void closingEnded() = 0;
};

class SearchSession {
 public:
  // `targetPath` is a full path, or empty for "every file"; `targetUnusable`
  // says the command line named something that is no path (no search runs).
  SearchSession(WideText targetPath, bool targetUnusable, std::shared_ptr<SearchSessionEvents> events,
                TargetIdentifier identify);
  // Stops and joins a running search before anything it uses goes.
  ~SearchSession();
  SearchSession(const SearchSession&) = delete;
  SearchSession& operator=(const SearchSession&) = delete;

  enum class Start {
    kStarted,
    // A search runs: nothing changed.
    kSearchRunning,
    // A batch of closings runs: nothing changed.
    kClosingRunning,
    // No usable target, or no thread: no results, no scanner, not busy.
    kFailed,
  };
  // Empties the results and starts a search.
  Start startSearch();
  // After searchEnded, on the session's thread: the records that hold the
  // target become the results; `busy` is cleared.
  void finishSearch();

  // Starts closing `handles` off the session's thread; `closing` stays set
  // until its end is taken. False, and not closing, when it cannot start.
  bool startClosing(std::vector<HeldHandle> handles);
  // On the session's thread: once the running batch has ended, its whole
  // tally, and `closing` is cleared; none while it runs or when none runs.
  // Each batch's tally is given once. None for a freeing's batch either.
  std::optional<CloseTally> takeClosingEnd();

  // The same for the closings that free a file (StartReleaseClosings): a
  // batch like the one above (`closing`, its progress and end told the same
  // way), whose end is taken with takeReleaseEnd.
  bool startReleaseClosing(const ReleasePlan& plan);
  // On the session's thread: once the running freeing's batch has ended,
  // its report, and `closing` is cleared; none otherwise. Given once.
  std::optional<ClosingReport> takeReleaseEnd();

  bool busy() const { return busy_.load() != 0; }
  // The running search's thread has said its last word (set just before
  // searchEnded, so a window whose message was dropped can still look).
  bool searchHasEnded() const { return searchEnded_.load(); }
  bool closing() const { return closing_.load() != 0; }

  const WideText& targetPath() const { return targetPath_; }
  // The target as the system named it for the latest search.
  const TargetIdentity& target() const { return target_; }

  const std::vector<HandleRecord>& results() const { return results_; }
  // The result a row names by its index; none for an index out of range.
  const HandleRecord* result(std::ptrdiff_t index) const;
  // What the latest search found out, for the status.
  SearchOutcome outcome() const;
  // The latest search's scanner; none after a search that failed.
  const std::shared_ptr<HandleScanner>& scanner() const { return searchThread_.scanner; }

  // Results made elsewhere (made-up rows for a benchmark or a test), shown
  // as if a search with `scanner` had found them.
  void adoptResults(std::shared_ptr<HandleScanner> scanner, std::vector<HandleRecord> results);

  // The column the rows are sorted by, for every fill; and the filter of
  // the latest fill, which a re-sort keeps.
  const RowSort& sort() const { return sort_; }
  void setSort(const RowSort& sort) { sort_ = sort; }
  const WideText& filter() const { return filter_; }
  void setFilter(WideText filter) { filter_ = std::move(filter); }

 private:
  std::shared_ptr<SearchSessionEvents> events_;
  TargetIdentifier identify_;
  WideText targetPath_;
  bool targetUnusable_;
  // Written by the search thread before its end, read after it.
  TargetIdentity target_;
  // The search thread's holders, taken into results_ by finishSearch (the
  // window reads results_ while a search runs).
  std::vector<HandleRecord> found_;
  bool foundWhole_ = false;
  std::atomic<bool> searchEnded_{false};
  std::vector<HandleRecord> results_;
  RowSort sort_;
  WideText filter_;
  std::atomic<uint8_t> busy_{0};
  std::atomic<uint8_t> closing_{0};
  // How many handles the running batch tries.
  int closingTried_ = 0;
  // The running batch's end, written by its last closing thread. Shared: a
  // closing given up on may end after the session is gone.
  struct ClosingEnd {
    std::atomic<bool> ended{false};
    std::atomic<int> failed{0};
    std::atomic<int> changed{0};
    std::atomic<int> unconfirmed{0};
    std::atomic<int> notTried{0};
    // A freeing's batch: its report, written before `ended`.
    bool release = false;
    ClosingReport report;
  };
  std::shared_ptr<ClosingEnd> closingEnd_;
  // Last: its thread is joined before anything above goes.
  SearchThread searchThread_;
};
