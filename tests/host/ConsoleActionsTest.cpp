// The console program's --close and --end through the fake system: nothing
// is done without a yes (no --yes and standard input no console: not even
// asked), the question's counts, each outcome one line, module rows
// reported and never closed.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/ConsoleActions.h"
#include "fakes/FakeSystem.h"
#include "search/PathComparison.h"
#include "support/HeldFileModel.h"

namespace {

using namespace held_file;

class ScriptedQuestion : public ConsoleQuestion {
 public:
  ScriptedQuestion(bool interactive, bool answer) : interactive_(interactive), answer_(answer) {}
  bool Interactive() const override { return interactive_; }
  bool Ask(const WideText& question) override {
    asked.push_back(question);
    return answer_;
  }
  std::vector<WideText> asked;

 private:
  bool interactive_;
  bool answer_;
};

HandleRecord row(uint32_t pid, uint32_t value, const WCHAR* process, bool module = false) {
  return Row(pid, value, kHeld, process, module);
}

class ConsoleActionsTest : public ::testing::Test {
 protected:
  FakeSystem system;
  std::vector<HandleRecord> holders{row(kEditor, 0x44, WTEXT("editor.exe")), row(kEditor, 0x48, WTEXT("editor.exe")),
                                    row(kBackup, 0x10, WTEXT("backup.exe")),
                                    row(kPlayer, 0, WTEXT("player.exe"), true)};
  std::vector<WideText> lines;

  void SetUp() override { AddHolders(system); }
  void TearDown() override {
    system.waitForThreads();
    EXPECT_EQ(0, system.openedHandles());
  }
  ActionVerdict run(ConsoleRequest request, ConsoleQuestion& question) {
    request.hasPath = true;
    request.path = kHeld;
    return RunConsoleAction(request, kHeld, holders, question, [this](const WideText& line) { lines.push_back(line); },
                            PathsEqualIgnoringCase);
  }
  bool nothingDone() const {
    return system.holds(kEditor, 0x44) && system.holds(kEditor, 0x48) && system.holds(kBackup, 0x10) &&
           system.exitCodeOf(kEditor) == STILL_ACTIVE && system.exitCodeOf(kPlayer) == STILL_ACTIVE;
  }
};

TEST_F(ConsoleActionsTest, NothingIsDoneWithoutAYes) {
  const struct {
    bool close;
    bool interactive;
    bool answer;
    const WCHAR* question;  // asked, or null
    const WCHAR* line;
  } cases[] = {
      // A pipe or a file on standard input: not asked, nothing done.
      {true, false, true, nullptr, WTEXT("standard input is not a console, so nothing was asked and nothing done; "
                                         "add --yes to act without asking")},
      {false, false, true, nullptr, WTEXT("standard input is not a console, so nothing was asked and nothing done; "
                                          "add --yes to act without asking")},
      // Asked on the console and answered no.
      {true, true, false, WTEXT("Close 3 handles in 2 processes? [y/N] "), WTEXT("nothing done")},
      {false, true, false, WTEXT("End 3 processes? [y/N] "), WTEXT("nothing done")},
  };
  for (const auto& c : cases) {
    lines.clear();
    ScriptedQuestion question(c.interactive, c.answer);
    ConsoleRequest request;
    request.close = c.close;
    request.end = !c.close;
    EXPECT_EQ(ActionVerdict::kRefused, run(request, question));
    ASSERT_EQ(c.question != nullptr ? 1u : 0u, question.asked.size());
    if (c.question != nullptr) {
      EXPECT_EQ(WideText(c.question), question.asked[0]);
    }
    EXPECT_EQ(std::vector<WideText>{c.line}, lines);
    EXPECT_TRUE(nothingDone());
  }
}

TEST_F(ConsoleActionsTest, CloseClosesEveryListedHandleAndReportsTheModule) {
  system.setPathQueryHook(nullptr);
  ScriptedQuestion question(true, true);
  ConsoleRequest request;
  request.close = true;
  EXPECT_EQ(ActionVerdict::kActed, run(request, question));
  EXPECT_EQ(std::vector<WideText>{WTEXT("Close 3 handles in 2 processes? [y/N] ")}, question.asked);
  EXPECT_FALSE(system.holds(kEditor, 0x44));
  EXPECT_FALSE(system.holds(kEditor, 0x48));
  EXPECT_FALSE(system.holds(kBackup, 0x10));
  EXPECT_EQ(STILL_ACTIVE, system.exitCodeOf(kEditor));
  const std::vector<WideText> expected{WTEXT("closed 2 handles in editor.exe (PID 700)"),
                                       WTEXT("closed 1 handle in backup.exe (PID 701)"),
                                       WTEXT("player.exe (PID 702) has it loaded as a module, which cannot be closed")};
  EXPECT_EQ(expected, lines);
}

// --yes answers without asking; a closing that fails is said with its count.
TEST_F(ConsoleActionsTest, YesActsWithoutAskingAndAFailureIsCounted) {
  holders.push_back(row(kBackup, 0x99, WTEXT("backup.exe")));  // closed already by the backup itself
  ScriptedQuestion question(false, false);
  ConsoleRequest request;
  request.close = true;
  request.yes = true;
  EXPECT_EQ(ActionVerdict::kActed, run(request, question));
  EXPECT_TRUE(question.asked.empty());
  ASSERT_EQ(3u, lines.size());
  EXPECT_EQ(WideText(WTEXT("could not close 1 of 2 handles in backup.exe (PID 701)")), lines[1]);
}

TEST_F(ConsoleActionsTest, EndEndsEveryHolderButACriticalOne) {
  FakeSystem::Process critical{u"csrss.exe", "C:\\Windows\\csrss.exe"};
  critical.creationTime = kStarted;
  critical.critical = true;
  system.addProcess(kPlayer, critical);
  ScriptedQuestion question(false, false);
  ConsoleRequest request;
  request.end = true;
  request.yes = true;
  EXPECT_EQ(ActionVerdict::kActed, run(request, question));
  const std::vector<WideText> expected{WTEXT("ended editor.exe (PID 700)"), WTEXT("ended backup.exe (PID 701)"),
                                       WTEXT("left player.exe (PID 702) running: a critical system process")};
  EXPECT_EQ(expected, lines);
  EXPECT_EQ(0u, system.exitCodeOf(kEditor));
  EXPECT_EQ(STILL_ACTIVE, system.exitCodeOf(kPlayer));
}

// Only modules, or nobody: nothing to ask about.
TEST_F(ConsoleActionsTest, NothingToCloseAsksNothing) {
  holders = {row(kPlayer, 0, WTEXT("player.exe"), true)};
  ScriptedQuestion question(true, true);
  ConsoleRequest request;
  request.close = true;
  EXPECT_EQ(ActionVerdict::kNothingToDo, run(request, question));
  EXPECT_EQ(1u, lines.size());
  holders.clear();
  request.close = false;
  request.end = true;
  EXPECT_EQ(ActionVerdict::kNothingToDo, run(request, question));
  EXPECT_TRUE(question.asked.empty());
  EXPECT_EQ(ActionVerdict::kNoAction, run(ConsoleRequest(), question));
}

TEST(ConsoleQuestions, CountsTakeTheirNumber) {
  EXPECT_EQ(WideText(WTEXT("Close 1 handle in 1 process? [y/N] ")), CloseQuestion(1, 1));
  EXPECT_EQ(WideText(WTEXT("Close 12 handles in 3 processes? [y/N] ")), CloseQuestion(12, 3));
  EXPECT_EQ(WideText(WTEXT("End 1 process? [y/N] ")), EndQuestion(1));
}

}  // namespace
