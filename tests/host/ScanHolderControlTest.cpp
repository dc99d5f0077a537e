// What is done to a holder, through the system seam: ending it only while it
// is the holder and not critical; closing its handle only while the value
// names the row's file, never after the waiter gave up, and never counting a
// value the holder reused meanwhile as closed.
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "fakes/FakeSystem.h"
#include "act/HolderControl.h"
#include "scan/PathQuery.h"
#include "support/HangWatch.h"

namespace {

constexpr uint32_t kHolder = 700;

bool sameText(WideView named, WideView rowFile) { return named == rowFile; }

FakeSystem::Process holderProcess(bool critical = false) {
  FakeSystem::Process holder{u"holder.exe", "C:\\holder.exe"};
  holder.creationTime = 1234;
  holder.critical = critical;
  return holder;
}

// A reused ID never reaches TerminateProcess, nor does a critical process;
// every handle is closed the way it was opened.
TEST(EndHolderProcess, EndsOnlyTheHolderAndNeverACriticalProcess) {
  const struct {
    bool critical;
    uint64_t recordedStart;
    EndResult result;
  } cases[] = {
      {false, 999, EndResult::kFailed},  // another process now has the ID
      {false, 0, EndResult::kFailed},    // start unknown
      {true, 1234, EndResult::kCritical},
      {false, 1234, EndResult::kEnded},
  };
  for (const auto& c : cases) {
    FakeSystem system;
    system.addProcess(kHolder, holderProcess(c.critical));
    EXPECT_EQ(c.result, EndHolderProcess(kHolder, c.recordedStart)) << c.critical << " " << c.recordedStart;
    EXPECT_EQ(c.result == EndResult::kEnded ? 0u : STILL_ACTIVE, system.exitCodeOf(kHolder));
    // Ended already: ending it again is no success.
    if (c.result == EndResult::kEnded) {
      EXPECT_EQ(EndResult::kFailed, EndHolderProcess(kHolder, c.recordedStart));
    }
    EXPECT_EQ(0, system.openedHandles());
    EXPECT_EQ(0, system.badCloses());
  }
}

class CloseHolderHandleTest : public ::testing::Test {
 protected:
  FakeSystem system;
  HeldHandle held{kHolder, 1234, 0x44, SharedText(WideText(WTEXT("C:\\data\\held.txt")))};

  void SetUp() override {
    system.addProcess(kHolder, holderProcess());
    system.addHandle(kHolder, 0x44, {u"File", u"", "\\\\?\\C:\\data\\held.txt"});
    system.addHandle(kHolder, 0x48, {u"File", u"", "\\\\?\\C:\\data\\other.txt"});
  }
  void expectNothingLeftOpen() {
    system.releaseHangs();
    system.waitForThreads();
    EXPECT_EQ(0, system.openedHandles());
    EXPECT_EQ(0, system.badCloses());
  }
};

TEST_F(CloseHolderHandleTest, ClosesOnlyTheHoldersHandleThatStillNamesTheFile) {
  HeldHandle reused = held;
  reused.processCreationTime = 999;  // another process now has the ID
  EXPECT_EQ(CloseResult::kFailed, CloseHolderHandle(reused, sameText));
  HeldHandle renamed = held;
  renamed.handleValue = 0x48;  // the value now names another file
  EXPECT_EQ(CloseResult::kFailed, CloseHolderHandle(renamed, sameText));
  EXPECT_TRUE(system.holds(kHolder, 0x44));
  EXPECT_TRUE(system.holds(kHolder, 0x48));

  EXPECT_EQ(CloseResult::kClosed, CloseHolderHandle(held, sameText));
  EXPECT_FALSE(system.holds(kHolder, 0x44));
  EXPECT_TRUE(system.holds(kHolder, 0x48));
  expectNothingLeftOpen();
}

// The look at the value hangs past the limit: reported as failed, and when
// the look returns later the handle is still not closed.
TEST_F(CloseHolderHandleTest, AGivenUpCloseNeverClosesLater) {
  FakeSystem::Object slow{u"File", u"", "\\\\?\\C:\\data\\held.txt"};
  slow.pathQueryHangs = true;
  system.addHandle(kHolder, 0x44, slow);
  EXPECT_EQ(CloseResult::kFailed, CloseHolderHandle(held, sameText, 50));
  system.releaseHangs();
  system.waitForThreads();
  EXPECT_TRUE(system.holds(kHolder, 0x44));
  expectNothingLeftOpen();
}

// The holder closes the value and opens another object under it between the
// look and the closing: reported as changed, not as closed.
TEST_F(CloseHolderHandleTest, AValueReusedAtTheClosingMomentIsReportedNotCounted) {
  system.setPathQueryHook([this] {
    system.addHandle(kHolder, 0x44, {u"File", u"", "\\\\?\\C:\\data\\elsewhere.txt"}, 26, 0, 0x120089, false);
  });
  EXPECT_EQ(CloseResult::kChanged, CloseHolderHandle(held, sameText));
  system.setPathQueryHook(nullptr);
  expectNothingLeftOpen();
}

// The holder does not run (stopped in a debugger): the system's closing
// waits for it. The waiter still gives up at its limit and reports the
// closing as unconfirmed: it was set going and may still happen.
TEST_F(CloseHolderHandleTest, AClosingThatWaitsForTheHolderKeepsTheLimitAndIsUnconfirmed) {
  FakeSystem::Process stopped = holderProcess();
  stopped.closingHangs = true;
  system.addProcess(kHolder, stopped);
  CloseResult result = CloseResult::kClosed;
  EXPECT_TRUE(EndsWhileHangsHold(system, [&] { result = CloseHolderHandle(held, sameText, 50); }));
  EXPECT_EQ(CloseResult::kUnconfirmed, result);
  system.waitForThreads();
  EXPECT_FALSE(system.holds(kHolder, 0x44)) << "the closing went ahead once the holder ran";
  expectNothingLeftOpen();
}

// A batch of closings runs off the caller's thread and reports every row
// and then the whole once. Each closing's thread holds a place of the
// scan's bound on threads until it ends: when every closing waits for a
// holder that does not run, as many as the bound allows are set going (and
// reported unconfirmed), and the rows after them are not tried at all. (A
// closing that a loaded machine keeps from being set going within its
// limit fails, closes nothing and gives its place back.)
TEST(CloseHandleBatch, ABatchClosesOffTheCallersThreadOnBoundedThreads) {
  constexpr int kRows = 40;
  constexpr int kBound = 8;
  const struct {
    const char* what;
    bool holderRuns;
    DWORD limitMs;
    int closed, unconfirmed, notTried;
  } cases[] = {
      {"the holder runs", true, 60000, kRows, 0, 0},
      {"the holder is stopped", false, 500, 0, kBound, kRows - kBound},
  };
  for (const auto& c : cases) {
    FakeSystem local;
    // Places held by threads of earlier tests still on their way out are
    // not ours to count.
    const int earlier = LiveResolutionThreads();
    ScanLimitsInForce().maxLiveThreads = earlier + kBound;
    FakeSystem::Process holder = holderProcess();
    holder.closingHangs = !c.holderRuns;
    local.addProcess(kHolder, holder);
    std::vector<HeldHandle> handles;
    for (int i = 0; i < kRows; ++i) {
      const uint32_t value = 0x1000 + 4 * static_cast<uint32_t>(i);
      local.addHandle(kHolder, value, {u"File", u"", "\\\\?\\C:\\data\\held.txt"});
      handles.push_back(HeldHandle{kHolder, 1234, value, SharedText(WideText(WTEXT("C:\\data\\held.txt")))});
    }
    std::mutex lock;
    std::condition_variable changed;
    std::vector<int> reported;
    int finishedCount = 0;
    CloseTally tally;
    std::thread::id finishedOn;
    int timedOut = 0;  // not set going within the limit
    ASSERT_TRUE(StartClosingHandles(
        handles, sameText,
        [&](int done, int total) {
          const std::lock_guard<std::mutex> guard(lock);
          EXPECT_EQ(kRows, total);
          reported.push_back(done);
        },
        [&](const CloseTally& whole) {
          const std::lock_guard<std::mutex> guard(lock);
          ++finishedCount;
          tally = whole;
          finishedOn = std::this_thread::get_id();
          changed.notify_all();
        },
        c.limitMs))
        << c.what;
    {
      // The whole comes while stopped holders still hold their closings.
      std::unique_lock<std::mutex> guard(lock);
      const auto whole = [&] { return finishedCount > 0; };
      if (!changed.wait_for(guard, kHangPatience, whole)) {
        ADD_FAILURE() << c.what << ": the batch waits for its stopped holders";
        guard.unlock();
        local.releaseHangs();
        guard.lock();
        changed.wait(guard, whole);
      }
      EXPECT_NE(std::this_thread::get_id(), finishedOn) << c.what;
      EXPECT_EQ(kRows, tally.tried) << c.what;
      EXPECT_EQ(kRows - c.closed, tally.failed) << c.what;
      EXPECT_EQ(0, tally.changed) << c.what;
      timedOut = tally.failed - tally.unconfirmed - tally.notTried;
      if (timedOut == 0) {
        EXPECT_EQ(c.unconfirmed, tally.unconfirmed) << c.what;
        EXPECT_EQ(c.notTried, tally.notTried) << c.what;
      } else {
        EXPECT_GE(c.unconfirmed, tally.unconfirmed) << c.what;
        EXPECT_LE(c.notTried - timedOut, tally.notTried) << c.what;
        EXPECT_GT(tally.notTried, 0) << c.what;
      }
      EXPECT_EQ(static_cast<std::size_t>(kRows), reported.size()) << c.what;
    }
    EXPECT_LE(LiveResolutionThreads(), earlier + kBound) << c.what;
    EXPECT_LE(local.maxRunningThreads(), kBound + 2 * kClosingThreads) << c.what;
    local.releaseHangs();
    local.waitForThreads();
    // Closed: the rows that were tried (an unconfirmed closing went ahead
    // once its holder ran); the rows not tried are still held.
    int stillHeld = 0;
    for (const HeldHandle& handle : handles) stillHeld += local.holds(kHolder, handle.handleValue) ? 1 : 0;
    EXPECT_EQ(tally.notTried + timedOut, stillHeld) << c.what;
    EXPECT_EQ(0, local.openedHandles()) << c.what;
    EXPECT_LE(LiveResolutionThreads(), earlier) << c.what;
    EXPECT_EQ(1, finishedCount) << c.what;
  }
}

}  // namespace
