#pragma once
// The final paths of one worker's file handles, asked on a long-lived query
// thread of the worker's own: the system's path query never returns for
// some handles (pipes, hung network files), and a thread stuck in it must
// not stop the worker. The screening of the handle's file type (a pipe or a
// console names no file) is asked on the same thread under the same limit:
// it too reaches the foreign file object and waits behind a read pending on
// a synchronous handle. A query is handed over and its answer waited for
// with a slim lock and condition (no kernel round trip), at most
// ScanLimits::pathQueryMs. A query thread that does not answer in time is
// abandoned, never killed: it keeps its handle and its answer block, closes
// and frees them if its call ever returns, and ends; its answer is never
// written where anyone reads. A replacement is started only while the
// process's resolution threads stay below ScanLimits::maxLiveThreads;
// beyond that the worker's remaining files go unnamed, and say so.
//
// The query thread stays for the worker's life rather than one thread per
// query: starting a thread costs far more than a query (a server round trip
// each under Wine), and a scan asks thousands. So it does not use the
// one-shot DeadlineCall that every other deadline call uses.
//
// Every thread doing resolution work holds one place of that bound from its
// start until its end; so does every thread closing a holder's handle
// (HolderControl.h).

#include <cstdint>
#include <memory>
#include <tuple>
#include <utility>

#include "os/UniqueHandle.h"
#include "text/WideText.h"

// Gives a place back (ResolutionThreadPlace does it).
void ReleaseResolutionThread();
// The resolution threads alive in the process now.
int LiveResolutionThreads();

// One place of that bound. Reserved before a thread is started and moved
// into the thread's body, so that it is given back whichever way that ends:
// by the thread's end, or at once when the body could not be built (out of
// memory) or the thread could not be started.
class ResolutionThreadPlace {
 public:
  // Takes a place; an empty one (false) when all are taken.
  static ResolutionThreadPlace Reserve();
  ResolutionThreadPlace() = default;
  ResolutionThreadPlace(ResolutionThreadPlace&& other) noexcept : held_(std::exchange(other.held_, false)) {}
  ResolutionThreadPlace& operator=(ResolutionThreadPlace&&) = delete;
  ~ResolutionThreadPlace() {
    if (held_) ReleaseResolutionThread();
  }
  explicit operator bool() const { return held_; }

 private:
  bool held_ = false;
};

// Which handle a path query was about: its owner (by ID and start time, so
// that a later process given the same ID is another owner), its value, and
// what the handle table told of the object under the value then: its
// address and the access granted. The holder may close the value and be
// given it again for another object (the very file searched for, say); a
// hung query must not hide that one.
struct HungQueryKey {
  uint32_t ownerPid = 0;
  uint64_t ownerCreationTime = 0;
  uint32_t handleValue = 0;
  uint64_t objectAddress = 0;  // 0: the table gives none (Wine)
  uint32_t grantedAccess = 0;
  bool operator<(const HungQueryKey& other) const {
    return std::tie(ownerPid, ownerCreationTime, handleValue, objectAddress, grantedAccess) <
           std::tie(other.ownerPid, other.ownerCreationTime, other.handleValue, other.objectAddress,
                    other.grantedAccess);
  }
};

// True while the query about this handle that an earlier scan gave up on
// is still stuck in the system (its abandoned thread still alive): asking
// again would only leave another thread stuck beside it.
//
// With the object's address the answer is exact: another object under the
// same value is another key. Without it, the same value and access may
// name another object now, and nothing that cannot block tells them apart;
// so such a handle is asked once more while a single query on it is stuck,
// and left alone only when two are. An object whose query really hangs
// then costs two stuck threads instead of one (both within the bound); a
// value given to another file is always asked, and named when that file's
// query answers.
bool IsQueryStillHung(const HungQueryKey& key);

class PathQuery {
 public:
  PathQuery() = default;
  // Lets the query thread end (an abandoned one ends by itself).
  ~PathQuery();
  PathQuery(const PathQuery&) = delete;
  PathQuery& operator=(const PathQuery&) = delete;

  // The final path of `file`, a handle of the own process that the query
  // takes over and closes; `key` says which handle it is. Empty when the
  // system cannot name it, when it does not answer in time (the handle is
  // then remembered as hung until its call returns), or when no query
  // thread could be had (refusedAny() turns true).
  SharedText Ask(UniqueHandle file, const HungQueryKey& key);

  // Some query was refused for want of a thread: its handle went unnamed
  // only because of the bound.
  bool refusedAny() const { return refused_; }

 private:
  struct Slot;
  bool startThread();
  // The query thread's body: answers handed-over handles until told to end.
  static void runQueries(const std::shared_ptr<Slot>& slot);

  std::shared_ptr<Slot> slot_;
  bool exhausted_ = false;  // no more query threads for this worker
  bool refused_ = false;
};
