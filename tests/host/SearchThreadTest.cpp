#include <gtest/gtest.h>

#include <future>
#include <memory>
#include <system_error>
#include <vector>

#include "search/SearchThread.h"
#include "support/ScopedThreadLauncher.h"

namespace {

TEST(SearchThread, EachSearchScansEveryProcessForFilesAndCallsDoneOnItsThread) {
  SearchThread worker;
  std::thread::id doneOn;
  std::shared_ptr<HandleScanner> seen;
  worker.start([&] {
    doneOn = std::this_thread::get_id();
    seen = worker.scanner;
  });
  const std::thread::id searchThread = worker.thread->get_id();
  worker.join();
  EXPECT_EQ(nullptr, worker.thread);
  EXPECT_EQ(searchThread, doneOn);
  ASSERT_NE(nullptr, seen);
  EXPECT_EQ(seen, worker.scanner);  // kept between searches
  EXPECT_EQ(-1, seen->ownerFilter());
  EXPECT_STREQ("File", seen->typeFilter());
  EXPECT_EQ(0, worker.stopFlag.load());
}

// Set by the launcher below: whether the previous scanner was still held
// when the next thread was launched.
std::weak_ptr<HandleScanner>* g_previousScanner = nullptr;
bool g_previousHeldAtLaunch = false;

std::shared_ptr<std::thread> launchObservingPrevious(std::function<void()> body) {
  g_previousHeldAtLaunch = !g_previousScanner->expired();
  return SearchThread::launchStandardThread(std::move(body));
}

TEST(SearchThread, EachSearchUsesANewScannerAndReleasesTheOldOneWhenItsThreadStarts) {
  SearchThread worker;
  worker.start([] {});
  worker.join();
  std::weak_ptr<HandleScanner> first = worker.scanner;
  ASSERT_FALSE(first.expired());

  g_previousScanner = &first;
  bool firstGoneInSecondSearch = false;
  {
    ScopedThreadLauncher launcher(&launchObservingPrevious);
    worker.start([&] { firstGoneInSecondSearch = first.expired(); });
    worker.join();
  }
  g_previousScanner = nullptr;
  EXPECT_TRUE(g_previousHeldAtLaunch);
  EXPECT_TRUE(firstGoneInSecondSearch);
  EXPECT_TRUE(first.expired());
  EXPECT_NE(nullptr, worker.scanner);
}

TEST(SearchThread, StartJoinsThePreviousThreadFirst) {
  SearchThread worker;
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  std::vector<int> order;
  worker.start([&] {
    released.wait();
    order.push_back(1);
  });
  std::thread releaser([&] { release.set_value(); });
  worker.start([&] { order.push_back(2); });
  worker.join();
  releaser.join();
  EXPECT_EQ((std::vector<int>{1, 2}), order);
}

TEST(SearchThread, JoinFromTheSearchThreadItselfIsADeadlockError) {
  SearchThread worker;
  std::promise<void> started;
  std::shared_future<void> startReturned = started.get_future().share();
  std::error_code raised;
  worker.start([&] {
    startReturned.wait();  // the worker holds its thread object by now
    try {
      worker.join();
    } catch (const std::system_error& e) {
      raised = e.code();
    }
  });
  started.set_value();
  worker.thread->join();
  EXPECT_EQ(std::make_error_code(std::errc::resource_deadlock_would_occur), raised);
  worker.thread.reset();
}

std::shared_ptr<std::thread> refuseThread(std::function<void()>) {
  throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
}

TEST(SearchThread, AThreadThatCannotBeCreatedLeavesNoThreadAndTheNextStartWorks) {
  SearchThread worker;
  worker.start([] {});
  worker.join();
  const std::shared_ptr<HandleScanner> previous = worker.scanner;
  {
    ScopedThreadLauncher launcher(&refuseThread);
    bool ran = false;
    EXPECT_THROW(worker.start([&] { ran = true; }), std::system_error);
    EXPECT_FALSE(ran);
  }
  EXPECT_EQ(nullptr, worker.thread);
  EXPECT_EQ(previous, worker.scanner);
  EXPECT_EQ(0, worker.stopFlag.load());

  bool ran = false;
  worker.start([&] { ran = true; });
  worker.join();
  EXPECT_TRUE(ran);
}

TEST(SearchThread, DestructionStopsAndWaitsForARunningSearch) {
  std::promise<void> entered;
  bool finished = false;
  uint8_t stopSeen = 0;
  {
    SearchThread worker;
    worker.start([&] {
      entered.set_value();
      // Stands for a scan that runs until it is told to stop.
      while (worker.stopFlag.load() == 0) std::this_thread::yield();
      stopSeen = worker.stopFlag.load();
      finished = true;
    });
    entered.get_future().wait();
  }
  EXPECT_TRUE(finished);
  EXPECT_EQ(1, stopSeen);
}

}  // namespace
