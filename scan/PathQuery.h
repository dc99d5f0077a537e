#pragma once
// The final paths of one worker's file handles, asked on a long-lived query
// thread of the worker's own: the system's path query never returns for
// some handles (pipes, hung network files), and a thread stuck in it must
// not stop the worker. A query is handed over and its answer waited for
// with a slim lock and condition (no kernel round trip), at most
// ScanLimits::pathQueryMs. A query thread that does not answer in time is
// abandoned, never killed: it keeps its handle and its answer block, closes
// and frees them if its call ever returns, and ends; its answer is never
// written where anyone reads. A replacement is started only while the
// process's resolution threads stay below ScanLimits::maxLiveThreads;
// beyond that the worker's remaining files go unnamed.
//
// Every thread doing resolution work holds one place of that bound from its
// start until its end.

#include <memory>

#include "os/UniqueHandle.h"
#include "text/WideText.h"

// Takes a place for a new resolution thread; false when all are taken.
bool ReserveResolutionThread();
// Gives a place back: the last thing a resolution thread does.
void ReleaseResolutionThread();
// The resolution threads alive in the process now.
int LiveResolutionThreads();

// Gives a reserved place back when it goes out of scope.
class ResolutionThreadPlace {
 public:
  ResolutionThreadPlace() = default;
  ~ResolutionThreadPlace() { ReleaseResolutionThread(); }
  ResolutionThreadPlace(const ResolutionThreadPlace&) = delete;
  ResolutionThreadPlace& operator=(const ResolutionThreadPlace&) = delete;
};

class PathQuery {
 public:
  PathQuery() = default;
  // Lets the query thread end (an abandoned one ends by itself).
  ~PathQuery();
  PathQuery(const PathQuery&) = delete;
  PathQuery& operator=(const PathQuery&) = delete;

  // The final path of `file`, a handle of the own process that the query
  // takes over and closes. Empty when the system cannot name it, when it
  // does not answer in time, or when no query thread could be had.
  SharedText Ask(UniqueHandle file);

 private:
  struct Slot;
  bool startThread();
  // The query thread's body: answers handed-over handles until told to end.
  static void runQueries(const std::shared_ptr<Slot>& slot);

  std::shared_ptr<Slot> slot_;
  bool exhausted_ = false;  // no more query threads for this worker
};
