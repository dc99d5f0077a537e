#pragma once
// The background search: the latest scanner, the stop flag handed to its
// scan as the cancel byte, and the search thread. One search at a time.

#include <cstdint>
#include <functional>
#include <memory>
#include <thread>

#include "scan/HandleScanner.h"

class ScanWorker {
 public:
  // Starts a thread running `body`; raises std::system_error when no thread
  // can be created. Replaceable so that tests can refuse threads.
  using ThreadLauncher = std::shared_ptr<std::thread> (*)(std::function<void()> body);
  static ThreadLauncher launchThread;
  static std::shared_ptr<std::thread> launchStandardThread(std::function<void()> body);

  ScanWorker() = default;
  // Tells a running scan to stop and waits for the thread to end. The
  // waiting thread keeps serving the messages that the search thread sends
  // to its windows meanwhile, so a search caught in the middle of filling
  // the list cannot hold the destruction up for good.
  ~ScanWorker();
  ScanWorker(const ScanWorker&) = delete;
  ScanWorker& operator=(const ScanWorker&) = delete;

  // Joins the previous thread, then starts a new one that scans for "File"
  // handles of every process and calls `done` on the search thread. When no
  // thread can be created the standard error is raised and the worker holds
  // no thread.
  void start(std::function<void()> done);
  // Raises the stop flag, waits for the current thread, lowers the flag
  // again and returns the value it held.
  uint8_t join();

  std::shared_ptr<HandleScanner> scanner;
  CancelByte stopFlag{0};
  std::shared_ptr<std::thread> thread;

 private:
  // 1 once the current thread has run `done` and touches the worker no more.
  std::atomic<uint8_t> threadEnded_{1};
};
