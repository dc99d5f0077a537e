// Handle name resolution: process and thread IDs, file paths under their
// time limit, and the names of other objects.
#include <gtest/gtest.h>

#include <chrono>

#include "fakes/FakeSystem.h"
#include "scan/ObjectTypeTable.h"
#include "scan/QueryFilePathTimed.h"
#include "scan/QueryFinalPath.h"
#include "scan/ResolveHandleName.h"

namespace {

constexpr uint32_t kHolder = 400;

class NameResolution : public ::testing::Test {
 protected:
  FakeSystem system;
  void SetUp() override { system.addProcess(kHolder, {u"holder.exe", "C:\\holder.exe"}); }

  AnsiString resolve(uint32_t handle, uint16_t type, int expectedResult = 1) {
    AnsiString name;
    EXPECT_EQ(ResolveHandleName(handle, type, name, kHolder), expectedResult);
    return name;
  }
  void expectNothingLeftOpen() {
    system.waitForThreads();
    EXPECT_EQ(system.openedHandles(), 0);
    EXPECT_EQ(system.badCloses(), 0);
  }
};

TEST_F(NameResolution, ProcessAndThreadHandlesAreNamedByTheirIds) {
  FakeSystem::Object process{u"Process"};
  process.processId = 1234;
  FakeSystem::Object thread{u"Thread"};
  thread.threadId = 255;
  system.addHandle(kHolder, 0x10, process, kProcessTypeNumber);
  system.addHandle(kHolder, 0x14, thread, kThreadTypeNumber);
  EXPECT_EQ(resolve(0x10, kProcessTypeNumber), "PID: 0x4D2");
  EXPECT_EQ(resolve(0x14, kThreadTypeNumber), "TID: 0xFF");
  // A handle that cannot be duplicated is asked as handle 0, which names ID 0.
  EXPECT_EQ(resolve(0x9990, kProcessTypeNumber), "PID: 0x0");
  EXPECT_EQ(resolve(0x9994, kThreadTypeNumber), "TID: 0x0");
  expectNothingLeftOpen();
}

TEST_F(NameResolution, FilePathsLoseTheirLongPrefix) {
  system.addHandle(kHolder, 0x20, {u"File", u"", "\\\\?\\C:\\a.txt"});
  system.addHandle(kHolder, 0x24, {u"File", u"", "\\\\?\\UNC\\server\\share\\a.txt"});
  system.addHandle(kHolder, 0x28, {u"File", u"", "D:\\plain.txt"});
  system.addHandle(kHolder, 0x2C, {u"File", u"", "\\\\?"});
  EXPECT_EQ(resolve(0x20, kFileTypeNumber), "C:\\a.txt");
  EXPECT_EQ(resolve(0x24, kFileTypeNumber), "UNC\\server\\share\\a.txt");
  EXPECT_EQ(resolve(0x28, kFileTypeNumber), "D:\\plain.txt");
  EXPECT_EQ(resolve(0x2C, kFileTypeNumber), "");
  expectNothingLeftOpen();
}

TEST_F(NameResolution, PathTooLongForTheSpaceGivesAnEmptyNameAndSuccess) {
  system.addHandle(kHolder, 0x30, {u"File", u"", "C:\\" + std::string(5000, 'x')});
  EXPECT_EQ(resolve(0x30, kFileTypeNumber), "");
  expectNothingLeftOpen();
}

TEST_F(NameResolution, FailedPathQueryFails) {
  system.addHandle(kHolder, 0x34, {u"File", u"", ""});
  EXPECT_EQ(resolve(0x34, kFileTypeNumber, 0), "");
  system.failCreateThread(true);
  system.addHandle(kHolder, 0x38, {u"File", u"", "C:\\b.txt"});
  EXPECT_EQ(resolve(0x38, kFileTypeNumber, 0), "");
  expectNothingLeftOpen();
}

TEST_F(NameResolution, PathQueryRunsOnASmallStackReservation) {
  system.addHandle(kHolder, 0x3C, {u"File", u"", "C:\\c.txt"});
  resolve(0x3C, kFileTypeNumber);
  ASSERT_EQ(system.threadCalls().size(), 1u);
  EXPECT_LE(system.threadCalls()[0].stackSize, 64u * 1024u);
  EXPECT_NE(system.threadCalls()[0].stackSize, 0u);
  EXPECT_EQ(system.threadCalls()[0].flags & STACK_SIZE_PARAM_IS_A_RESERVATION,
            static_cast<DWORD>(STACK_SIZE_PARAM_IS_A_RESERVATION));
}

TEST_F(NameResolution, HungPathQueryIsAbandonedAndNeverWritesAfterwards) {
  FakeSystem::Object hung{u"File", u"", "\\\\?\\C:\\late.txt"};
  hung.pathQueryHangs = true;
  system.addHandle(kHolder, 0x40, hung);
  system.setWaitScale(1);
  AnsiString name;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(ResolveHandleName(0x40, kFileTypeNumber, name, kHolder), 1);
  const auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(name, "");
  // About 100 ms; the bound only says it did not wait for the hang.
  EXPECT_GE(elapsed, std::chrono::milliseconds(90));
  EXPECT_LT(elapsed, std::chrono::seconds(5));

  // The abandoned query now finishes: its answer goes nowhere the caller sees,
  // and it closes the handle copy it owned.
  system.releaseHangs();
  system.waitForThreads();
  EXPECT_EQ(name, "");
  expectNothingLeftOpen();
}

TEST_F(NameResolution, QueryFilePathTimedAsksAForeignHandleThroughADuplicate) {
  system.addHandle(kHolder, 0x44, {u"File", u"", "\\\\?\\C:\\d.txt"});
  AnsiString path;
  EXPECT_EQ(QueryFilePathTimed(reinterpret_cast<HANDLE>(static_cast<uintptr_t>(0x44)), path, kHolder), 1);
  EXPECT_EQ(path, "C:\\d.txt");
  system.addProcess(401, {u"locked.exe", "", false});
  EXPECT_EQ(QueryFilePathTimed(reinterpret_cast<HANDLE>(static_cast<uintptr_t>(0x44)), path, 401), 0);
  expectNothingLeftOpen();
}

TEST_F(NameResolution, OtherObjectsAreNamedByTheirObjectName) {
  system.addHandle(kHolder, 0x50, {u"Key", u"\\REGISTRY\\MACHINE\\SOFTWARE"}, 18);
  system.addHandle(kHolder, 0x54, {u"Event", u""}, 8);
  FakeSystem::Object refused{u"Section", u"\\BaseNamedObjects\\x"};
  refused.nameStatus = static_cast<NTSTATUS>(0xC0000022u);
  system.addHandle(kHolder, 0x58, refused, 17);
  EXPECT_EQ(resolve(0x50, 18), "\\REGISTRY\\MACHINE\\SOFTWARE");
  EXPECT_EQ(resolve(0x54, 8), "");
  AnsiString name = "kept";
  EXPECT_EQ(ResolveHandleName(0x58, 17, name, kHolder), 0);
  EXPECT_EQ(name, "kept");
  expectNothingLeftOpen();
}

TEST_F(NameResolution, OwnerThatCannotBeOpenedOrNoNativeLayerGivesNothing) {
  system.addProcess(402, {u"locked.exe", "", false});
  system.addHandle(402, 0x60, {u"File", u"", "C:\\e.txt"});
  AnsiString name;
  EXPECT_EQ(ResolveHandleName(0x60, kFileTypeNumber, name, 402), 0);
  NativeApi.allPresent = 0;
  system.addHandle(kHolder, 0x64, {u"File", u"", "C:\\f.txt"});
  EXPECT_EQ(ResolveHandleName(0x64, kFileTypeNumber, name, kHolder), 0);
  EXPECT_EQ(name, "");
  expectNothingLeftOpen();
}

}  // namespace
