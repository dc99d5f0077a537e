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
  ScanWorker() = default;
  // Joins a running search: the scan is told to stop and is waited for.
  ~ScanWorker();
  ScanWorker(const ScanWorker&) = delete;
  ScanWorker& operator=(const ScanWorker&) = delete;

  // Joins the previous thread, then starts a new one that scans for "File"
  // handles of every process and calls `done` on the search thread.
  void start(std::function<void()> done);
  // Raises the stop flag, waits for the current thread, lowers the flag
  // again and returns the value it held.
  uint8_t join();

  std::shared_ptr<HandleScanner> scanner;
  CancelByte stopFlag{0};
  std::shared_ptr<std::thread> thread;
};
