// The rules a new file name must keep, each refused name with the rule it
// breaks, and names that only look close to a refused one let through.
#include <gtest/gtest.h>

#include "text/FileNameRules.h"

namespace {

TEST(FileNameRules, EachNameWithTheRuleItBreaks) {
  const struct {
    const WCHAR* name;
    NameFault fault;
  } cases[] = {
      {WTEXT(""), NameFault::kEmpty},
      {WTEXT("a\\b.txt"), NameFault::kForbiddenCharacter},
      {WTEXT("a/b.txt"), NameFault::kForbiddenCharacter},
      {WTEXT("c:.txt"), NameFault::kForbiddenCharacter},
      {WTEXT("a*.txt"), NameFault::kForbiddenCharacter},
      {WTEXT("why?.txt"), NameFault::kForbiddenCharacter},
      {WTEXT("\"quoted\".txt"), NameFault::kForbiddenCharacter},
      {WTEXT("<a>.txt"), NameFault::kForbiddenCharacter},
      {WTEXT("a>b"), NameFault::kForbiddenCharacter},
      {WTEXT("a|b"), NameFault::kForbiddenCharacter},
      {WTEXT("tab\there"), NameFault::kForbiddenCharacter},
      {WTEXT("CON"), NameFault::kReservedName},
      {WTEXT("con"), NameFault::kReservedName},
      {WTEXT("Prn.txt"), NameFault::kReservedName},
      {WTEXT("aux.tar.gz"), NameFault::kReservedName},
      {WTEXT("NUL"), NameFault::kReservedName},
      {WTEXT("com1"), NameFault::kReservedName},
      {WTEXT("COM9.log"), NameFault::kReservedName},
      {WTEXT("lpt1"), NameFault::kReservedName},
      {WTEXT("LPT9.txt"), NameFault::kReservedName},
      {WTEXT("CON .txt"), NameFault::kReservedName},
      {WTEXT("COM\u00B9"), NameFault::kReservedName},
      {WTEXT("name."), NameFault::kTrailingDotOrSpace},
      {WTEXT("name "), NameFault::kTrailingDotOrSpace},
      {WTEXT("."), NameFault::kTrailingDotOrSpace},
      {WTEXT(".."), NameFault::kTrailingDotOrSpace},
      // Close to a refused name, and fine.
      {WTEXT("new name.txt"), NameFault::kNone},
      {WTEXT("CONSOLE.txt"), NameFault::kNone},
      {WTEXT("com10.txt"), NameFault::kNone},
      {WTEXT("COM0"), NameFault::kNone},
      {WTEXT("lpt"), NameFault::kNone},
      {WTEXT("xcon.txt"), NameFault::kNone},
      {WTEXT(".gitignore"), NameFault::kNone},
      {WTEXT(" leading space"), NameFault::kNone},
      {WTEXT("报告 2024.docx"), NameFault::kNone},
      {WTEXT("한국어 😀.txt"), NameFault::kNone},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.fault, CheckFileName(c.name)) << static_cast<int>(c.fault) << " for entry " << (&c - cases);
  }
}

TEST(FileNameRules, ANameFitsUpToTheLongestAFolderHolds) {
  EXPECT_EQ(NameFault::kNone, CheckFileName(WideText(kLongestFileName, 'a')));
  EXPECT_EQ(NameFault::kTooLong, CheckFileName(WideText(kLongestFileName + 1, 'a')));
}

}  // namespace
