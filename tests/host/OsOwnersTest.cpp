// The one owner template and the scope exit: every resource is freed once,
// never a null one, never one handed on.

#include <gtest/gtest.h>

#include <stdexcept>
#include <utility>
#include <vector>

#include "os/ScopeExit.h"
#include "os/UniqueResource.h"

namespace {

std::vector<int*> closed;
struct RecordClose {
  void operator()(int* value) const { closed.push_back(value); }
};
using Owner = UniqueResource<int*, RecordClose>;

TEST(UniqueResource, FreesEachResourceOnceWhateverHappensToItsOwner) {
  int a = 0, b = 0, c = 0, d = 0;
  closed.clear();
  {
    Owner none;
    EXPECT_FALSE(none);
    Owner first(&a);
    EXPECT_TRUE(first);
    Owner moved(std::move(first));
    EXPECT_FALSE(first) << "the moved-from owner owns nothing";
    EXPECT_EQ(&a, moved.get());
    moved.reset(&b);
    EXPECT_EQ(std::vector<int*>{&a}, closed) << "a reset frees the old resource";
    Owner other(&c);
    other = std::move(moved);
    EXPECT_EQ((std::vector<int*>{&a, &c}), closed) << "an assignment frees what the target owned";
    EXPECT_EQ(&b, other.release());
    EXPECT_FALSE(other);
    Owner filled;
    *filled.put() = &d;
    EXPECT_EQ(&d, filled.get());
  }
  EXPECT_EQ((std::vector<int*>{&a, &c, &d}), closed) << "no null and no released resource is freed";
}

TEST(ScopeExit, RunsOnceWhenTheScopeIsLeftByReturnOrThrow) {
  int runs = 0;
  { const ScopeExit count([&] { ++runs; }); }
  EXPECT_EQ(1, runs);
  try {
    const ScopeExit count([&] { ++runs; });
    throw std::runtime_error("leave");
  } catch (const std::runtime_error&) {
  }
  EXPECT_EQ(2, runs);
}

}  // namespace
