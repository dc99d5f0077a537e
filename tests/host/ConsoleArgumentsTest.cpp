#include <gtest/gtest.h>

#include "text/CommandLine.h"
#include "cli/ConsoleArguments.h"
#include "support/WideLiteral.h"

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

}  // namespace
