// What is done to a holder, through the system seam: ending it only while it
// is the holder and not critical; closing its handle only while the value
// names the row's file, never after the waiter gave up, and never counting a
// value the holder reused meanwhile as closed.
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <vector>

#include "fakes/FakeSystem.h"
#include "scan/HolderControl.h"

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

// Many rows, some of whose looks hang: the batch runs off the caller's
// thread (it has returned while closings still hang), on a bounded number
// of threads, reports every closing and then the whole once.
TEST_F(CloseHolderHandleTest, ABatchClosesOffTheCallersThreadOnBoundedThreads) {
  constexpr int kRows = 40;
  std::vector<HeldHandle> handles;
  for (int i = 0; i < kRows; ++i) {
    FakeSystem::Object file{u"File", u"", "\\\\?\\C:\\data\\held.txt"};
    file.pathQueryHangs = i % 10 == 3;
    const uint32_t value = 0x1000 + 4 * static_cast<uint32_t>(i);
    system.addHandle(kHolder, value, file);
    handles.push_back(HeldHandle{kHolder, 1234, value, SharedText(WideText(WTEXT("C:\\data\\held.txt")))});
  }
  std::mutex lock;
  std::condition_variable changed;
  std::vector<int> reported;
  int finishedCount = 0;
  CloseTally tally;
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
        changed.notify_all();
      },
      600000));
  {
    const std::lock_guard<std::mutex> guard(lock);
    EXPECT_EQ(0, finishedCount) << "hung closings are still waited on, off this thread";
  }
  system.releaseHangs();
  {
    std::unique_lock<std::mutex> guard(lock);
    changed.wait(guard, [&] { return finishedCount > 0; });
    EXPECT_EQ(kRows, tally.tried);
    EXPECT_EQ(0, tally.failed);
    ASSERT_EQ(static_cast<std::size_t>(kRows), reported.size());
  }
  for (const HeldHandle& handle : handles) EXPECT_FALSE(system.holds(kHolder, handle.handleValue));
  // Each closing thread with the one closing it waits on, and as many
  // finished closings' threads still on their way out: not one per row.
  EXPECT_LE(system.maxRunningThreads(), 3 * kClosingThreads);
  expectNothingLeftOpen();
  EXPECT_EQ(1, finishedCount);
}

}  // namespace
