#pragma once
// The background search: the latest scanner, the stop flag handed to its
// scan as the cancel byte, and the search thread. One search at a time. The
// search thread touches nothing but its own object's scanner; nothing it runs
// may throw out of it (a search that throws keeps no scanner, which reads
// as a failed search).

#include <cstdint>
#include <functional>
#include <memory>
#include <thread>

#include "scan/HandleScanner.h"

class SearchThread {
 public:
  // Starts a thread running `body`; raises std::system_error when no thread
  // can be created. Replaceable so that tests can refuse threads.
  using ThreadLauncher = std::shared_ptr<std::thread> (*)(std::function<void()> body);
  static ThreadLauncher launchThread;
  static std::shared_ptr<std::thread> launchStandardThread(std::function<void()> body);

  SearchThread() = default;
  // Tells a running scan to stop and waits for the thread to end.
  ~SearchThread();
  SearchThread(const SearchThread&) = delete;
  SearchThread& operator=(const SearchThread&) = delete;

  // Joins the previous thread, then starts a new one that scans for "File"
  // handles of every process and, as its last act, calls `done` on the
  // search thread; `prepare`, when given, sees the new scanner on the search
  // thread before its scan runs. When no thread can be created the standard
  // error is raised and no thread is held.
  void start(std::function<void()> done, std::function<void(HandleScanner&)> prepare = nullptr);
  // Raises the stop flag, waits for the current thread, lowers the flag
  // again and returns the value it held.
  uint8_t join();

  std::shared_ptr<HandleScanner> scanner;
  CancelByte stopFlag{0};
  std::shared_ptr<std::thread> thread;
};
