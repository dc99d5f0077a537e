#pragma once
// A search session's ends as a test sees them: counted, the latest closing
// counts kept, and waited for (never by a fixed sleep).

#include <condition_variable>
#include <mutex>

#include "search/SearchSession.h"

class RecordedSessionEvents : public SearchSessionEvents {
 public:
  void searchEnded() override { note([&] { ++searchesEnded; }); }
  void closingProgressed(int done, int total) override {
    note([&] {
      ++progressReports;
      lastDone = done;
      lastTotal = total;
    });
  }
  void closingEnded() override {
    note([&] { ++closingsEnded; });
  }

  // Waits until `done` holds (read under the lock).
  template <typename Done>
  void waitUntil(Done done) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, done);
  }

  int searchesEnded = 0;
  int progressReports = 0;
  int closingsEnded = 0;
  int lastDone = 0;
  int lastTotal = 0;

 private:
  template <typename Change>
  void note(Change change) {
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      change();
    }
    changed_.notify_all();
  }

  std::mutex mutex_;
  std::condition_variable changed_;
};
