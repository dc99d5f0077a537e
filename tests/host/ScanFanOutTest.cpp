// The second phase of a scan: owner names and paths, the bounded fan-out of
// record workers, cancellation and what stays valid afterwards.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "fakes/FakeSystem.h"
#include "scan/HandleScanner.h"

namespace {

constexpr uint32_t kHolder = 600;
constexpr uint32_t kServices = 604;

class FanOut : public ::testing::Test {
 protected:
  FakeSystem system;
  CancelByte cancel{0};

  void SetUp() override {
    system.addProcess(kHolder, {u"holder.exe", "C:\\Apps\\holder.exe"});
    system.addProcess(kServices, {u"SERVICES.EXE", "C:\\Windows\\System32\\services.exe"});
  }
  void addFiles(uint32_t pid, int count) {
    for (int i = 0; i < count; ++i) {
      const auto value = static_cast<uint32_t>(0x1000 + 4 * i);
      system.addHandle(pid, value, {u"File", u"", "\\\\?\\C:\\f" + std::to_string(i) + ".txt"});
    }
  }
  // Waits, in real time, until `condition` holds; false after a generous limit.
  template <typename Condition>
  static bool eventually(Condition condition) {
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!condition()) {
      if (std::chrono::steady_clock::now() > limit) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
  }
};

TEST_F(FanOut, FillsOwnerNameAndPathAndEachFilePath) {
  addFiles(kHolder, 3);
  HandleScanner scanner(-1, "File");
  EXPECT_EQ(scanner.Run(&cancel), 1);
  ASSERT_EQ(scanner.records().size(), 3u);
  for (int i = 0; i < 3; ++i) {
    const HandleRecord& record = scanner.records()[i];
    EXPECT_EQ(record.processName, "holder.exe");
    EXPECT_EQ(record.processPath, "C:\\Apps\\holder.exe");
    EXPECT_EQ(record.filePath, AnsiString(("C:\\f" + std::to_string(i) + ".txt").c_str()));
  }
  EXPECT_EQ(system.workerStarts(), 3);
  system.waitForThreads();
  EXPECT_EQ(system.openedHandles(), 0);
  EXPECT_EQ(system.badCloses(), 0);
  EXPECT_EQ(system.liveAllocations(), 0);
}

TEST_F(FanOut, NeverMoreThan96WorkersAtOnce) {
  addFiles(kHolder, 130);
  system.setWaitScale(200);  // 96 path queries at once must not outrun their time limit on a slow machine
  system.closeGate();  // every worker waits at its owner's exit-code query
  int result = -1;
  HandleScanner scanner(-1, "File");
  std::thread search([&] { result = scanner.Run(&cancel); });
  ASSERT_TRUE(eventually([&] { return system.waitingAtGate() == 96; }));
  // The scan polls while the 97th waits for a free place.
  ASSERT_TRUE(eventually([&] { return system.sleeps().size() >= 3; }));
  EXPECT_EQ(system.workerStarts(), 96);
  for (DWORD pause : system.sleeps()) EXPECT_EQ(pause, 100u);
  system.openGate();
  search.join();
  EXPECT_EQ(result, 1);
  EXPECT_EQ(system.workerStarts(), 130);
  EXPECT_LE(system.maxWaitingAtGate(), 96);
  for (const HandleRecord& record : scanner.records()) EXPECT_FALSE(record.filePath.IsEmpty());
}

TEST_F(FanOut, CancelDuringThePhaseReturnsAtOnceAndLeavesLaterRecordsEmpty) {
  addFiles(kHolder, 120);
  system.closeGate();
  int result = -1;
  bool returned = false;
  {
    HandleScanner scanner(-1, "File");
    std::thread search([&] {
      result = scanner.Run(&cancel);
      returned = true;
    });
    ASSERT_TRUE(eventually([&] { return system.waitingAtGate() == 96; }));
    cancel = 1;
    search.join();  // returns although every worker still waits at the gate
    EXPECT_TRUE(returned);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(system.waitingAtGate(), 96);
    const HandleRecords& records = scanner.records();
    ASSERT_EQ(records.size(), 120u);
    for (std::size_t i = 0; i < 96; ++i) EXPECT_EQ(records[i].processName, "holder.exe");
    for (std::size_t i = 97; i < records.size(); ++i) {
      EXPECT_EQ(records[i].processName, "") << i;
      EXPECT_EQ(records[i].processPath, "") << i;
    }
    // The caller may now release the scanner, while its workers still run.
  }
  system.openGate();
  system.waitForThreads();
  EXPECT_EQ(system.openedHandles(), 0);
}

TEST_F(FanOut, WorkersOfACancelledRunNeverWriteAfterItReturned) {
  addFiles(kHolder, 4);
  system.closeGate();
  HandleScanner scanner(-1, "File");
  std::thread search([&] { scanner.Run(&cancel); });
  ASSERT_TRUE(eventually([&] { return system.waitingAtGate() == 4; }));
  cancel = 1;
  search.join();
  system.openGate();
  system.waitForThreads();
  for (const HandleRecord& record : scanner.records()) EXPECT_EQ(record.filePath, "");

  // The same scanner runs again, with fresh records.
  cancel = 0;
  EXPECT_EQ(scanner.Run(&cancel), 1);
  ASSERT_EQ(scanner.records().size(), 4u);
  for (const HandleRecord& record : scanner.records()) EXPECT_NE(record.filePath, "");
}

TEST_F(FanOut, OwnerThatExitedKeepsNameAndPathButNoFilePath) {
  addFiles(kHolder, 2);
  system.setProcessExitCode(kHolder, 0);
  HandleScanner scanner(-1, nullptr);
  EXPECT_EQ(scanner.Run(&cancel), 1);
  ASSERT_EQ(scanner.records().size(), 2u);
  for (const HandleRecord& record : scanner.records()) {
    EXPECT_EQ(record.processName, "holder.exe");
    EXPECT_EQ(record.processPath, "C:\\Apps\\holder.exe");
    EXPECT_EQ(record.filePath, "");
  }
}

TEST_F(FanOut, ServicesRuleAppliesOnlyOnVersion4) {
  addFiles(kServices, 2);
  addFiles(kHolder, 1);
  OsMajorVersion = 4;
  HandleScanner old(-1, "File");
  EXPECT_EQ(old.Run(&cancel), 1);
  ASSERT_EQ(old.records().size(), 3u);
  EXPECT_EQ(old.records()[0].filePath, "");
  EXPECT_EQ(old.records()[1].filePath, "");
  EXPECT_EQ(old.records()[0].processName, "SERVICES.EXE");
  EXPECT_EQ(old.records()[2].filePath, "C:\\f0.txt");
  EXPECT_EQ(system.workerStarts(), 1);

  OsMajorVersion = 10;
  HandleScanner current(-1, "File");
  current.Run(&cancel);
  EXPECT_EQ(current.records()[0].filePath, "C:\\f0.txt");
  EXPECT_EQ(current.records()[1].filePath, "C:\\f1.txt");
}

TEST_F(FanOut, WorkerThatCannotStartLeavesItsRecordEmptyAndTheScanEnds) {
  addFiles(kHolder, 3);
  system.failWorkerStart(2);
  HandleScanner scanner(-1, "File");
  EXPECT_EQ(scanner.Run(&cancel), 1);  // would wait for ever if the count stayed raised
  EXPECT_EQ(scanner.records()[0].filePath, "C:\\f0.txt");
  EXPECT_EQ(scanner.records()[1].filePath, "");
  EXPECT_EQ(scanner.records()[1].processName, "holder.exe");
  EXPECT_EQ(scanner.records()[2].filePath, "C:\\f2.txt");
}

TEST_F(FanOut, HungPathQueryCostsItsRecordOnlyTheName) {
  FakeSystem::Object hung{u"File", u"", "C:\\hung.txt"};
  hung.pathQueryHangs = true;
  system.addHandle(kHolder, 0x10, hung);
  system.addHandle(kHolder, 0x14, {u"File", u"", "C:\\fine.txt"});
  HandleScanner scanner(-1, "File");
  EXPECT_EQ(scanner.Run(&cancel), 1);
  EXPECT_EQ(scanner.records()[0].filePath, "");
  EXPECT_EQ(scanner.records()[1].filePath, "C:\\fine.txt");
}

}  // namespace
