#include "search/SearchSession.h"

#include "search/PathComparison.h"

SearchSession::SearchSession(WideText targetPath, bool targetUnusable, std::shared_ptr<SearchSessionEvents> events,
                             TargetIdentifier identify)
    : events_(std::move(events)), identify_(identify), targetPath_(std::move(targetPath)), targetUnusable_(targetUnusable) {}

SearchSession::~SearchSession() {
  try {
    searchThread_.join();
  } catch (...) {
  }
}

SearchSession::Start SearchSession::startSearch() {
  // A search waits for a batch of closings too: it would show rows about to change.
  if (busy()) return Start::kSearchRunning;
  if (closing()) return Start::kClosingRunning;
  // Not busy: the previous thread has done all its work, the wait is short.
  searchThread_.join();
  results_.clear();
  busy_.exchange(1);
  if (!targetUnusable_) {
    try {
      found_.clear();
      foundWhole_ = false;
      searchEnded_.store(false);
      searchThread_.start(
          [this] {
            // The holders are collected here, off the window's thread: the
            // holders after the scan may wait on a file server.
            try {
              if (searchThread_.scanner != nullptr) {
                CollectHolders(searchThread_.scanner->records(), target_, found_);
                foundWhole_ = true;
              }
            } catch (...) {
              // Out of memory, say: nothing half-matched is shown.
            }
            searchEnded_.store(true);
            events_->searchEnded();
          },
          [this](HandleScanner& scanner) {
            // The target as the system names it now (it may have
            // been created, moved or shared since the last search).
            target_ = AimSearch(scanner, targetPath_, identify_);
          });
      return Start::kStarted;
    } catch (...) {
      // No thread (std::system_error) or no memory for its body
      // (std::bad_alloc): no search, as for a target that names no file.
    }
  }
  // The previous scanner no longer stands for the emptied results.
  searchThread_.scanner.reset();
  busy_.exchange(0);
  return Start::kFailed;
}

void SearchSession::finishSearch() {
  try {
    // The thread has said its last word: the join only sees it off.
    searchThread_.join();
    if (foundWhole_) {
      results_.swap(found_);
    } else {
      searchThread_.scanner.reset();
    }
    found_.clear();
  } catch (...) {
    // Out of memory, say: nothing half-matched is shown.
    results_.clear();
    searchThread_.scanner.reset();
  }
  busy_.exchange(0);
}

bool SearchSession::startClosing(std::vector<HeldHandle> handles) {
  closing_.exchange(1);
  // Every handle of the batch is tried: the end carries only the failed and
  // the changed ones.
  closingTried_ = static_cast<int>(handles.size());
  bool started = false;
  try {
    closingEnd_ = std::make_shared<ClosingEnd>();
    started = StartClosingHandles(
        std::move(handles), PathsEqualIgnoringCase,
        [events = events_](int done, int total) { events->closingProgressed(done, total); },
        [events = events_, end = closingEnd_](const CloseTally& tally) {
          // Recorded first: the word below only hurries its taking.
          end->failed.store(tally.failed);
          end->changed.store(tally.changed);
          end->unconfirmed.store(tally.unconfirmed);
          end->notTried.store(tally.notTried);
          end->ended.store(true);
          events->closingEnded();
        });
  } catch (...) {
    // No memory for the batch: nothing started.
  }
  if (!started) closing_.exchange(0);
  return started;
}

std::optional<CloseTally> SearchSession::takeClosingEnd() {
  if (!closing() || closingEnd_ == nullptr || closingEnd_->release || !closingEnd_->ended.load()) return std::nullopt;
  const CloseTally tally{closingTried_, closingEnd_->failed.load(), closingEnd_->changed.load(),
                         closingEnd_->unconfirmed.load(), closingEnd_->notTried.load()};
  closingEnd_.reset();
  closing_.exchange(0);
  return tally;
}

bool SearchSession::startReleaseClosing(const ReleasePlan& plan) {
  closing_.exchange(1);
  closingTried_ = plan.HandleCount();
  bool started = false;
  try {
    closingEnd_ = std::make_shared<ClosingEnd>();
    closingEnd_->release = true;
    started = StartReleaseClosings(
        plan, PathsEqualIgnoringCase,
        [events = events_](int done, int total) { events->closingProgressed(done, total); },
        [events = events_, end = closingEnd_](const ClosingReport& report) {
          // Recorded first: the word below only hurries its taking.
          try {
            end->report = report;
          } catch (...) {
            // No memory for the copy: the tally alone, every program as planned.
            end->report.tally = report.tally;
          }
          end->ended.store(true);
          events->closingEnded();
        });
  } catch (...) {
    // No memory for the batch: nothing started.
  }
  if (!started) {
    closingEnd_.reset();
    closing_.exchange(0);
  }
  return started;
}

std::optional<ClosingReport> SearchSession::takeReleaseEnd() {
  if (!closing() || closingEnd_ == nullptr || !closingEnd_->release || !closingEnd_->ended.load()) {
    return std::nullopt;
  }
  std::optional<ClosingReport> report(std::move(closingEnd_->report));
  closingEnd_.reset();
  closing_.exchange(0);
  return report;
}

const HandleRecord* SearchSession::result(std::ptrdiff_t index) const {
  if (index < 0 || static_cast<std::size_t>(index) >= results_.size()) return nullptr;
  return &results_[static_cast<std::size_t>(index)];
}

SearchOutcome SearchSession::outcome() const {
  const std::shared_ptr<HandleScanner>& scanner = searchThread_.scanner;
  return SearchOutcome{scanner != nullptr && !scanner->records().empty(), targetPath_, !results_.empty(),
                       target_.folder, scanner == nullptr || scanner->complete()};
}

void SearchSession::adoptResults(std::shared_ptr<HandleScanner> scanner, std::vector<HandleRecord> results) {
  searchThread_.scanner = std::move(scanner);
  results_ = std::move(results);
}
