#include <gtest/gtest.h>

#include "app/CommandLine.h"
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

}  // namespace
