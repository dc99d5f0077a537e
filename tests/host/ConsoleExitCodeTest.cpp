// The console program's exit code, from what its search found and whether
// the answer was written; and the same decision over a real scan of the fake
// system, where the thread bound cuts the naming short.
#include <gtest/gtest.h>

#include <vector>

#include "cli/AnswerExitCode.h"
#include "fakes/FakeSystem.h"
#include "scan/HandleScanner.h"
#include "search/ResultMatching.h"

namespace {

TEST(ConsoleExitCode, EachAnswerGivesItsCode) {
  const struct {
    SearchAnswer answer;
    int code;
  } cases[] = {
      // {hasPath, holders, complete, written}
      {{true, 2, true, true}, kExitHeld},
      {{true, 0, true, true}, kExitNotHeld},
      {{false, 0, true, true}, kExitHeld},  // every open file: the list was produced, even an empty one
      {{false, 40, true, true}, kExitHeld},
      // Cut short by the thread bound: "not held" and "every file" cannot be told.
      {{true, 0, false, true}, kExitIncomplete},
      {{false, 40, false, true}, kExitIncomplete},
      {{false, 0, false, true}, kExitIncomplete},
      // Holders found are held, whatever else was cut short.
      {{true, 1, false, true}, kExitHeld},
      // An answer that did not reach standard output is no answer.
      {{true, 2, true, false}, kExitError},
      {{true, 0, true, false}, kExitError},
      {{false, 40, true, false}, kExitError},
      {{true, 0, false, false}, kExitError},
      {{false, 0, false, false}, kExitError},
  };
  int index = 0;
  for (const auto& c : cases) {
    EXPECT_EQ(c.code, ExitCodeOfAnswer(c.answer)) << "case " << index;
    ++index;
  }
}

// A scan whose workers cannot start names nothing: the target's holder is
// among the unnamed, so the answer is "incomplete", never "not held".
TEST(ConsoleExitCode, AScanWithoutThreadsIsIncompleteNotFree) {
  constexpr uint32_t kHolder = 600;
  const WideText target = WTEXT("C:\\data\\held.txt");
  for (const bool threads : {true, false}) {
    FakeSystem system;
    system.addProcess(kHolder, {u"holder.exe", "C:\\Apps\\holder.exe"});
    system.addHandle(kHolder, 0x40, {u"File", u"", "\\\\?\\C:\\data\\held.txt"});
    system.addHandle(kHolder, 0x44, {u"File", u"", "\\\\?\\C:\\data\\other.txt"});
    system.failCreateThread(!threads);
    HandleScanner scanner(-1, "File");
    ASSERT_EQ(1, scanner.Run(nullptr));
    std::vector<HandleRecord> holders;
    AppendMatchingRecords(scanner.records(), target, holders);
    const SearchAnswer answer{true, holders.size(), scanner.complete(), true};
    EXPECT_EQ(threads ? kExitHeld : kExitIncomplete, ExitCodeOfAnswer(answer)) << "threads " << threads;
    const SearchAnswer everyFile{false, scanner.records().size(), scanner.complete(), true};
    EXPECT_EQ(threads ? kExitHeld : kExitIncomplete, ExitCodeOfAnswer(everyFile)) << "threads " << threads;
    system.waitForThreads();
  }
}

}  // namespace
