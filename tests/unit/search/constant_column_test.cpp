#include "search/constant_column.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

TEST(ConstantColumn, FewerThanTwoValuesAreConstant) {
    EXPECT_TRUE(isConstantColumn({}));
    EXPECT_TRUE(isConstantColumn({3.5}));
}

TEST(ConstantColumn, EqualValuesAreConstantIncludingSignedZeros) {
    EXPECT_TRUE(isConstantColumn({2.0, 2.0, 2.0}));
    EXPECT_TRUE(isConstantColumn({0.0, -0.0, 0.0, -0.0}));
}

TEST(ConstantColumn, AnyDifferenceOrNaNIsNotConstant) {
    EXPECT_FALSE(isConstantColumn({1.0, 1.0, 1.0000000000000002}));
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_FALSE(isConstantColumn({1.0, nan}));
    EXPECT_FALSE(isConstantColumn({nan, nan}));
}

}  // namespace
