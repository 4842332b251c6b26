// ORU_ASSERT: checked in the sanitizer build, compiled out (and its
// condition never evaluated) in the others.
#include <gtest/gtest.h>

#include "core/oru_assert.h"

namespace {

TEST(OruAssert, HoldsQuietlyAndIsEvaluatedOnlyWhereItIsChecked) {
  int evaluated = 0;
  ORU_ASSERT(++evaluated == 1);
#ifdef ORU_ASSERTS
  EXPECT_EQ(evaluated, 1);
#else
  EXPECT_EQ(evaluated, 0);
#endif
}

#ifdef ORU_ASSERTS
TEST(OruAssertDeathTest, AViolatedInvariantStopsTheProcessNamingIt) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  int count = 3;
  EXPECT_DEATH(ORU_ASSERT(count < 3), "invariant violated: count < 3 \\(.*oru_assert_test.cpp:[0-9]+\\)");
}
#endif

}  // namespace
