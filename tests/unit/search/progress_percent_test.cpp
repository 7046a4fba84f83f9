#include "search/progress_percent.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace {

constexpr std::int32_t sentinel = std::numeric_limits<std::int32_t>::min();

TEST(ProgressPercent, FollowsTheFormulaAndTruncates) {
    // (3/7/2 + 1/2) * 100 = 71.43
    EXPECT_EQ(progressPercent(3, 1, 2, 3), 71);
    // Second of four dependent variables with k = 2: 25, 33, 41.
    EXPECT_EQ(progressPercent(0, 1, 4, 2), 25);
    EXPECT_EQ(progressPercent(1, 1, 4, 2), 33);
    EXPECT_EQ(progressPercent(2, 1, 4, 2), 41);
}

TEST(ProgressPercent, FirstSubsetOfFirstVariableIsZero) {
    EXPECT_EQ(progressPercent(0, 0, 1, 1), 0);
    EXPECT_EQ(progressPercent(0, 0, 3, 31), 0);
}

TEST(ProgressPercent, ThirtyOneVariablesDivideBy2147483647) {
    // s = 2^31 - 2 is the last subset: 99.99999995 % of one variable.
    EXPECT_EQ(progressPercent(2147483646u, 0, 1, 31), 99);
    // Halfway through: 1073741823.5 would be 50 %; one below it is 49.99...
    EXPECT_EQ(progressPercent(1073741823u, 0, 1, 31), 49);
    EXPECT_EQ(progressPercent(1073741824u, 0, 1, 31), 50);
}

TEST(ProgressPercent, NeverReaches100WhileRunning) {
    EXPECT_EQ(progressPercent(6, 1, 2, 3), 92);   // (6/7 + 1)/2
    EXPECT_EQ(progressPercent(126, 4, 5, 7), 99);  // last subset of the last variable
}

TEST(ProgressPercent, NonFiniteGivesTheSmallestInteger) {
    // No dependent variable: d / n is 0 / 0.
    EXPECT_EQ(progressPercent(0, 0, 0, 3), sentinel);
    // No explanatory variable: the subset count is 0, s / 0 is NaN or infinite.
    EXPECT_EQ(progressPercent(0, 0, 1, 0), sentinel);
    EXPECT_EQ(progressPercent(5, 0, 1, 0), sentinel);
}

TEST(ProgressPercent, OutOfRangeGivesTheSmallestInteger) {
    // Counters far beyond their limits (a corrupted pair) give huge values.
    EXPECT_EQ(progressPercent(0, 4000000000u, 1, 3), sentinel);
    EXPECT_EQ(progressPercent(0, 21474836u, 1, 3), 2147483600);
}

}  // namespace
