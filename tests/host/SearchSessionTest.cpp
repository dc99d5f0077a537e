// The search session against the fake system: one search at a time by the
// recipe, its end taken on the session's thread, the failures that leave it
// idle, and the batch of closings that holds searches off.

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <new>
#include <string>
#include <system_error>
#include <thread>

#include "fakes/FakeSystem.h"
#include "search/SearchSession.h"
#include "support/WideLiteral.h"
#include "support/RecordedSessionEvents.h"
#include "support/ScopedThreadLauncher.h"

namespace {

constexpr uint32_t kHolder = 700;
constexpr uint32_t kOtherHolder = 800;

HandleRecord heldFile(const WCHAR* path) {
  HandleRecord r;
  r.ownerPid = 8;
  r.handleValue = 0x44;
  r.filePath = SharedText(WideText(path));
  return r;
}

// The system's name of every target: what a final path query answers for
// the target the user wrote in another case, through another spelling.
TargetIdentity heldFileIdentity(const WideText&) { return TargetIdentity{WTEXT("C:\\Data\\Held.txt"), false}; }
TargetIdentity dataFolderIdentity(const WideText&) { return TargetIdentity{WTEXT("C:\\Data"), true}; }

// One process holds the target twice, another once; a third file is held
// beside it.
void holdTheTarget(FakeSystem& system) {
  system.addProcess(kHolder, FakeSystem::Process{u"holder.exe", "C:\\holder.exe"});
  system.addProcess(kOtherHolder, FakeSystem::Process{u"other.exe", "C:\\other.exe"});
  system.addHandle(kHolder, 0x10, {u"File", u"", "\\\\?\\C:\\data\\held.txt"});
  system.addHandle(kHolder, 0x14, {u"File", u"", "\\\\?\\C:\\DATA\\held.txt"});
  system.addHandle(kOtherHolder, 0x10, {u"File", u"", "\\\\?\\C:\\data\\held.txt"});
  system.addHandle(kOtherHolder, 0x18, {u"File", u"", "\\\\?\\C:\\data\\sub\\other.txt"});
}

// Runs one search to its end as the window does: started, its end told on
// the search thread, finished on this one.
SearchSession::Start searchToTheEnd(SearchSession& session, RecordedSessionEvents& events) {
  const int before = events.searchesEnded;
  const SearchSession::Start start = session.startSearch();
  if (start != SearchSession::Start::kStarted) return start;
  events.waitUntil([&] { return events.searchesEnded > before; });
  session.finishSearch();
  return start;
}

std::shared_ptr<std::thread> refuseThread(std::function<void()>) {
  throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
}
std::shared_ptr<std::thread> refuseMemory(std::function<void()>) { throw std::bad_alloc(); }
// A search thread that never runs: the session stays busy until finished.
std::shared_ptr<std::thread> neverRun(std::function<void()>) { return std::make_shared<std::thread>(); }

TEST(SearchSession, ASearchFindsEveryHandleOfTheHoldersUnderTheSystemsNameAndEachUsesANewScanner) {
  FakeSystem system;
  holdTheTarget(system);
  const auto events = std::make_shared<RecordedSessionEvents>();
  SearchSession session(WTEXT("c:\\data\\HELD.TXT"), false, events, &heldFileIdentity);

  ASSERT_EQ(SearchSession::Start::kStarted, searchToTheEnd(session, *events));
  EXPECT_FALSE(session.busy());
  ASSERT_EQ(3u, session.results().size());
  int fromHolder = 0;
  for (const HandleRecord& r : session.results()) fromHolder += r.ownerPid == kHolder ? 1 : 0;
  EXPECT_EQ(2, fromHolder);
  EXPECT_EQ(WTEXT("C:\\Data\\Held.txt"), session.target().matchPath);
  EXPECT_EQ(WTEXT("c:\\data\\HELD.TXT"), session.outcome().targetPath) << "the status names the target as given";
  EXPECT_TRUE(session.outcome().haveResults);
  ASSERT_NE(nullptr, session.scanner());
  EXPECT_STREQ("File", session.scanner()->typeFilter());
  const std::weak_ptr<HandleScanner> first = session.scanner();

  ASSERT_EQ(SearchSession::Start::kStarted, searchToTheEnd(session, *events));
  EXPECT_TRUE(first.expired());
  EXPECT_EQ(3u, session.results().size()) << "the previous results were emptied first";
}

TEST(SearchSession, AFolderTargetHoldsEverythingBelowItAndNoTargetEveryFile) {
  FakeSystem system;
  holdTheTarget(system);
  const auto events = std::make_shared<RecordedSessionEvents>();
  SearchSession folder(WTEXT("C:\\data"), false, events, &dataFolderIdentity);
  ASSERT_EQ(SearchSession::Start::kStarted, searchToTheEnd(folder, *events));
  EXPECT_EQ(4u, folder.results().size());
  EXPECT_TRUE(folder.outcome().targetIsFolder);

  SearchSession everyFile(WideText(), false, events, &heldFileIdentity);
  ASSERT_EQ(SearchSession::Start::kStarted, searchToTheEnd(everyFile, *events));
  EXPECT_EQ(4u, everyFile.results().size());
  EXPECT_TRUE(everyFile.target().matchPath.empty()) << "no target: the identity is not asked";
}

TEST(SearchSession, ASearchAskedForWhileOneRunsIsRefusedAndChangesNothing) {
  FakeSystem system;
  const auto events = std::make_shared<RecordedSessionEvents>();
  SearchSession session(WideText(), false, events, &heldFileIdentity);
  const auto scanner = std::make_shared<HandleScanner>(-1, "File");
  {
    const ScopedThreadLauncher idle(&neverRun);
    ASSERT_EQ(SearchSession::Start::kStarted, session.startSearch());
  }
  session.adoptResults(scanner, {heldFile(WTEXT("C:\\a.txt")), heldFile(WTEXT("C:\\b.txt"))});
  EXPECT_TRUE(session.busy());

  EXPECT_EQ(SearchSession::Start::kSearchRunning, session.startSearch());
  EXPECT_EQ(2u, session.results().size());
  EXPECT_EQ(scanner, session.scanner());
  EXPECT_TRUE(session.busy());
  session.finishSearch();
  EXPECT_FALSE(session.busy());
}

TEST(SearchSession, ASearchThreadThatCannotStartLeavesTheSessionIdleAndALaterSearchWorks) {
  FakeSystem system;
  holdTheTarget(system);
  const auto events = std::make_shared<RecordedSessionEvents>();
  SearchSession session(WideText(), false, events, &heldFileIdentity);
  // No thread, or no memory for it: either way nothing stays reserved.
  for (const auto refusal : {&refuseThread, &refuseMemory}) {
    session.adoptResults(std::make_shared<HandleScanner>(-1, "File"), {heldFile(WTEXT("C:\\a.txt"))});
    {
      const ScopedThreadLauncher refuse(refusal);
      EXPECT_EQ(SearchSession::Start::kFailed, session.startSearch());
    }
    EXPECT_FALSE(session.busy());
    EXPECT_EQ(nullptr, session.scanner()) << "no scanner stands for the emptied results";
    EXPECT_TRUE(session.results().empty());
    EXPECT_EQ(0, events->searchesEnded);
  }

  ASSERT_EQ(SearchSession::Start::kStarted, searchToTheEnd(session, *events));
  ASSERT_NE(nullptr, session.scanner());
  EXPECT_FALSE(session.results().empty()) << "with no target every resolved file is a result";
}

// A search must never outlive the session it serves, never run for a
// target that is no path, and never end the process by a throw.
std::atomic<int> searchesEnded{0};
std::shared_ptr<std::thread> countingThread(std::function<void()> body) {
  return std::make_shared<std::thread>([body = std::move(body)] {
    body();
    ++searchesEnded;
  });
}

TEST(SearchSession, DestructionStopsAndJoinsARunningSearch) {
  FakeSystem system;
  holdTheTarget(system);
  const ScopedThreadLauncher counting(&countingThread);
  searchesEnded = 0;
  const auto events = std::make_shared<RecordedSessionEvents>();
  {
    SearchSession session(WTEXT("C:\\nothing-holds-this.txt"), false, events, &heldFileIdentity);
    ASSERT_EQ(SearchSession::Start::kStarted, session.startSearch());
  }
  EXPECT_EQ(1, searchesEnded.load()) << "the search ended within the destruction";
}

TEST(SearchSession, ATargetThatIsNoPathStartsNoSearchAndFails) {
  FakeSystem system;
  const auto events = std::make_shared<RecordedSessionEvents>();
  SearchSession session(WideText(), true, events, &heldFileIdentity);
  session.adoptResults(std::make_shared<HandleScanner>(-1, "File"), {heldFile(WTEXT("C:\\a.txt"))});
  EXPECT_EQ(SearchSession::Start::kFailed, session.startSearch());
  EXPECT_EQ(nullptr, session.scanner()) << "no scanner: the list says 查找失败";
  EXPECT_TRUE(session.results().empty());
  EXPECT_FALSE(session.busy());
  EXPECT_FALSE(session.outcome().haveRecords);
}

TEST(SearchSession, ASearchThatThrowsEndsAsFailedWithBusyCleared) {
  FakeSystem system;
  system.setInformationScript([](ULONG, void*, ULONG, ULONG*, NTSTATUS&) -> bool { throw std::bad_alloc(); });
  const auto events = std::make_shared<RecordedSessionEvents>();
  SearchSession session(WideText(), false, events, &heldFileIdentity);
  ASSERT_EQ(SearchSession::Start::kStarted, searchToTheEnd(session, *events));
  EXPECT_FALSE(session.busy());
  EXPECT_EQ(nullptr, session.scanner());
  EXPECT_TRUE(session.results().empty());
}

// Closing many handles, some of whose closings hang: the call is back at
// once, no search starts meanwhile, and the end is told once and taken once
// with the tally. The end is kept by the session, so it is found even when
// the word that tells it never arrives.
TEST(SearchSession, ABatchOfClosingsHoldsOffSearchesAndEndsOnceWithItsTally) {
  FakeSystem system;
  FakeSystem::Process holder{u"holder.exe", "C:\\holder.exe"};
  holder.creationTime = 1234;
  system.addProcess(kHolder, holder);
  std::vector<HeldHandle> handles;
  for (int i = 0; i < 120; ++i) {
    FakeSystem::Object file{u"File", u"", "\\\\?\\C:\\data\\held.txt"};
    file.pathQueryHangs = i % 10 == 3;
    const uint32_t value = 0x1000 + 4 * static_cast<uint32_t>(i);
    system.addHandle(kHolder, value, file);
    handles.push_back(HeldHandle{kHolder, 1234, value, SharedText(WideText(WTEXT("C:\\data\\held.txt")))});
  }
  const auto events = std::make_shared<RecordedSessionEvents>();
  SearchSession session(WideText(), false, events, &heldFileIdentity);
  ASSERT_TRUE(session.startClosing(handles));
  EXPECT_TRUE(session.closing()) << "the hung closings are waited on elsewhere";
  EXPECT_EQ(SearchSession::Start::kClosingRunning, session.startSearch()) << "the box says 正在关闭";
  EXPECT_FALSE(session.busy());
  EXPECT_FALSE(session.takeClosingEnd().has_value()) << "no end while closings hang";

  system.releaseHangs();
  // Every closing thread done, whatever became of the word it sent.
  system.waitForThreads();
  EXPECT_TRUE(session.closing()) << "until the end is taken on the session's thread";
  const std::optional<CloseTally> tally = session.takeClosingEnd();
  ASSERT_TRUE(tally.has_value());
  EXPECT_FALSE(session.closing());
  EXPECT_FALSE(session.takeClosingEnd().has_value()) << "an end is taken once";
  EXPECT_EQ(120, tally->tried);
  EXPECT_EQ(1, events->closingsEnded);
  EXPECT_EQ(120, events->lastTotal);
  int stillHeld = 0;
  for (std::size_t i = 0; i < handles.size(); ++i) {
    if (!system.holds(kHolder, handles[i].handleValue)) continue;
    ++stillHeld;
    EXPECT_EQ(3u, i % 10) << "only a hung closing may fail";
  }
  EXPECT_EQ(stillHeld, tally->failed);
  ASSERT_EQ(SearchSession::Start::kStarted, searchToTheEnd(session, *events)) << "searches start again";
}

// The closings that free a file are a batch like any other: no search
// meanwhile, the end kept and taken once, but as the freeing's report (with
// whose handles stayed), never as a plain batch's tally.
TEST(SearchSession, AFreeingsClosingsAreABatchWhoseReportIsTakenOnce) {
  FakeSystem system;
  FakeSystem::Process holder{u"holder.exe", "C:\\holder.exe"};
  holder.creationTime = 1234;
  system.addProcess(kHolder, holder);
  std::vector<HandleRecord> rows;
  for (int i = 0; i < 6; ++i) {
    FakeSystem::Object file{u"File", u"", "\\\\?\\C:\\data\\held.txt"};
    file.pathQueryHangs = i == 2;
    const uint32_t value = 0x2000 + 4 * static_cast<uint32_t>(i);
    system.addHandle(kHolder, value, file);
    HandleRecord row;
    row.ownerPid = kHolder;
    row.ownerCreationTime = 1234;
    row.handleValue = value;
    row.filePath = SharedText(WideText(WTEXT("C:\\data\\held.txt")));
    row.processName = SharedText(WideText(WTEXT("holder.exe")));
    rows.push_back(row);
  }
  const ReleasePlan plan = PlanRelease(rows, WTEXT("C:\\data\\held.txt"), [](const HandleRecord&) { return true; });
  const auto events = std::make_shared<RecordedSessionEvents>();
  SearchSession session(WideText(), false, events, &heldFileIdentity);
  ASSERT_TRUE(session.startReleaseClosing(plan));
  EXPECT_TRUE(session.closing());
  EXPECT_EQ(SearchSession::Start::kClosingRunning, session.startSearch());
  EXPECT_FALSE(session.takeReleaseEnd().has_value()) << "no end while a closing hangs";

  system.releaseHangs();
  system.waitForThreads();
  EXPECT_FALSE(session.takeClosingEnd().has_value()) << "a freeing's end is not a plain batch's";
  const std::optional<ClosingReport> report = session.takeReleaseEnd();
  ASSERT_TRUE(report.has_value());
  EXPECT_FALSE(session.closing());
  EXPECT_FALSE(session.takeReleaseEnd().has_value()) << "an end is taken once";
  EXPECT_EQ(1, events->closingsEnded);
  EXPECT_EQ(6, events->lastTotal);
  EXPECT_EQ(6, report->tally.tried);
  ASSERT_EQ(1u, report->programs.size());
  EXPECT_EQ(report->tally.failed, report->programs[0].notClosed);
  int stillHeld = 0;
  for (const HandleRecord& row : rows) stillHeld += system.holds(kHolder, row.handleValue) ? 1 : 0;
  EXPECT_EQ(stillHeld, report->tally.failed);
  ASSERT_EQ(SearchSession::Start::kStarted, searchToTheEnd(session, *events)) << "searches start again";
}

}  // namespace
