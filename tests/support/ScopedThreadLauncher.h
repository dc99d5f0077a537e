#pragma once
// Puts a search-thread launcher in force for one scope (to refuse threads,
// count them, or hold a search busy with a thread that never runs).

#include "search/SearchThread.h"

class ScopedThreadLauncher {
 public:
  explicit ScopedThreadLauncher(SearchThread::ThreadLauncher launcher) : saved_(SearchThread::launchThread) {
    SearchThread::launchThread = launcher;
  }
  ~ScopedThreadLauncher() { SearchThread::launchThread = saved_; }
  ScopedThreadLauncher(const ScopedThreadLauncher&) = delete;
  ScopedThreadLauncher& operator=(const ScopedThreadLauncher&) = delete;

 private:
  SearchThread::ThreadLauncher saved_;
};
