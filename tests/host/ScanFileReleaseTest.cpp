// Freeing a file and acting on it, through the fake system: a refused name
// or destination closes nothing; the one file operation comes after the
// last closing; the question's counts; a handle reused at the closing
// moment and a file held as a module keep it held and say by whom; a failed
// recycle offers the next start, which itself closes nothing.
#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "fakes/FakeSystem.h"
#include "support/HeldFileModel.h"
#include "act/FileRelease.h"
#include "search/PathComparison.h"

namespace {

using namespace held_file;
const char16_t* const kHeldPath = u"C:\\data\\held.txt";
const PathRules kRules{PathsEqualIgnoringCase, PathIsInFolder};
// FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI
const std::string kRecycleFlags = "454";

HandleRecord row(uint32_t pid, uint32_t value, const WCHAR* path, const WCHAR* process, bool module = false) {
  return Row(pid, value, path, process, module);
}

RowCovers covering(const WCHAR* path) {
  const WideText wanted(path);
  return [wanted](const HandleRecord& record) { return PathsEqualIgnoringCase(record.filePath, wanted); };
}

std::vector<std::string> closes(const std::vector<std::string>& events) {
  std::vector<std::string> found;
  for (const std::string& event : events) {
    if (event.rfind("close ", 0) == 0) found.push_back(event);
  }
  return found;
}

// Three programs and a file: the editor holds it twice, the backup once
// (and another file), the player (when a test adds its row) as a module.
// The model refuses to move or delete the file while any of the three
// handles is open.
std::vector<HandleRecord> model(FakeSystem& system) {
  AddHolders(system);
  system.addHandle(kBackup, 0x14, {u"File", u"", "\\\\?\\C:\\data\\other.txt"});
  system.addPath(u"C:\\", true);
  system.addPath(u"C:\\data", true);
  system.addPath(kHeldPath);
  system.addPath(u"C:\\data\\other.txt");
  system.addPath(u"D:\\", true);
  system.addPath(u"D:\\archive", true);
  system.lockPath(kHeldPath, kEditor, 0x44);
  system.lockPath(kHeldPath, kEditor, 0x48);
  system.lockPath(kHeldPath, kBackup, 0x10);
  return {row(kEditor, 0x44, kHeld, WTEXT("editor.exe")),
          row(kBackup, 0x14, WTEXT("C:\\data\\other.txt"), WTEXT("backup.exe")),
          row(kEditor, 0x48, kHeld, WTEXT("editor.exe")),
          row(kBackup, 0x10, kHeld, WTEXT("backup.exe")),
          row(kEditor, 0x44, kHeld, WTEXT("editor.exe"))};  // listed twice, closed once
}

// Replaces the backup's handle 0x10 by another object at the third look
// (the backup's batch comes after the editor's two handles): the closing
// then brings over an object that is not the file.
void reuseBackupHandleAtItsClosing(FakeSystem& system, std::atomic<int>& looks) {
  system.setPathQueryHook([&system, &looks] {
    if (++looks == 3) {
      system.addHandle(kBackup, 0x10, {u"File", u"", "\\\\?\\C:\\data\\elsewhere.txt"}, 26, 0, 0x120089, false);
    }
  });
}

class FileReleaseTest : public ::testing::Test {
 protected:
  FakeSystem system;
  std::vector<HandleRecord> rows;
  std::atomic<int> looks{0};

  void SetUp() override { rows = model(system); }
  ReleasePlan plan() { return PlanRelease(rows, kHeld, covering(kHeld)); }
  void expectNothingClosed() {
    EXPECT_TRUE(closes(system.fileEvents()).empty());
    EXPECT_TRUE(system.holds(kEditor, 0x44));
    EXPECT_TRUE(system.holds(kEditor, 0x48));
    EXPECT_TRUE(system.holds(kBackup, 0x10));
  }
  void TearDown() override {
    system.setPathQueryHook(nullptr);
    system.waitForThreads();
    EXPECT_EQ(0, system.openedHandles());
    EXPECT_EQ(0, system.badCloses());
  }
};

TEST_F(FileReleaseTest, ThePlanCountsHandlesAndProgramsAndNamesModuleHolders) {
  rows.push_back(row(kPlayer, 0, kHeld, WTEXT("player.exe"), true));
  const ReleasePlan held = plan();
  EXPECT_TRUE(held.exists);
  EXPECT_FALSE(held.folder);
  EXPECT_EQ(3, held.HandleCount());  // not the other file's, not the double
  EXPECT_EQ(2, held.ClosingProgramCount());
  ASSERT_EQ(3u, held.programs.size());
  EXPECT_EQ(2, held.programs[0].handles);
  EXPECT_EQ(1, held.programs[1].handles);
  EXPECT_EQ(0, held.programs[2].handles);
  ASSERT_EQ(1u, held.ModuleHolders().size());
  EXPECT_TRUE(held.ModuleHolders()[0] == WTEXT("player.exe"));
  EXPECT_TRUE(PlanRelease(rows, WTEXT("C:\\data"), [](const HandleRecord&) { return true; }).folder);
}

// A holder whose handles cannot be read has nothing to close and keeps the
// file held; each remote user's opens are closed at the server, one holder
// a user, and never ended as a process.
TEST_F(FileReleaseTest, UnreadableHoldersAndRemoteUsersInThePlan) {
  rows.clear();
  HandleRecord shielded = row(kPlayer, 0, kHeld, WTEXT("scanner.exe"));
  shielded.kind = HolderKind::kUnreadable;
  rows.push_back(shielded);
  for (const uint32_t id : {7u, 8u, 7u}) {
    HandleRecord open = row(0, id, kHeld, WTEXT("lin"));
    open.ownerCreationTime = 0;
    open.kind = HolderKind::kRemote;
    rows.push_back(open);
  }
  HandleRecord other = row(0, 9, kHeld, WTEXT("wang"));
  other.ownerCreationTime = 0;
  other.kind = HolderKind::kRemote;
  rows.push_back(other);
  const ReleasePlan held = plan();
  EXPECT_EQ(3, held.HandleCount());  // 7, 8 and 9; the repeated 7 once
  ASSERT_EQ(3u, held.programs.size());
  EXPECT_TRUE(held.programs[0].unreadable);
  EXPECT_EQ(0, held.programs[0].handles);
  EXPECT_EQ(2, held.programs[1].handles);
  EXPECT_TRUE(held.programs[2].remote);
  for (const HeldHandle& handle : held.handles) EXPECT_EQ(HolderKind::kRemote, handle.kind);
  ASSERT_EQ(1u, held.UnreadableHolders().size());
  const std::vector<EndedProgram> ended = EndHoldingPrograms(held);
  ASSERT_EQ(1u, ended.size());
  EXPECT_EQ(kPlayer, ended[0].processId);
  const ReleaseResult result = ApplyFileAction(held, FileActionRequest{FileAction::kRecycle, WideText(), WideText()}, ClosingReport{}, kRules);
  EXPECT_NE(ReleaseOutcome::kDone, result.outcome);
  EXPECT_TRUE(result.offerNextStart);
}

// Every refusal is decided before anything is closed, and nothing is moved.
TEST_F(FileReleaseTest, ARefusedNameOrDestinationClosesNothing) {
  system.addPath(u"D:\\archive\\held.txt");
  system.addPath(u"C:\\data\\sub", true);
  const struct {
    FileAction action;
    const WCHAR* name;
    const WCHAR* destination;
    ReleaseOutcome refusal;
  } cases[] = {
      {FileAction::kRename, WTEXT(""), WTEXT(""), ReleaseOutcome::kNameEmpty},
      {FileAction::kRename, WTEXT("a|b.txt"), WTEXT(""), ReleaseOutcome::kNameForbiddenCharacter},
      {FileAction::kRename, WTEXT("..\\up.txt"), WTEXT(""), ReleaseOutcome::kNameForbiddenCharacter},
      {FileAction::kRename, WTEXT("com1.txt"), WTEXT(""), ReleaseOutcome::kNameReserved},
      {FileAction::kRename, WTEXT("held.txt."), WTEXT(""), ReleaseOutcome::kNameTrailingDotOrSpace},
      {FileAction::kRename, WTEXT("OTHER.TXT"), WTEXT(""), ReleaseOutcome::kNameExists},
      {FileAction::kRename, WTEXT("held.txt"), WTEXT(""), ReleaseOutcome::kNameExists},
      {FileAction::kMove, WTEXT(""), WTEXT("D:\\archive"), ReleaseOutcome::kNameExists},
      {FileAction::kMove, WTEXT(""), WTEXT("D:\\missing"), ReleaseOutcome::kDestinationMissing},
      {FileAction::kMove, WTEXT(""), WTEXT("C:\\data\\other.txt"), ReleaseOutcome::kDestinationMissing},
  };
  for (const auto& c : cases) {
    const FileActionRequest request{c.action, c.name, c.destination};
    const ReleaseResult result = ReleaseFile(plan(), request, kRules);
    EXPECT_EQ(c.refusal, result.outcome) << "entry " << (&c - cases);
    EXPECT_EQ(0, result.closings.tried);
  }
  expectNothingClosed();
  EXPECT_TRUE(system.fileEvents().empty());
  EXPECT_TRUE(system.pathExists(kHeldPath));
}

// The operation succeeds only because it runs after the closings: the
// model refuses to move a file while a handle that locks it is open.
TEST(FileRelease, EachOperationRunsOnlyAfterTheLastClosing) {
  const struct {
    FileActionRequest request;
    std::string event;
    const char16_t* after;
  } cases[] = {
      {{FileAction::kRecycle, WTEXT(""), WTEXT("")}, "recycle C:\\data\\held.txt " + kRecycleFlags, nullptr},
      {{FileAction::kRename, WTEXT("renamed.txt"), WTEXT("")}, "move C:\\data\\held.txt -> C:\\data\\renamed.txt 0",
       u"C:\\data\\renamed.txt"},
      {{FileAction::kRename, WTEXT("HELD.txt"), WTEXT("")}, "move C:\\data\\held.txt -> C:\\data\\HELD.txt 0",
       u"C:\\data\\HELD.txt"},
      {{FileAction::kMove, WTEXT(""), WTEXT("C:\\")}, "move C:\\data\\held.txt -> C:\\held.txt a", u"C:\\held.txt"},
      {{FileAction::kMove, WTEXT(""), WTEXT("D:\\archive")},
       "move C:\\data\\held.txt -> D:\\archive\\held.txt a", u"D:\\archive\\held.txt"},
  };
  for (const auto& c : cases) {
    FakeSystem fresh;  // one system per case: the first would have moved the file away
    const std::vector<HandleRecord> rows = model(fresh);
    const ReleaseResult result = ReleaseFile(PlanRelease(rows, kHeld, covering(kHeld)), c.request, kRules);
    EXPECT_EQ(ReleaseOutcome::kDone, result.outcome) << c.event;
    EXPECT_EQ(3, result.closings.tried);
    EXPECT_EQ(0, result.closings.failed);
    EXPECT_TRUE(result.stillHeldBy.empty());
    EXPECT_FALSE(result.offerNextStart);
    const std::vector<std::string> events = fresh.fileEvents();
    ASSERT_EQ(4u, events.size()) << c.event;
    EXPECT_EQ(3u, closes(events).size());
    EXPECT_EQ(c.event, events.back());
    if (c.after != nullptr) {
      EXPECT_TRUE(fresh.pathExists(c.after)) << c.event;
      EXPECT_EQ(WideText(reinterpret_cast<const WCHAR*>(c.after)), result.newPath);
    }
    EXPECT_EQ(c.request.action == FileAction::kRename && c.request.newName == WTEXT("HELD.txt"),
              fresh.pathExists(kHeldPath));
    fresh.waitForThreads();
    EXPECT_EQ(0, fresh.openedHandles());
  }
}

// The backup puts another object under its value as it is closed, and has
// meanwhile opened the file again under a value the search never saw: that
// closing is not counted, the file stays held, and the result names the
// program whose handle stayed.
TEST_F(FileReleaseTest, AHandleReusedAtTheClosingMomentIsNotCountedAndItsHolderNamed) {
  reuseBackupHandleAtItsClosing(system, looks);
  system.addHandle(kBackup, 0x20, {u"File", u"", "\\\\?\\C:\\data\\held.txt"}, 26, 0, 0x120089, false);
  system.lockPath(kHeldPath, kBackup, 0x20);
  const ReleaseResult result = ReleaseFile(plan(), {FileAction::kRename, WTEXT("new.txt"), WTEXT("")}, kRules);
  EXPECT_EQ(ReleaseOutcome::kStillHeld, result.outcome);
  EXPECT_EQ(ERROR_SHARING_VIOLATION, static_cast<long>(result.systemError));
  EXPECT_EQ(3, result.closings.tried);
  EXPECT_EQ(1, result.closings.changed);
  EXPECT_EQ(1, result.closings.failed);
  ASSERT_EQ(1u, result.stillHeldBy.size());
  EXPECT_TRUE(result.stillHeldBy[0] == WTEXT("backup.exe"));
  EXPECT_FALSE(result.offerNextStart);  // a rename of a file no module holds
  EXPECT_TRUE(system.pathExists(kHeldPath));
}

// A module cannot be closed: the operation fails, the module's program is
// named, and the next start is offered; the other holders' handles were
// still closed before the attempt.
TEST(FileRelease, AModuleHolderKeepsItHeldAndTheNextStartIsOffered) {
  for (const FileAction action : {FileAction::kRecycle, FileAction::kRename}) {
    FakeSystem system;
    std::vector<HandleRecord> rows = model(system);
    rows.push_back(row(kPlayer, 0, kHeld, WTEXT("player.exe"), true));
    system.stickPath(kHeldPath, ERROR_ACCESS_DENIED);
    const ReleasePlan plan = PlanRelease(rows, kHeld, covering(kHeld));
    const ReleaseResult result = ReleaseFile(plan, {action, WTEXT("new.txt"), WTEXT("")}, kRules);
    EXPECT_EQ(ReleaseOutcome::kAccessDenied, result.outcome);
    EXPECT_EQ(0, result.closings.failed);
    ASSERT_EQ(1u, result.stillHeldBy.size());
    EXPECT_TRUE(result.stillHeldBy[0] == WTEXT("player.exe"));
    EXPECT_TRUE(result.offerNextStart);
    EXPECT_FALSE(system.holds(kEditor, 0x44));
    EXPECT_TRUE(system.pathExists(kHeldPath));
    system.waitForThreads();
  }
}

TEST_F(FileReleaseTest, AFailedRecycleOffersTheNextStart) {
  const struct {
    int code;
    ReleaseOutcome outcome;
  } cases[] = {{0x78, ReleaseOutcome::kAccessDenied}, {ERROR_SHARING_VIOLATION, ReleaseOutcome::kStillHeld},
               {0x402, ReleaseOutcome::kFailed}};
  for (const auto& c : cases) {
    system.setRecycleCode(c.code);
    const ReleaseResult result = ReleaseFile(plan(), {FileAction::kRecycle, WTEXT(""), WTEXT("")}, kRules);
    EXPECT_EQ(c.outcome, result.outcome);
    EXPECT_EQ(static_cast<DWORD>(c.code), result.systemError);
    EXPECT_TRUE(result.offerNextStart);
    EXPECT_TRUE(system.pathExists(kHeldPath));
  }
}

// Nothing is closed for the next start; the system records the path.
TEST_F(FileReleaseTest, TheNextStartClosesNothingAndAsksTheSystem) {
  const ReleaseResult result = ReleaseFile(plan(), {FileAction::kDeleteAtNextStart, WTEXT(""), WTEXT("")}, kRules);
  EXPECT_EQ(ReleaseOutcome::kDone, result.outcome);
  EXPECT_EQ(std::vector<std::string>{"next-start C:\\data\\held.txt"}, system.fileEvents());
  expectNothingClosed();
  // A file gone since the search.
  const ReleasePlan gone = PlanRelease({}, WTEXT("C:\\gone.txt"), covering(WTEXT("C:\\gone.txt")));
  EXPECT_FALSE(gone.exists);
  for (const FileAction action : {FileAction::kDeleteAtNextStart, FileAction::kRecycle}) {
    const ReleaseResult result = ReleaseFile(gone, {action, WTEXT(""), WTEXT("")}, kRules);
    EXPECT_EQ(ReleaseOutcome::kGone, result.outcome);
    EXPECT_FALSE(result.offerNextStart);
  }
}

TEST_F(FileReleaseTest, AFolderMovesWithinItsVolumeOnly) {
  system.addPath(u"C:\\data\\sub", true);
  system.addPath(u"C:\\elsewhere", true);
  const ReleasePlan folder = PlanRelease(rows, WTEXT("C:\\data"), [](const HandleRecord& record) {
    return PathIsInFolder(record.filePath, WTEXT("C:\\data"));
  });
  EXPECT_EQ(4, folder.HandleCount());
  EXPECT_EQ(ReleaseOutcome::kFolderAcrossVolumes,
            ReleaseFile(folder, {FileAction::kMove, WTEXT(""), WTEXT("D:\\archive")}, kRules).outcome);
  EXPECT_EQ(ReleaseOutcome::kDestinationInside,
            ReleaseFile(folder, {FileAction::kMove, WTEXT(""), WTEXT("C:\\data\\sub")}, kRules).outcome);
  expectNothingClosed();
  const ReleaseResult moved = ReleaseFile(folder, {FileAction::kMove, WTEXT(""), WTEXT("C:\\elsewhere")}, kRules);
  EXPECT_EQ(ReleaseOutcome::kDone, moved.outcome);
  EXPECT_EQ(4, moved.closings.tried);
  EXPECT_TRUE(system.pathExists(u"C:\\elsewhere\\data\\held.txt"));
  EXPECT_FALSE(system.pathExists(kHeldPath));
  EXPECT_EQ("move C:\\data -> C:\\elsewhere\\data 0", system.fileEvents().back());
}

// Across volumes the system copies and then deletes; a delete that fails
// leaves the original where it was, and that is said, not called a move.
TEST_F(FileReleaseTest, ACopyWhoseOriginalStaysIsNotCalledAMove) {
  system.keepOriginalOnCopy(true);
  const ReleaseResult result = ReleaseFile(plan(), {FileAction::kMove, WTEXT(""), WTEXT("D:\\archive")}, kRules);
  EXPECT_EQ(ReleaseOutcome::kCopiedOriginalKept, result.outcome);
  EXPECT_TRUE(system.pathExists(kHeldPath));
  EXPECT_TRUE(system.pathExists(u"D:\\archive\\held.txt"));
}

// The closings off the caller's thread: progress over the whole plan,
// one report after the last, each program's handles that stayed.
TEST_F(FileReleaseTest, TheClosingsReportProgressOverThePlanAndWhoseHandlesStayed) {
  reuseBackupHandleAtItsClosing(system, looks);
  std::mutex lock;
  std::condition_variable changed;
  std::vector<std::pair<int, int>> progress;
  std::vector<ClosingReport> reports;
  ASSERT_TRUE(StartReleaseClosings(
      plan(), PathsEqualIgnoringCase,
      [&](int done, int total) {
        const std::lock_guard<std::mutex> guard(lock);
        progress.emplace_back(done, total);
      },
      [&](const ClosingReport& report) {
        const std::lock_guard<std::mutex> guard(lock);
        reports.push_back(report);
        changed.notify_all();
      },
      600000));
  std::unique_lock<std::mutex> guard(lock);
  changed.wait(guard, [&] { return !reports.empty(); });
  const ClosingReport& report = reports[0];
  EXPECT_EQ(3, report.tally.tried);
  EXPECT_EQ(1, report.tally.failed);
  EXPECT_EQ(1, report.tally.changed);
  ASSERT_EQ(2u, report.programs.size());
  EXPECT_EQ(0, report.programs[0].notClosed);
  EXPECT_EQ(1, report.programs[1].notClosed);
  ASSERT_EQ(3u, progress.size());
  EXPECT_EQ(std::make_pair(3, 3), progress.back());
  EXPECT_EQ(1u, reports.size());
}

TEST_F(FileReleaseTest, EndingEveryHolderLeavesACriticalOneAlone) {
  FakeSystem::Process critical{u"csrss.exe", "C:\\Windows\\csrss.exe"};
  critical.creationTime = kStarted;
  critical.critical = true;
  system.addProcess(kPlayer, critical);
  rows.push_back(row(kPlayer, 0, kHeld, WTEXT("csrss.exe"), true));
  const std::vector<EndedProgram> ended = EndHoldingPrograms(plan());
  ASSERT_EQ(3u, ended.size());
  EXPECT_EQ(EndResult::kEnded, ended[0].result);
  EXPECT_EQ(EndResult::kEnded, ended[1].result);
  EXPECT_EQ(EndResult::kCritical, ended[2].result);
  EXPECT_TRUE(ended[2].name == WTEXT("csrss.exe"));
  EXPECT_EQ(0u, system.exitCodeOf(kEditor));
  EXPECT_EQ(STILL_ACTIVE, system.exitCodeOf(kPlayer));
}

}  // namespace
