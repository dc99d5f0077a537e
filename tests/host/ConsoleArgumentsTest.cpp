#include <gtest/gtest.h>

#include "text/CommandLine.h"
#include "cli/ConsoleArguments.h"
#include "support/WideLiteral.h"
#include "text/Utf8.h"

namespace {

struct ArgumentsCase {
  const char* name;
  const WCHAR* commandLine;
  bool help, json, hasPath;
  const WCHAR* path;
  ArgumentFault fault;
  const WCHAR* offending;
};

const ArgumentsCase kCases[] = {
    {"nothing: every file", WTEXT("ostrel-cli"), false, false, false, WTEXT(""), ArgumentFault::kNone, WTEXT("")},
    {"a path", WTEXT("ostrel-cli C:\\a.txt"), false, false, true, WTEXT("C:\\a.txt"), ArgumentFault::kNone,
     WTEXT("")},
    {"quoted path with spaces and json after it", WTEXT("ostrel-cli \"C:\\my data\\报告 1.txt\" --json"), false, true,
     true, WTEXT("C:\\my data\\报告 1.txt"), ArgumentFault::kNone, WTEXT("")},
    {"json alone lists every file", WTEXT("ostrel-cli --json --json"), false, true, false, WTEXT(""),
     ArgumentFault::kNone, WTEXT("")},
    {"help", WTEXT("ostrel-cli --help"), true, false, false, WTEXT(""), ArgumentFault::kNone, WTEXT("")},
    {"short help", WTEXT("ostrel-cli -h"), true, false, false, WTEXT(""), ArgumentFault::kNone, WTEXT("")},
    {"Windows help", WTEXT("ostrel-cli /?"), true, false, false, WTEXT(""), ArgumentFault::kNone, WTEXT("")},
    {"unknown option", WTEXT("ostrel-cli --jsn a.txt"), false, false, true, WTEXT("a.txt"),
     ArgumentFault::kUnknownOption, WTEXT("--jsn")},
    {"a lone dash is no path", WTEXT("ostrel-cli -"), false, false, false, WTEXT(""), ArgumentFault::kUnknownOption,
     WTEXT("-")},
    {"a fault outweighs help", WTEXT("ostrel-cli --help -x"), false, false, false, WTEXT(""),
     ArgumentFault::kUnknownOption, WTEXT("-x")},
    {"two paths", WTEXT("ostrel-cli a.txt b.txt"), false, false, true, WTEXT("a.txt"), ArgumentFault::kSecondPath,
     WTEXT("b.txt")},
    {"the first fault is reported", WTEXT("ostrel-cli a b -z"), false, false, true, WTEXT("a"),
     ArgumentFault::kSecondPath, WTEXT("b")},
    {"an empty path is not every file", WTEXT("ostrel-cli \"\""), false, false, false, WTEXT(""),
     ArgumentFault::kEmptyPath, WTEXT("")},
    {"after -- a dash starts a path", WTEXT("ostrel-cli --json -- -report.txt"), false, true, true,
     WTEXT("-report.txt"), ArgumentFault::kNone, WTEXT("")},
    {"after -- options are paths", WTEXT("ostrel-cli -- --help"), false, false, true, WTEXT("--help"),
     ArgumentFault::kNone, WTEXT("")},
    {"after -- still one path", WTEXT("ostrel-cli a -- -b"), false, false, true, WTEXT("a"),
     ArgumentFault::kSecondPath, WTEXT("-b")},
};

TEST(ConsoleArguments, EachCommandLineGivesItsRequest) {
  for (const ArgumentsCase& c : kCases) {
    SCOPED_TRACE(c.name);
    const ConsoleRequest request = ParseConsoleArguments(SplitCommandLine(c.commandLine));
    EXPECT_EQ(request.help, c.help);
    EXPECT_EQ(request.json, c.json);
    EXPECT_EQ(request.hasPath, c.hasPath);
    EXPECT_EQ(request.path, WideText(c.path));
    EXPECT_EQ(request.fault, c.fault);
    EXPECT_EQ(request.offending, WideText(c.offending));
  }
}

// --version, which prints the version and nothing else: like --help, it
// is an option only before --, and a fault outweighs it.
TEST(ConsoleArguments, VersionIsAnOptionAndAFaultOutweighsIt) {
  const struct {
    const WCHAR* commandLine;
    bool version;
    bool help;
    bool hasPath;
    ArgumentFault fault;
  } cases[] = {
      {WTEXT("ostrel-cli --version"), true, false, false, ArgumentFault::kNone},
      {WTEXT("ostrel-cli --json --version a.txt"), true, false, true, ArgumentFault::kNone},
      {WTEXT("ostrel-cli --version --help"), true, true, false, ArgumentFault::kNone},
      {WTEXT("ostrel-cli --version -v"), false, false, false, ArgumentFault::kUnknownOption},
      {WTEXT("ostrel-cli --versio"), false, false, false, ArgumentFault::kUnknownOption},
      {WTEXT("ostrel-cli -- --version"), false, false, true, ArgumentFault::kNone},
      {WTEXT("ostrel-cli a.txt"), false, false, true, ArgumentFault::kNone},
  };
  for (const auto& c : cases) {
    const ConsoleRequest request = ParseConsoleArguments(SplitCommandLine(c.commandLine));
    const std::string line = Utf8FromUtf16(c.commandLine, WideView(c.commandLine).size());
    EXPECT_EQ(c.version, request.version) << line;
    EXPECT_EQ(c.help, request.help) << line;
    EXPECT_EQ(c.hasPath, request.hasPath) << line;
    EXPECT_EQ(c.fault, request.fault) << line;
  }
}

// The actions and the wait: each needs a path, --wait a whole number of
// seconds right after it, and --close and --end do not go together.
TEST(ConsoleArguments, TheActionsAndTheWait) {
  const struct {
    const char* name;
    const WCHAR* commandLine;
    bool close, end, yes, wait;
    unsigned seconds;
    ArgumentFault fault;
    const WCHAR* offending;
  } cases[] = {
      {"close", WTEXT("ostrel-cli --close a.txt"), true, false, false, false, 0, ArgumentFault::kNone, WTEXT("")},
      {"end, yes", WTEXT("ostrel-cli a.txt --end --yes"), false, true, true, false, 0, ArgumentFault::kNone,
       WTEXT("")},
      {"close, yes, wait", WTEXT("ostrel-cli --close --yes --wait 5 build\\app.dll"), true, false, true, true, 5,
       ArgumentFault::kNone, WTEXT("")},
      {"wait alone", WTEXT("ostrel-cli --wait 0 a.txt"), false, false, false, true, 0, ArgumentFault::kNone,
       WTEXT("")},
      {"the longest wait", WTEXT("ostrel-cli --wait 86400 a.txt"), false, false, false, true, 86400,
       ArgumentFault::kNone, WTEXT("")},
      {"too long a wait", WTEXT("ostrel-cli --wait 86401 a.txt"), false, false, false, true, 0,
       ArgumentFault::kBadWaitSeconds, WTEXT("86401")},
      {"a wait that is no number", WTEXT("ostrel-cli --wait 2s a.txt"), false, false, false, true, 0,
       ArgumentFault::kBadWaitSeconds, WTEXT("2s")},
      {"a negative wait", WTEXT("ostrel-cli --wait -1 a.txt"), false, false, false, true, 0,
       ArgumentFault::kBadWaitSeconds, WTEXT("-1")},
      {"a wait with nothing after it", WTEXT("ostrel-cli a.txt --wait"), false, false, false, true, 0,
       ArgumentFault::kBadWaitSeconds, WTEXT("")},
      {"close without a path", WTEXT("ostrel-cli --close --yes"), true, false, true, false, 0,
       ArgumentFault::kActionWithoutPath, WTEXT("--close")},
      {"wait without a path", WTEXT("ostrel-cli --wait 3"), false, false, false, true, 3,
       ArgumentFault::kActionWithoutPath, WTEXT("--wait")},
      {"close and end", WTEXT("ostrel-cli --close --end a.txt"), true, true, false, false, 0,
       ArgumentFault::kCloseAndEnd, WTEXT("")},
      {"yes alone changes nothing", WTEXT("ostrel-cli --yes a.txt"), false, false, true, false, 0,
       ArgumentFault::kNone, WTEXT("")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const ConsoleRequest request = ParseConsoleArguments(SplitCommandLine(c.commandLine));
    EXPECT_EQ(request.close, c.close);
    EXPECT_EQ(request.end, c.end);
    EXPECT_EQ(request.yes, c.yes);
    EXPECT_EQ(request.wait, c.wait);
    EXPECT_EQ(request.waitSeconds, c.seconds);
    EXPECT_EQ(request.fault, c.fault);
    EXPECT_EQ(request.offending, WideText(c.offending));
    EXPECT_FALSE(request.help);
  }
}

}  // namespace
