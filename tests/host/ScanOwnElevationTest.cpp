// Whether the own process runs elevated, as its token says; a token that
// cannot be asked says nothing either way, and is closed again.
#include <gtest/gtest.h>

#include "fakes/FakeSystem.h"
#include "scan/native/OwnElevation.h"

namespace {

TEST(OwnElevation, TheTokenSaysAndIsClosedAgain) {
  const struct {
    bool tokenOpens;
    bool answers;
    bool elevated;
    Elevation expected;
  } cases[] = {
      {true, true, true, Elevation::kElevated},
      {true, true, false, Elevation::kNotElevated},
      {true, false, false, Elevation::kUnknown},
      {true, false, true, Elevation::kUnknown},
      {false, true, false, Elevation::kUnknown},
  };
  for (const auto& c : cases) {
    FakeSystem system;
    system.setTokenScript(c.tokenOpens, true, true, 0);
    system.setTokenElevation(c.answers, c.elevated);
    EXPECT_EQ(c.expected, OwnElevation()) << c.tokenOpens << c.answers << c.elevated;
    EXPECT_EQ(c.tokenOpens ? 1 : 0, system.tokenCloses());
    EXPECT_EQ(0, system.openedHandles());
    EXPECT_EQ(0, system.badCloses());
  }
}

}  // namespace
