#pragma once
// Agreement to a number of significant digits, as the worked examples
// state their values.
#include <gtest/gtest.h>

#include <cmath>

inline ::testing::AssertionResult agreesToDigits(double actual, double expected, int digits) {
    const double unit = std::pow(10.0, std::floor(std::log10(std::fabs(expected))) - (digits - 1));
    if (std::fabs(actual - expected) <= 0.5 * unit) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "actual " << ::testing::PrintToString(actual) << " differs from "
                                         << expected << " in the first " << digits << " significant digits";
}
