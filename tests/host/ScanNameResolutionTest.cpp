// Naming handles: final paths as the system gives them, prefix taken off, names that
// cannot be had, and the time limit of a path query.
#include <gtest/gtest.h>

#include "text/WideText.h"

#include <chrono>

#include "fakes/FakeSystem.h"
#include "scan/HandleNaming.h"
#include "scan/HandleScanner.h"

namespace {

constexpr uint32_t kHolder = 400;

TEST(FinalPathPrefix, TakenOffAndTheRestKeptExactly) {
  const struct {
    WideText given;
    WideText kept;
  } cases[] = {
      {WTEXT("\\\\?\\C:\\a.txt"), WTEXT("C:\\a.txt")},
      {WTEXT("\\\\?\\UNC\\server\\share\\a.txt"), WTEXT("\\\\server\\share\\a.txt")},
      {WTEXT("D:\\plain.txt"), WTEXT("D:\\plain.txt")},
      {WTEXT("\\\\?"), WTEXT("\\\\?")},
      {WTEXT(""), WTEXT("")},
      // Long paths and names no code page holds come through whole.
      {WTEXT("\\\\?\\C:\\") + WideText(8000, 'x'), WTEXT("C:\\") + WideText(8000, 'x')},
      {WTEXT("\\\\?\\C:\\\u5B63\uD55C\U0001F600.txt"), WTEXT("C:\\\u5B63\uD55C\U0001F600.txt")},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FinalPathWithoutPrefix(c.given.data(), c.given.size()), c.kept) << c.given.size();
  }
}

class NameResolution : public ::testing::Test {
 protected:
  FakeSystem system;
  CancelByte cancel{0};
  void SetUp() override { system.addProcess(kHolder, {u"holder.exe", "C:\\holder.exe"}); }
  HandleRecords scan(const char* filter) {
    HandleScanner scanner(-1, filter);
    EXPECT_EQ(scanner.Run(&cancel), 1);
    return scanner.records();
  }
};

TEST_F(NameResolution, NamesThatCannotBeHadStayEmpty) {
  FakeSystem::Object refused{u"Section", u"\\BaseNamedObjects\\x"};
  refused.nameStatus = static_cast<NTSTATUS>(0xC0000022u);
  system.addHandle(kHolder, 0x10, refused, 17);
  system.addHandle(kHolder, 0x14, {u"Event", u""}, 8);
  system.addHandle(kHolder, 0x18, {u"File", u"", ""});
  // Longer than the system's longest path.
  system.addHandle(kHolder, 0x1C, {u"File", u"", "C:\\" + std::string(kFinalPathUnits, 'x')});
  const HandleRecords records = scan(nullptr);
  ASSERT_EQ(records.size(), 4u);
  for (const HandleRecord& record : records) {
    EXPECT_EQ(record.filePath, WTEXT(""));
    EXPECT_EQ(record.processName, WTEXT("holder.exe"));
  }
  system.waitForThreads();
  EXPECT_EQ(system.openedHandles(), 0);
}

TEST_F(NameResolution, HungPathQueryIsGivenUpAfterItsLimitAndNeverWritesAfterwards) {
  FakeSystem::Object hung{u"File", u"", "\\\\?\\C:\\late.txt"};
  hung.pathQueryHangs = true;
  system.addHandle(kHolder, 0x40, hung);
  system.addHandle(kHolder, 0x44, {u"File", u"", "\\\\?\\C:\\fine.txt"});
  system.setWaitScale(1);
  HandleScanner scanner(-1, "File");
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(scanner.Run(&cancel), 1);
  const auto elapsed = std::chrono::steady_clock::now() - start;
  // About 100 ms; the bound only says it did not wait for the hang.
  EXPECT_GE(elapsed, std::chrono::milliseconds(90));
  EXPECT_LT(elapsed, std::chrono::seconds(5));
  EXPECT_EQ(scanner.records()[0].filePath, WTEXT(""));
  EXPECT_EQ(scanner.records()[1].filePath, WTEXT("C:\\fine.txt"));

  // The abandoned query now finishes: its answer goes nowhere the caller
  // sees, and it closes the handle it owned.
  system.releaseHangs();
  system.waitForThreads();
  EXPECT_EQ(scanner.records()[0].filePath, WTEXT(""));
  EXPECT_EQ(system.openedHandles(), 0);
  EXPECT_EQ(system.badCloses(), 0);
}

}  // namespace
