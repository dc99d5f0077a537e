// The first phase of a scan: the handle table snapshot, its retries and its
// filters.
#include <gtest/gtest.h>

#include "text/WideText.h"

#include <algorithm>
#include <cstring>

#include "fakes/FakeSystem.h"
#include "scan/HandleScanner.h"
#include "scan/native/NativeLayouts.h"

namespace {

constexpr uint32_t kHolder = 500;
constexpr uint32_t kOther = 501;

class Snapshot : public ::testing::Test {
 protected:
  FakeSystem system;
  CancelByte cancel{0};

  void SetUp() override {
    system.addProcess(kHolder, {u"holder.exe", "C:\\holder.exe"});
    system.addProcess(kOther, {u"other.exe", "C:\\other.exe"});
  }
  int run(HandleScanner& scanner) { return scanner.Run(&cancel); }
  static std::vector<uint32_t> handles(const HandleScanner& scanner) {
    std::vector<uint32_t> values;
    for (const HandleRecord& record : scanner.records()) values.push_back(record.handleValue);
    return values;
  }
  int countCalls(ULONG informationClass) const {
    const auto calls = system.informationCalls();
    return static_cast<int>(std::count(calls.begin(), calls.end(), informationClass));
  }
};

TEST_F(Snapshot, EmptyTableGivesNoRecordsAndSuccess) {
  HandleScanner scanner(-1, "File");
  EXPECT_EQ(run(scanner), 1);
  EXPECT_TRUE(scanner.records().empty());
  EXPECT_EQ(system.threadStarts(), 0);
  EXPECT_EQ(countCalls(kSystemProcessInformation), 1);
}

TEST_F(Snapshot, KeepsFilesOfOtherProcessesInTableOrderWithTheirFields) {
  system.addHandle(kHolder, 0x10, {u"File", u"", "C:\\a.txt"}, 26, 0x02, 0x12019F);
  system.addHandle(kHolder, 0x14, {u"Key"}, 18);
  system.addHandle(kOther, 0x18, {u"File", u"", "C:\\b.txt"}, 26, 0x01, 0x100001);
  system.addHandle(FakeSystem::kOwnPid, 0x1C, {u"File", u"", "C:\\own.txt"});
  HandleScanner scanner(-1, "File");
  EXPECT_EQ(run(scanner), 1);
  ASSERT_EQ(handles(scanner), (std::vector<uint32_t>{0x10, 0x18}));
  const HandleRecord& first = scanner.records()[0];
  EXPECT_EQ(first.ownerPid, kHolder);
  EXPECT_EQ(first.typeNumber, 26);
  EXPECT_EQ(first.grantedAccess, 0x12019Fu);
  EXPECT_EQ(scanner.records()[1].grantedAccess, 0x100001u);
  for (const HandleRecord& record : scanner.records()) EXPECT_EQ(record.attributes, 0);
  EXPECT_EQ(system.openedHandles(), 0);
  EXPECT_EQ(system.badCloses(), 0);
  EXPECT_EQ(system.liveAllocations(), 0);
}

TEST_F(Snapshot, OwnHandlesAreNeverQueuedButStillAskedForTheirType) {
  system.addHandle(FakeSystem::kOwnPid, 0x20, {u"File", u"", "C:\\own.txt"});
  system.addHandle(FakeSystem::kOwnPid, 0x24, {u"Key"}, 18);
  int typeQueries = 0;
  system.setTypeQueryHook([&] { ++typeQueries; });
  HandleScanner filtered(-1, "File");
  EXPECT_EQ(run(filtered), 1);
  EXPECT_TRUE(filtered.records().empty());
  EXPECT_EQ(typeQueries, 2);
  HandleScanner everything(-1, nullptr);
  EXPECT_EQ(run(everything), 1);
  EXPECT_TRUE(everything.records().empty());
  HandleScanner ownOnly(static_cast<int32_t>(FakeSystem::kOwnPid), nullptr);
  EXPECT_EQ(run(ownOnly), 1);
  EXPECT_TRUE(ownOnly.records().empty());
}

TEST_F(Snapshot, OwnerFilterAndCaseSensitiveTypeFilter) {
  system.addHandle(kHolder, 0x30, {u"File", u"", "C:\\a.txt"});
  system.addHandle(kOther, 0x34, {u"File", u"", "C:\\b.txt"});
  system.addHandle(kOther, 0x38, {u"Event"}, 8);
  HandleScanner byOwner(static_cast<int32_t>(kOther), nullptr);
  run(byOwner);
  EXPECT_EQ(handles(byOwner), (std::vector<uint32_t>{0x34, 0x38}));
  HandleScanner lowerCase(-1, "file");
  run(lowerCase);
  EXPECT_TRUE(lowerCase.records().empty());
  HandleScanner events(-1, "Event");
  run(events);
  EXPECT_EQ(handles(events), (std::vector<uint32_t>{0x38}));
  EXPECT_EQ(events.SetTypeFilter(nullptr), 1);
  EXPECT_EQ(events.typeFilter(), "");
  run(events);
  EXPECT_EQ(handles(events), (std::vector<uint32_t>{0x30, 0x34, 0x38}));
  EXPECT_EQ(events.ownerFilter(), -1);
}

TEST_F(Snapshot, UnopenableOwnerFailsTheTypeFilter) {
  system.addProcess(502, {u"locked.exe", "", false});
  system.addHandle(502, 0x40, {u"File", u"", "C:\\x.txt"});
  HandleScanner filtered(-1, "File");
  run(filtered);
  EXPECT_TRUE(filtered.records().empty());
  HandleScanner unfiltered(-1, nullptr);
  run(unfiltered);
  EXPECT_EQ(handles(unfiltered), (std::vector<uint32_t>{0x40}));
}

TEST_F(Snapshot, CancelBeforeOrDuringTheWalkKeepsWhatWasQueued) {
  for (uint32_t i = 0; i < 6; ++i) system.addHandle(kHolder, 0x100 + 4 * i, {u"File", u"", "C:\\a.txt"});
  cancel = 1;
  HandleScanner before(-1, "File");
  EXPECT_EQ(run(before), 1);
  EXPECT_TRUE(before.records().empty());

  cancel = 0;
  int typeQueries = 0;
  system.setTypeQueryHook([&] {
    if (++typeQueries == 2) cancel = 1;  // raised while the second entry confirms the type
  });
  HandleScanner during(-1, "File");
  EXPECT_EQ(run(during), 1);
  EXPECT_EQ(handles(during), (std::vector<uint32_t>{0x100, 0x104}));
  EXPECT_EQ(system.threadStarts(), 0);  // the cancel also stops the second phase
}

TEST_F(Snapshot, FirstCallFailingWithoutALengthFails) {
  system.addHandle(kHolder, 0x10, {u"File"});
  system.setInformationScript([](ULONG informationClass, void*, ULONG, ULONG* returned, NTSTATUS& status) {
    if (informationClass == kSystemProcessInformation) return false;
    if (returned != nullptr) *returned = 0;
    status = static_cast<NTSTATUS>(0xC0000001u);
    return true;
  });
  HandleScanner scanner(-1, "File");
  EXPECT_EQ(run(scanner), 0);
  EXPECT_TRUE(scanner.records().empty());
  EXPECT_EQ(countCalls(kSystemExtendedHandleInformation), 1);
  EXPECT_TRUE(system.sleeps().empty());
  EXPECT_EQ(system.liveAllocations(), 0);
}

// A table that grows between calls: the buffer grows from each reported
// length with a quarter to spare and the call is repeated at once; only
// refusals not about size pause. The first answer that fits is the one read.
TEST_F(Snapshot, BufferGrowsFromEveryReportedLengthAndOnlyOtherRefusalsPause) {
  system.addHandle(kHolder, 0x10, {u"File"});
  struct Step {
    NTSTATUS status;
    ULONG reported;  // 0: answer from the model
  };
  const NTSTATUS kOther = static_cast<NTSTATUS>(0xC0000001u);
  const std::vector<Step> steps = {{kStatusInfoLengthMismatch, 2000000}, {kStatusInfoLengthMismatch, 3000000},
                                   {kOther, 0},
                                   {kStatusInfoLengthMismatch, 0},  // too small, without saying how much
                                   {kStatusSuccess, 0}};
  std::vector<ULONG> lengths;
  system.setInformationScript([&](ULONG informationClass, void*, ULONG length, ULONG* returned, NTSTATUS& status) {
    if (informationClass == kSystemProcessInformation) return false;
    const Step step = steps[lengths.size()];
    lengths.push_back(length);
    if (step.status == kStatusSuccess) return false;
    if (returned != nullptr) *returned = step.reported;
    status = step.status;
    return true;
  });
  HandleScanner scanner(-1, "File");
  EXPECT_EQ(run(scanner), 1);
  EXPECT_EQ(handles(scanner), (std::vector<uint32_t>{0x10}));
  EXPECT_EQ(lengths, (std::vector<ULONG>{1048576, 2500000, 3750000, 3750000, 4687500}));
  EXPECT_EQ(system.sleeps(), std::vector<DWORD>{1000});
  EXPECT_EQ(system.liveAllocations(), 0);
}

// A table that never fits grows until no real table would be larger, and
// never pauses; refusals not about size pause 1 s each, 50 calls in all.
TEST_F(Snapshot, RefusalsEndTheSnapshotWithoutEndlessRetries) {
  system.addHandle(kHolder, 0x10, {u"File"});
  const NTSTATUS kOther = static_cast<NTSTATUS>(0xC0000001u);
  for (const NTSTATUS refusal : {kStatusInfoLengthMismatch, kOther}) {
    int calls = 0;
    system.setInformationScript([&](ULONG informationClass, void*, ULONG length, ULONG* returned, NTSTATUS& status) {
      if (informationClass == kSystemProcessInformation) return false;
      ++calls;
      // For size: always a little more than was offered; otherwise a length that fits.
      if (returned != nullptr) *returned = refusal == kOther ? length : length + 4096;
      status = refusal;
      return true;
    });
    const std::size_t sleepsBefore = system.sleeps().size();
    HandleScanner scanner(-1, "File");
    EXPECT_EQ(run(scanner), 0);
    const std::size_t pauses = system.sleeps().size() - sleepsBefore;
    if (refusal == kOther) {
      EXPECT_EQ(calls, 50);
      EXPECT_EQ(pauses, 49u);
    } else {
      EXPECT_LE(calls, 50);
      EXPECT_EQ(pauses, 0u);
    }
    EXPECT_EQ(system.liveAllocations(), 0);
  }
}

// A reported length that no table has (it would wrap a 32-bit size to a
// tiny block) is refused, never allocated.
TEST_F(Snapshot, ImpossibleReportedLengthsAreRefused) {
  for (const ULONG reported : {0xFFFFFFF0u, 0xCCCCCCCCu, 0x40000000u}) {
    system.setInformationScript([&](ULONG informationClass, void*, ULONG, ULONG* returned, NTSTATUS& status) {
      if (informationClass == kSystemProcessInformation) return false;
      if (returned != nullptr) *returned = reported;
      status = kStatusInfoLengthMismatch;
      return true;
    });
    HandleScanner scanner(-1, "File");
    EXPECT_EQ(run(scanner), 0) << reported;
    EXPECT_EQ(system.liveAllocations(), 0);
  }
}

TEST_F(Snapshot, FailedAllocationsFailAtOnce) {
  system.failAllocation(1);
  HandleScanner first(-1, "File");
  EXPECT_EQ(run(first), 0);
  EXPECT_TRUE(system.informationCalls().empty());

  FakeSystem::Object file{u"File"};
  system.addHandle(kHolder, 0x10, file);
  system.setInformationScript([](ULONG informationClass, void*, ULONG, ULONG* returned, NTSTATUS& status) {
    if (informationClass == kSystemProcessInformation) return false;
    if (returned != nullptr) *returned = 3 * 1048576;
    status = kStatusInfoLengthMismatch;
    return true;
  });
  system.failAllocation(3);  // the re-sized buffer of the second run
  HandleScanner second(-1, "File");
  EXPECT_EQ(run(second), 0);
  EXPECT_EQ(system.informationCalls().size(), 1u);
  EXPECT_EQ(system.liveAllocations(), 0);
}

TEST_F(Snapshot, DesktopRuleBelowVersion5OnlyWithoutAttributeFlags) {
  system.addProcess(2, {u"System", ""});
  system.addHandle(2, 0x50, {u"Desktop"}, 16, 0);
  system.addHandle(2, 0x54, {u"Desktop"}, 16, 0x02);
  system.addHandle(kHolder, 0x58, {u"Desktop"}, 16, 0);
  for (DWORD version : {0u, 4u}) {
    OsMajorVersion = version;
    HandleScanner scanner(-1, nullptr);
    run(scanner);
    EXPECT_EQ(handles(scanner), (std::vector<uint32_t>{0x54, 0x58})) << version;
    for (const HandleRecord& record : scanner.records()) EXPECT_EQ(record.attributes, 0);
  }
  OsMajorVersion = 5;
  HandleScanner scanner(-1, nullptr);
  run(scanner);
  EXPECT_EQ(handles(scanner), (std::vector<uint32_t>{0x50, 0x54, 0x58}));
}

TEST_F(Snapshot, ExtendedTableKeepsLargeIdsAndHandleValuesWhole) {
  constexpr uint32_t kBigPid = 0x12345;
  system.addProcess(kBigPid, {u"big.exe", "C:\\big.exe"});
  system.addHandle(kBigPid, 0x1ABCD4, {u"File", u"", "C:\\big.txt"});
  HandleScanner scanner(-1, "File");
  EXPECT_EQ(run(scanner), 1);
  ASSERT_EQ(scanner.records().size(), 1u);
  EXPECT_EQ(scanner.records()[0].ownerPid, kBigPid);
  EXPECT_EQ(scanner.records()[0].handleValue, 0x1ABCD4u);
  EXPECT_EQ(scanner.records()[0].filePath, WTEXT("C:\\big.txt"));
  EXPECT_EQ(countCalls(kSystemHandleInformation), 0);
}

TEST_F(Snapshot, FallsBackToTheBasicTableOnlyWhenTheExtendedClassIsUnknown) {
  system.setExtendedTableKnown(false);
  system.addHandle(kHolder, 0x60, {u"File", u"", "C:\\a.txt"}, 26, 0, 0x1F01FF);
  HandleScanner scanner(-1, "File");
  EXPECT_EQ(run(scanner), 1);
  EXPECT_EQ(system.informationCalls(),
            (std::vector<ULONG>{kSystemExtendedHandleInformation, kSystemHandleInformation,
                                kSystemProcessInformation}));
  ASSERT_EQ(scanner.records().size(), 1u);
  EXPECT_EQ(scanner.records()[0].ownerPid, kHolder);
  EXPECT_EQ(scanner.records()[0].handleValue, 0x60u);
  EXPECT_EQ(scanner.records()[0].grantedAccess, 0x1F01FFu);
  EXPECT_EQ(scanner.records()[0].filePath, WTEXT("C:\\a.txt"));
}

TEST_F(Snapshot, EntryCountBeyondWhatWasFilledIsNotBelieved) {
  system.addHandle(kHolder, 0x70, {u"File"}, 26, 0, 1, false);
  system.addHandle(kHolder, 0x74, {u"File"}, 26, 0, 1, false);
  system.setInformationScript([](ULONG informationClass, void* buffer, ULONG length, ULONG* returned,
                                 NTSTATUS& status) {
    if (informationClass == kSystemProcessInformation) return false;
    const ULONG filled = offsetof(ExtendedHandleTable, entries) + 2 * sizeof(ExtendedHandleTableEntry);
    if (length < filled) return false;
    std::memset(buffer, 0, filled);
    auto* table = static_cast<ExtendedHandleTable*>(buffer);
    table->count = 100000000;  // far more than the buffer could hold
    auto* entries = reinterpret_cast<ExtendedHandleTableEntry*>(static_cast<unsigned char*>(buffer) +
                                                                offsetof(ExtendedHandleTable, entries));
    entries[0].ownerPid = kHolder;
    entries[0].handleValue = 0x70;
    entries[1].ownerPid = kHolder;
    entries[1].handleValue = 0x74;
    if (returned != nullptr) *returned = filled;
    status = kStatusSuccess;
    return true;
  });
  HandleScanner scanner(-1, nullptr);
  EXPECT_EQ(run(scanner), 1);
  EXPECT_EQ(handles(scanner), (std::vector<uint32_t>{0x70, 0x74}));
}

TEST_F(Snapshot, EntryCountBeyondTheWholeBufferStopsAtItsEnd) {
  system.setInformationScript([](ULONG informationClass, void* buffer, ULONG length, ULONG* returned,
                                 NTSTATUS& status) {
    if (informationClass == kSystemProcessInformation) return false;
    std::memset(buffer, 0, length);
    static_cast<ExtendedHandleTable*>(buffer)->count = 100000000;
    if (returned != nullptr) *returned = 0;  // says nothing of what it filled
    status = kStatusSuccess;
    return true;
  });
  HandleScanner scanner(-1, "File");
  EXPECT_EQ(run(scanner), 1);  // every entry names process 0, which cannot be opened
  EXPECT_TRUE(scanner.records().empty());
}

}  // namespace
