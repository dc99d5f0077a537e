#include <gtest/gtest.h>

#include "text/CommandLine.h"
#include "support/WideLiteral.h"

namespace {

std::vector<WideText> split(const WCHAR* line) { return SplitCommandLine(WideText(line)); }

TEST(SplitCommandLine, QuotedPathsKeepTheirSpacesAndLoseTheirQuotes) {
  auto args = split(WTEXT("\"C:\\Program Files\\Ostrel\\Ostrel.exe\" \"D:\\my data\\报告 1.txt\""));
  ASSERT_EQ(2u, args.size());
  EXPECT_EQ(WideText(WTEXT("C:\\Program Files\\Ostrel\\Ostrel.exe")), args[0]);
  EXPECT_EQ(WideText(WTEXT("D:\\my data\\报告 1.txt")), args[1]);
}

TEST(SplitCommandLine, PlainArgumentsAndRunsOfSpaces) {
  auto args = split(WTEXT("Ostrel.exe   a.txt  b.txt c"));
  ASSERT_EQ(4u, args.size());
  EXPECT_EQ(WideText(WTEXT("a.txt")), args[1]);
  EXPECT_EQ(WideText(WTEXT("b.txt")), args[2]);
  EXPECT_EQ(WideText(WTEXT("c")), args[3]);
}

TEST(SplitCommandLine, UnterminatedQuoteTakesEverythingAfterIt) {
  auto args = split(WTEXT("Ostrel.exe \"C:\\my file.txt"));
  ASSERT_EQ(2u, args.size());
  EXPECT_EQ(WideText(WTEXT("C:\\my file.txt")), args[1]);
}

TEST(SplitCommandLine, LettersRunningIntoAQuoteAreDropped) {
  auto args = split(WTEXT("Ostrel.exe ab\"c d\" e"));
  ASSERT_EQ(3u, args.size());
  EXPECT_EQ(WideText(WTEXT("c d")), args[1]);
  EXPECT_EQ(WideText(WTEXT("e")), args[2]);
}

TEST(SplitCommandLine, EmptyQuotesGiveAnEmptyArgument) {
  auto args = split(WTEXT("Ostrel.exe \"\" x"));
  ASSERT_EQ(3u, args.size());
  EXPECT_TRUE(args[1].empty());
  EXPECT_EQ(WideText(WTEXT("x")), args[2]);
}

TEST(SplitCommandLine, TabIsAnOrdinaryCharacter) {
  auto args = split(WTEXT("Ostrel.exe\ta.txt"));
  ASSERT_EQ(1u, args.size());
  EXPECT_EQ(WideText(WTEXT("Ostrel.exe\ta.txt")), args[0]);
}

TEST(SplitCommandLine, TrailingSpaceChangesNothing) {
  EXPECT_EQ(split(WTEXT("Ostrel.exe a.txt")), split(WTEXT("Ostrel.exe a.txt ")));
  EXPECT_EQ(2u, split(WTEXT("Ostrel.exe a.txt   ")).size());
}

TEST(SplitCommandLine, SingleCharacterAndEmptyLines) {
  EXPECT_TRUE(split(WTEXT("")).empty());
  EXPECT_TRUE(split(WTEXT("   ")).empty());
  auto one = split(WTEXT("x"));
  ASSERT_EQ(1u, one.size());
  EXPECT_EQ(WideText(WTEXT("x")), one[0]);
  // A lone quote opens and nothing follows.
  EXPECT_TRUE(split(WTEXT("\"")).empty());
  // Backslashes are ordinary, also before a quote.
  auto args = split(WTEXT("a \"C:\\dir\\\" b"));
  ASSERT_EQ(3u, args.size());
  EXPECT_EQ(WideText(WTEXT("C:\\dir\\")), args[1]);
}

}  // namespace
