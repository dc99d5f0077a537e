// The resolution of a scan's records on its workers: the records and their
// fields, the cost per owner and per type, the bound on threads, hung path
// queries, cancellation and what stays valid afterwards.
#include <gtest/gtest.h>

#include "text/WideText.h"

#include <atomic>
#include <chrono>
#include <random>
#include <thread>

#include "fakes/FakeSystem.h"
#include "scan/HandleScanner.h"
#include "scan/PathQuery.h"
#include "support/HangWatch.h"

namespace {

constexpr uint32_t kHolder = 600;
constexpr uint32_t kServices = 604;

class Resolution : public ::testing::Test {
 protected:
  FakeSystem system;
  CancelByte cancel{0};

  void SetUp() override {
    system.addProcess(kHolder, {u"holder.exe", "C:\\Apps\\holder.exe"});
    system.addProcess(kServices, {u"SERVICES.EXE", "C:\\Windows\\System32\\services.exe"});
  }
  void addFiles(uint32_t pid, int count, bool hang = false, uint32_t first = 0x1000) {
    for (int i = 0; i < count; ++i) {
      FakeSystem::Object file{u"File", u"", "\\\\?\\C:\\f" + std::to_string(i) + ".txt"};
      file.pathQueryHangs = hang;
      system.addHandle(pid, first + 4 * static_cast<uint32_t>(i), file);
    }
  }
  void expectNothingLeftOpen() {
    system.releaseHangs();
    system.waitForThreads();
    EXPECT_EQ(system.openedHandles(), 0);
    EXPECT_EQ(system.badCloses(), 0);
    EXPECT_EQ(system.liveAllocations(), 0);
    EXPECT_EQ(LiveResolutionThreads(), 0);
  }
};

// One table with a bit of everything, asked with and without the type
// filter: which handles are kept, in table order, and every field.
TEST_F(Resolution, MixedTableGivesEveryRecordWithItsFields) {
  constexpr uint32_t kLocked = 610;
  constexpr uint32_t kGone = 611;
  system.addProcess(kLocked, {u"locked.exe", "C:\\locked.exe", false});
  system.addProcess(kGone, {u"gone.exe", "C:\\gone.exe", true, 0});
  FakeSystem::Object process{u"Process"};
  process.processId = 1234;
  FakeSystem::Object thread{u"Thread"};
  thread.threadId = 255;
  system.addHandle(kHolder, 0x10, {u"File", u"", "\\\\?\\C:\\a.txt"}, 26, 0x02, 0x12019F);
  system.addHandle(FakeSystem::kOwnPid, 0x14, {u"File", u"", "C:\\own.txt"});
  system.addHandle(kHolder, 0x18, process, 5);
  system.addHandle(kLocked, 0x1C, {u"File", u"", "C:\\locked.txt"});
  system.addHandle(kHolder, 0x20, thread, 6);
  system.addHandle(kGone, 0x24, {u"File", u"", "C:\\gone.txt"});
  system.addHandle(kHolder, 0x28, {u"Key", u"\\REGISTRY\\MACHINE"}, 18);
  system.addHandle(kHolder, 0x2C, {u"File", u"", "\\\\?\\UNC\\server\\share\\b.txt"});
  system.addHandle(kHolder, 0x30, {u"ALPC Port", u"\\RPC Control\\x"}, 40);

  struct Expected {
    uint32_t handle;
    uint32_t owner;
    const char* filePath;
    const char* processName;
    const char* processPath;
  };
  const std::vector<Expected> files = {
      {0x10, kHolder, "C:\\a.txt", "holder.exe", "C:\\Apps\\holder.exe"},
      {0x24, kGone, "", "gone.exe", "C:\\gone.exe"},
      {0x2C, kHolder, "\\\\server\\share\\b.txt", "holder.exe", "C:\\Apps\\holder.exe"},
  };
  const std::vector<Expected> everything = {
      {0x10, kHolder, "C:\\a.txt", "holder.exe", "C:\\Apps\\holder.exe"},
      {0x18, kHolder, "PID: 0x4D2", "holder.exe", "C:\\Apps\\holder.exe"},
      {0x1C, kLocked, "", "locked.exe", ""},
      {0x20, kHolder, "TID: 0xFF", "holder.exe", "C:\\Apps\\holder.exe"},
      {0x24, kGone, "", "gone.exe", "C:\\gone.exe"},
      {0x28, kHolder, "\\REGISTRY\\MACHINE", "holder.exe", "C:\\Apps\\holder.exe"},
      {0x2C, kHolder, "\\\\server\\share\\b.txt", "holder.exe", "C:\\Apps\\holder.exe"},
      {0x30, kHolder, "", "holder.exe", "C:\\Apps\\holder.exe"},  // a type outside the table is not named
  };
  for (const auto& [filter, expected] : {std::make_pair("File", files), std::make_pair("", everything)}) {
    HandleScanner scanner(-1, filter);
    ASSERT_EQ(scanner.Run(&cancel), 1);
    const HandleRecords& records = scanner.records();
    ASSERT_EQ(records.size(), expected.size()) << filter;
    for (std::size_t i = 0; i < expected.size(); ++i) {
      SCOPED_TRACE(std::string(filter) + " record " + std::to_string(i));
      EXPECT_EQ(records[i].handleValue, expected[i].handle);
      EXPECT_EQ(records[i].ownerPid, expected[i].owner);
      EXPECT_EQ(records[i].attributes, 0);
      EXPECT_EQ(records[i].filePath, WideFromAscii(expected[i].filePath));
      EXPECT_EQ(records[i].processName, WideFromAscii(expected[i].processName));
      EXPECT_EQ(records[i].processPath, WideFromAscii(expected[i].processPath));
    }
    EXPECT_EQ(records[0].typeNumber, 26);
    EXPECT_EQ(records[0].grantedAccess, 0x12019Fu);
  }
  expectNothingLeftOpen();
}

// The work grows with the owners and the type numbers, not with the
// handles: one open and one image query per owner, one type query per type
// number and one to confirm it, and a few threads for the whole scan.
TEST_F(Resolution, CostIsPerOwnerAndPerTypeNotPerHandle) {
  constexpr int kOwners = 5;
  for (uint32_t owner = 0; owner < kOwners; ++owner) {
    system.addProcess(700 + owner, {u"h.exe", "C:\\h.exe"});
    addFiles(700 + owner, 40);
    for (uint32_t k = 0; k < 10; ++k) system.addHandle(700 + owner, 0x8000 + 4 * k, {u"Event"}, 8);
  }
  std::atomic<int> typeQueries{0};
  system.setTypeQueryHook([&] { ++typeQueries; });
  HandleScanner scanner(-1, "File");
  ASSERT_EQ(scanner.Run(&cancel), 1);
  ASSERT_EQ(scanner.records().size(), 200u);
  for (const HandleRecord& record : scanner.records()) EXPECT_FALSE(record.filePath.IsEmpty());
  EXPECT_EQ(system.openProcessCalls().size(), static_cast<std::size_t>(kOwners));
  for (const auto& call : system.openProcessCalls()) EXPECT_EQ(call.inherit, FALSE);
  EXPECT_EQ(system.imagePathQueries(), kOwners);
  EXPECT_EQ(typeQueries.load(), 4);  // two type numbers, each asked and confirmed once
  const int workers = ScanLimitsInForce().workerCount();
  EXPECT_LE(system.threadCalls().size(), static_cast<std::size_t>(2 * workers));
  for (const auto& call : system.threadCalls()) {
    EXPECT_LE(call.stackSize, 64u * 1024u);
    EXPECT_NE(call.flags & STACK_SIZE_PARAM_IS_A_RESERVATION, 0u);
  }
  expectNothingLeftOpen();
}

// A type number whose handles answer differently is asked handle by handle.
TEST_F(Resolution, TypeNumberWithDisagreeingHandlesIsAskedPerHandle) {
  system.addHandle(kHolder, 0x10, {u"File", u"", "C:\\a.txt"}, 30);
  system.addHandle(kHolder, 0x14, {u"Event"}, 30);
  system.addHandle(kHolder, 0x18, {u"File", u"", "C:\\b.txt"}, 30);
  system.addHandle(kHolder, 0x1C, {u"Event"}, 30);
  HandleScanner scanner(-1, "File");
  ASSERT_EQ(scanner.Run(&cancel), 1);
  ASSERT_EQ(scanner.records().size(), 2u);
  EXPECT_EQ(scanner.records()[0].filePath, WTEXT("C:\\a.txt"));
  EXPECT_EQ(scanner.records()[1].filePath, WTEXT("C:\\b.txt"));
  expectNothingLeftOpen();
}

// Many handles whose path query never returns: each is waited on for the
// limit at most, the threads alive never pass the bound, the scan ends, and
// answers that come late are never written. More hung handles than the
// bound has places: the good files after them may go unnamed, but then the
// scan says it is incomplete.
TEST_F(Resolution, HungPathQueriesStayWithinTheThreadBoundAndTheScanEnds) {
  system.setWaitScale(0.2);
  addFiles(kHolder, 150, true);
  addFiles(kHolder, 3, false, 0x9000);
  HandleScanner scanner(-1, "File");
  ASSERT_EQ(scanner.Run(&cancel), 1);
  const HandleRecords& records = scanner.records();
  ASSERT_EQ(records.size(), 153u);
  for (std::size_t i = 0; i < 150; ++i) EXPECT_EQ(records[i].filePath, WTEXT("")) << i;
  bool goodNamed = true;
  for (std::size_t i = 150; i < 153; ++i) goodNamed = goodNamed && !records[i].filePath.IsEmpty();
  EXPECT_FALSE(goodNamed && !scanner.complete()) << "complete answers name every good file";
  EXPECT_FALSE(scanner.complete()) << "150 hung queries cannot all have had a thread";
  EXPECT_LE(system.maxRunningThreads(), ScanLimitsInForce().maxLiveThreads);
  EXPECT_GE(system.maxRunningThreads(), 20);  // the hung threads were really left running
  system.releaseHangs();
  system.waitForThreads();
  for (std::size_t i = 0; i < 150; ++i) EXPECT_EQ(records[i].filePath, WTEXT("")) << i;
  EXPECT_EQ(records[0].processName, WTEXT("holder.exe"));
  expectNothingLeftOpen();
}

// The user pressing F5 again and again while a few handles hang (a pipe
// with a read pending, a dead network file): hung queries are not asked
// again while they still hang, pipes and character devices are never asked,
// so every search finds the held file, says it is complete, and the threads
// alive stay flat.
TEST_F(Resolution, RepeatedSearchesWithHungHandlesKeepTheirAnswersAndThreads) {
  ScanLimitsInForce().workers = 2;
  constexpr int kHung = 3;
  addFiles(kHolder, kHung, true);
  for (const DWORD type : {FILE_TYPE_PIPE, FILE_TYPE_CHAR}) {
    FakeSystem::Object device{u"File", u"", "\\\\?\\C:\\never.txt"};
    device.pathQueryHangs = true;
    device.fileType = type;
    system.addHandle(kHolder, 0x8000 + type * 4, device);
  }
  system.addHandle(kHolder, 0x9000, {u"File", u"", "\\\\?\\C:\\held.txt"});
  int queriesBefore = 0;
  for (int round = 0; round < 200; ++round) {
    HandleScanner scanner(-1, "File");
    ASSERT_EQ(scanner.Run(&cancel), 1);
    ASSERT_EQ(scanner.records().size(), static_cast<std::size_t>(kHung + 3));
    EXPECT_EQ(scanner.records().back().filePath, WTEXT("C:\\held.txt")) << round;
    EXPECT_TRUE(scanner.complete()) << round;
    // The abandoned queries, and at most the workers with their query threads
    // on their way out.
    EXPECT_LE(LiveResolutionThreads(), kHung + 2 * 2) << round;
    const int queries = system.pathQueries();
    if (round > 0) {
      EXPECT_EQ(queries - queriesBefore, 1) << "only the held file is asked again";
    }
    queriesBefore = queries;
    if (HasFailure()) break;
  }
  expectNothingLeftOpen();
}

TEST_F(Resolution, CancelReturnsAtOnceAndWorkersNeverWriteAfterwards) {
  system.setWaitScale(100);  // a hung query would hold a worker for 10 s
  addFiles(kHolder, 20, true);
  int result = -1;
  {
    HandleScanner scanner(-1, "File");
    std::thread search([&] { result = scanner.Run(&cancel); });
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (system.threadStarts() < 2 * ScanLimitsInForce().workerCount() &&
           std::chrono::steady_clock::now() < limit) {
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    const auto cancelled = std::chrono::steady_clock::now();
    cancel = 1;
    search.join();
    EXPECT_LT(std::chrono::steady_clock::now() - cancelled, std::chrono::seconds(3));
    EXPECT_EQ(result, 1);
    system.releaseHangs();
    system.waitForThreads();
    for (const HandleRecord& record : scanner.records()) EXPECT_EQ(record.filePath, WTEXT(""));

    // The same scanner runs again, with fresh records.
    cancel = 0;
    system.setWaitScale(20);
    EXPECT_EQ(scanner.Run(&cancel), 1);
    ASSERT_EQ(scanner.records().size(), 20u);
    for (std::size_t i = 0; i < 20; ++i) {
      EXPECT_EQ(scanner.records()[i].filePath, WideFromAscii(("C:\\f" + std::to_string(i) + ".txt").c_str()));
    }
  }
  expectNothingLeftOpen();
}

// Loaded modules, with a filter only: those it keeps, of every process that
// can be read, after the handles, each with its owner.
TEST_F(Resolution, ModulesTheFilterKeepsFollowTheHandles) {
  FakeSystem::Process tool{u"tool.exe", "C:\\apps\\tool.exe"};
  tool.modules = {"C:\\apps\\tool.exe", "C:\\libs\\held.dll", "C:\\windows\\ntdll.dll"};
  tool.creationTime = 77;
  system.addProcess(620, tool);
  FakeSystem::Process locked{u"locked.exe", "C:\\locked.exe", false};
  locked.modules = {"C:\\libs\\held.dll"};
  system.addProcess(621, locked);
  FakeSystem::Process own{u"ostrel.exe", "C:\\Tools\\ostrel.exe"};
  own.modules = {"C:\\libs\\held.dll"};
  system.addProcess(FakeSystem::kOwnPid, own);
  addFiles(kHolder, 1);
  const ModuleFilter keep = [](const SharedText& path) { return path.View().find(WTEXT("held")) != WideView::npos; };

  HandleScanner plain(-1, "File");
  ASSERT_EQ(plain.Run(&cancel), 1);
  EXPECT_EQ(1u, plain.records().size()) << "no modules without a filter";

  HandleScanner scanner(-1, "File");
  scanner.SetModuleFilter(keep);
  ASSERT_EQ(scanner.Run(&cancel), 1);
  const HandleRecords& records = scanner.records();
  ASSERT_EQ(2u, records.size());
  EXPECT_FALSE(records[0].loadedModule);
  EXPECT_TRUE(records[1].loadedModule);
  EXPECT_EQ(620u, records[1].ownerPid);
  EXPECT_EQ(0u, records[1].handleValue);
  EXPECT_EQ(records[1].filePath, WTEXT("C:\\libs\\held.dll"));
  EXPECT_EQ(records[1].processName, WTEXT("tool.exe"));
  EXPECT_EQ(records[1].processPath, WTEXT("C:\\apps\\tool.exe"));
  EXPECT_EQ(77u, records[1].ownerCreationTime);
  expectNothingLeftOpen();
}

// A 32-bit scan on 64-bit Windows reads the module lists of 32-bit (WOW64)
// processes only: a 64-bit process's list is not readable from there. A
// 64-bit scan, or one on 32-bit Windows, reads every process's.
TEST_F(Resolution, ModulesOfOtherBitnessAreSkippedUnderWow64) {
  for (const bool ownUnderWow64 : {false, true}) {
    FakeSystem::Process own{u"ostrel.exe", "C:\\Tools\\ostrel.exe"};
    own.underWow64 = ownUnderWow64;
    system.addProcess(FakeSystem::kOwnPid, own);
    FakeSystem::Process native{u"native.exe", "C:\\apps\\native.exe"};
    native.modules = {"C:\\libs\\held.dll"};
    system.addProcess(700, native);
    FakeSystem::Process wow64 = native;
    wow64.imageName = u"wow64.exe";
    wow64.underWow64 = true;
    system.addProcess(701, wow64);
    HandleScanner scanner(-1, "File");
    scanner.SetModuleFilter([](const SharedText& path) { return path.View().find(WTEXT("held")) != WideView::npos; });
    ASSERT_EQ(scanner.Run(&cancel), 1);
    std::vector<uint32_t> owners;
    for (const HandleRecord& record : scanner.records()) owners.push_back(record.ownerPid);
    const std::vector<uint32_t> expected = ownUnderWow64 ? std::vector<uint32_t>{701} : std::vector<uint32_t>{700, 701};
    EXPECT_EQ(expected, owners)
        << "own process under WOW64: " << ownUnderWow64;
  }
}

TEST_F(Resolution, ServicesRuleAppliesOnlyOnVersion4) {
  addFiles(kServices, 2);
  addFiles(kHolder, 1, false, 0x2000);
  OsMajorVersion = 4;
  HandleScanner old(-1, "File");
  EXPECT_EQ(old.Run(&cancel), 1);
  ASSERT_EQ(old.records().size(), 3u);
  EXPECT_EQ(old.records()[0].filePath, WTEXT(""));
  EXPECT_EQ(old.records()[1].filePath, WTEXT(""));
  EXPECT_EQ(old.records()[0].processName, WTEXT("SERVICES.EXE"));
  EXPECT_EQ(old.records()[2].filePath, WTEXT("C:\\f0.txt"));

  OsMajorVersion = 10;
  HandleScanner current(-1, "File");
  current.Run(&cancel);
  EXPECT_EQ(current.records()[0].filePath, WTEXT("C:\\f0.txt"));
  EXPECT_EQ(current.records()[1].filePath, WTEXT("C:\\f1.txt"));
}

// Threads that cannot be started: the others do the work; with none at all
// the scan still ends, its records as they were queued, and says it is
// incomplete.
TEST_F(Resolution, ThreadsThatCannotStartNeverStopTheScan) {
  addFiles(kHolder, 3);
  system.failThreadStart(1);
  HandleScanner some(-1, "File");
  EXPECT_EQ(some.Run(&cancel), 1);
  for (const HandleRecord& record : some.records()) EXPECT_NE(record.filePath, WTEXT(""));
  EXPECT_TRUE(some.complete());

  system.failCreateThread(true);
  HandleScanner none(-1, "File");
  EXPECT_EQ(none.Run(&cancel), 1);
  ASSERT_EQ(none.records().size(), 3u);
  for (const HandleRecord& record : none.records()) EXPECT_EQ(record.filePath, WTEXT(""));
  EXPECT_FALSE(none.complete()) << "records left unnamed for want of threads";
  expectNothingLeftOpen();
}

// Every call that reaches a foreign file object is asked under the path
// query's limit: a handle whose file type query hangs (a synchronous pipe
// with a read pending) or whose path query hangs leaves the search ending on
// time, the held file found and the answer complete; the next search does
// not ask the hung handle again.
TEST(ResolutionHangs, EveryCallOnAForeignFileKeepsTheLimit) {
  const struct {
    const char* what;
    bool fileTypeHangs;
    bool pathQueryHangs;
  } cases[] = {
      {"file type query hangs", true, false},
      {"path query hangs", false, true},
      {"both hang", true, true},
  };
  for (const auto& c : cases) {
    FakeSystem system;
    system.setWaitScale(2);
    CancelByte cancel{0};
    system.addProcess(kHolder, {u"holder.exe", "C:\\Apps\\holder.exe"});
    FakeSystem::Object stuck{u"File", u"", "\\\\?\\C:\\pipe.txt"};
    stuck.fileTypeHangs = c.fileTypeHangs;
    stuck.pathQueryHangs = c.pathQueryHangs;
    system.addHandle(kHolder, 0x40, stuck);
    system.addHandle(kHolder, 0x44, {u"File", u"", "\\\\?\\C:\\held.txt"});
    // Two searches, the second while the first's query is still stuck.
    int results[2] = {0, 0};
    bool held[2] = {false, false};
    bool complete[2] = {false, false};
    int queriesOfSecond = 0;
    EXPECT_TRUE(EndsWhileHangsHold(system, [&] {
      for (int round = 0; round < 2; ++round) {
        const int before = system.pathQueries();
        HandleScanner scanner(-1, "File");
        results[round] = scanner.Run(&cancel);
        held[round] = scanner.records().size() == 2 && scanner.records()[1].filePath == WTEXT("C:\\held.txt");
        complete[round] = scanner.complete();
        queriesOfSecond = system.pathQueries() - before;
      }
    })) << c.what;
    for (int round = 0; round < 2; ++round) {
      EXPECT_EQ(1, results[round]) << c.what;
      EXPECT_TRUE(held[round]) << c.what << ", search " << round;
      EXPECT_TRUE(complete[round]) << c.what << ", search " << round;
    }
    EXPECT_EQ(1, queriesOfSecond) << c.what << ": only the held file is asked again";
    system.waitForThreads();
    EXPECT_EQ(0, system.openedHandles()) << c.what;
    EXPECT_EQ(0, LiveResolutionThreads()) << c.what;
  }
}

// A query still hung from an earlier search hides nothing the holder opens
// later under the same value: the value is asked again when the table
// gives another object's address there. Where the table gives no address
// (Wine), a value is asked again until two queries on it are stuck, so a
// reused value is named and a really hung one costs one thread more, not
// one per search.
TEST(ResolutionHangs, AReusedValueIsAskedAgain) {
  const struct {
    bool addressesShown;
    int queriesPerSearch[3];  // path queries of the first, second and third search
  } cases[] = {
      {true, {2, 1, 1}},   // 0x48 is never asked again while it hangs
      {false, {2, 2, 1}},  // 0x48 once more, then left alone
  };
  for (const auto& c : cases) {
    FakeSystem system;
    system.setObjectAddressesShown(c.addressesShown);
    system.setWaitScale(5);
    ScanLimitsInForce().workers = 2;
    CancelByte cancel{0};
    FakeSystem::Process holder{u"holder.exe", "C:\\Apps\\holder.exe"};
    holder.creationTime = 42;
    system.addProcess(kHolder, holder);
    for (const uint32_t value : {0x44u, 0x48u}) {
      FakeSystem::Object pipe{u"File", u"", "\\\\?\\C:\\other.txt"};
      pipe.pathQueryHangs = true;
      system.addHandle(kHolder, value, pipe);
    }
    int before = 0;
    for (int search = 0; search < 3; ++search) {
      if (search == 1) {
        // The holder closes 0x44 and is given the value again for the target.
        system.addHandle(kHolder, 0x44, {u"File", u"", "\\\\?\\C:\\target.txt"}, 26, 0, 0x120089, false);
      }
      HandleScanner scanner(-1, "File");
      ASSERT_EQ(1, scanner.Run(&cancel));
      ASSERT_EQ(2u, scanner.records().size());
      const WideText expected = search == 0 ? WideText() : WideText(WTEXT("C:\\target.txt"));
      EXPECT_EQ(scanner.records()[0].filePath, expected)
          << "addresses shown " << c.addressesShown << ", search " << search;
      EXPECT_TRUE(scanner.complete());
      EXPECT_EQ(c.queriesPerSearch[search], system.pathQueries() - before)
          << "addresses shown " << c.addressesShown << ", search " << search;
      before = system.pathQueries();
    }
    system.releaseHangs();
    system.waitForThreads();
    EXPECT_EQ(0, LiveResolutionThreads());
  }
}

// A module pass that gets no thread at all reads no process's modules: the
// answer is incomplete, never "not held".
TEST(ResolutionHangs, AModulePassWithoutThreadsIsIncomplete) {
  const struct {
    const char* what;
    bool createThreadFails;
    int maxLiveThreads;
    std::size_t records;
    bool complete;
  } cases[] = {
      {"threads to be had", false, 96, 1, true},
      {"the system gives no thread", true, 96, 0, false},
      {"the bound is taken", false, 0, 0, false},
  };
  for (const auto& c : cases) {
    FakeSystem system;
    CancelByte cancel{0};
    FakeSystem::Process tool{u"tool.exe", "C:\\apps\\tool.exe"};
    tool.modules = {"C:\\libs\\held.dll"};
    system.addProcess(620, tool);
    system.failCreateThread(c.createThreadFails);
    ScanLimitsInForce().maxLiveThreads = c.maxLiveThreads;
    HandleScanner scanner(-1, "File");
    scanner.SetModuleFilter([](const SharedText& path) { return path.View().find(WTEXT("held")) != WideView::npos; });
    ASSERT_EQ(1, scanner.Run(&cancel)) << c.what;
    EXPECT_EQ(c.records, scanner.records().size()) << c.what;
    EXPECT_EQ(c.complete, scanner.complete()) << c.what;
  }
}

}  // namespace

namespace {

// Searches started and cancelled at random points, one after the other,
// while workers of earlier ones still wait on hung queries: every cancel
// returns promptly, every record read afterwards holds its own handle's path
// or nothing (ThreadSanitizer watches old workers and new records), and in
// the end nothing is left open.
TEST(ResolutionRestarts, CancelledSearchesNeverShareTheirRecords) {
  FakeSystem system;
  system.setWaitScale(5);
  system.addProcess(kHolder, {u"holder.exe", "C:\\holder.exe"});
  for (int i = 0; i < 40; ++i) {
    FakeSystem::Object file{u"File", u"", "C:\\f" + std::to_string(i) + ".txt"};
    file.pathQueryHangs = i % 8 == 3;
    system.addHandle(kHolder, 0x1000 + 4 * static_cast<uint32_t>(i), file);
  }
  std::mt19937 random(7);
  HandleScanner scanner(-1, "File");
  for (int round = 0; round < 30; ++round) {
    CancelByte cancel{0};
    std::thread search([&] { scanner.Run(&cancel); });
    std::this_thread::sleep_for(std::chrono::microseconds(random() % 20000));
    const auto raised = std::chrono::steady_clock::now();
    cancel = 1;
    search.join();
    EXPECT_LT(std::chrono::steady_clock::now() - raised, std::chrono::seconds(2)) << round;
    for (const HandleRecord& record : scanner.records()) {
      const std::string own = "C:\\f" + std::to_string((record.handleValue - 0x1000) / 4) + ".txt";
      EXPECT_TRUE(record.filePath.IsEmpty() || record.filePath == WideFromAscii(own.c_str()));
    }
  }
  // A thread gives its place back as the last act of its body and is still
  // counted running by the fake until the body has returned; a new thread
  // may take the place in between. So a few threads that are ending may
  // stand beyond the bound, never more.
  constexpr int kEndingThreads = 2;
  EXPECT_LE(system.maxRunningThreads(), ScanLimitsInForce().maxLiveThreads + kEndingThreads);
  system.releaseHangs();
  system.waitForThreads();
  EXPECT_EQ(system.openedHandles(), 0);
  EXPECT_EQ(system.badCloses(), 0);
  EXPECT_EQ(LiveResolutionThreads(), 0);
}

}  // namespace
