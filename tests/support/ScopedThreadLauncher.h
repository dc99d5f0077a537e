#pragma once
// Puts a search-thread launcher in force for one scope (to refuse threads,
// count them, or hold a search busy with a thread that never runs).

#include "search/ScanWorker.h"

class ScopedThreadLauncher {
 public:
  explicit ScopedThreadLauncher(ScanWorker::ThreadLauncher launcher) : saved_(ScanWorker::launchThread) {
    ScanWorker::launchThread = launcher;
  }
  ~ScopedThreadLauncher() { ScanWorker::launchThread = saved_; }
  ScopedThreadLauncher(const ScopedThreadLauncher&) = delete;
  ScopedThreadLauncher& operator=(const ScopedThreadLauncher&) = delete;

 private:
  ScanWorker::ThreadLauncher saved_;
};
