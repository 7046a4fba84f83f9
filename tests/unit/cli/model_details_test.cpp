#include "model_details.h"

#include <gtest/gtest.h>

#include <cmath>

#include "model_table.h"

namespace {

// The textbook line: x = 1…5, y = 2, 4, 5, 4, 5 gives y = 2.2 + 0.6x,
// RSS 2.4 on 3 degrees of freedom, SE(slope) = √(0.8/10), SE(intercept) =
// √(0.8·(1/5 + 3²/10)).
TEST(ModelDetails, TextbookLineWithItsInterceptAndStandardErrors) {
    const CentredData data = centreData({2, 4, 5, 4, 5}, {{1, 2, 3, 4, 5}});
    const ModelDetails m = computeModelDetails(data, 1u, fullModelMeanSquare(data));
    ASSERT_TRUE(m.ok);
    EXPECT_EQ(m.size, 1u);
    EXPECT_NEAR(static_cast<double>(m.coefficients.at(0)), 0.6, 1e-14);
    EXPECT_NEAR(static_cast<double>(m.standardErrors.at(0)), std::sqrt(0.08), 1e-14);
    EXPECT_NEAR(m.tValues.at(0), 0.6 / std::sqrt(0.08), 1e-12);
    EXPECT_NEAR(m.pValues.at(0), 0.124027, 1e-6);
    EXPECT_NEAR(static_cast<double>(m.intercept), 2.2, 1e-13);
    EXPECT_NEAR(static_cast<double>(m.interceptStandardError), std::sqrt(0.88), 1e-13);
    EXPECT_NEAR(static_cast<double>(m.rss), 2.4, 1e-13);
    EXPECT_NEAR(static_cast<double>(m.residualMeanSquare), 0.8, 1e-13);
    EXPECT_NEAR(m.rSquared, 0.6, 1e-13);
    EXPECT_NEAR(m.f, 4.5, 1e-12);
    EXPECT_NEAR(m.fPValue, m.pValues[0], 1e-12);  // F = t² for one variable
    EXPECT_NEAR(m.aic, 5 * std::log(2.4 / 5) + 4, 1e-12);
    EXPECT_NEAR(m.bic, 5 * std::log(2.4 / 5) + std::log(5.0) + 2, 1e-12);
    EXPECT_NEAR(m.cp, 2.0, 1e-12);  // the full model's Cp is its number of coefficients
}

TEST(ModelDetails, InterceptOfDataFarFromZeroIsRecovered) {
    // The same line with x shifted by a million: the slope and its error stay,
    // the intercept moves by −0.6·10⁶.
    const CentredData data = centreData({2, 4, 5, 4, 5}, {{1e6 + 1, 1e6 + 2, 1e6 + 3, 1e6 + 4, 1e6 + 5}});
    const ModelDetails m = computeModelDetails(data, 1u, fullModelMeanSquare(data));
    ASSERT_TRUE(m.ok);
    EXPECT_NEAR(static_cast<double>(m.coefficients[0]), 0.6, 1e-9);
    EXPECT_NEAR(static_cast<double>(m.intercept), 2.2 - 0.6e6, 1e-4);
    EXPECT_NEAR(static_cast<double>(m.interceptStandardError), std::sqrt(0.8 * (0.2 + (1e6 + 3) * (1e6 + 3) / 10.0)), 1e-3);
}

TEST(ModelDetails, TheTextbookLineAtAnyMagnitudeIsGivenInTheDatasOwnUnits) {
    // x times 1e-300 and y times 1e100: slope 0.6e400 is beyond a double,
    // so x near 1e-150 and y near 1e150 instead (slope 0.6e300); and x near
    // 1e18 varying by one step of 2^20 around it.
    const CentredData large = centreData({2e150, 4e150, 5e150, 4e150, 5e150}, {{1e-150, 2e-150, 3e-150, 4e-150, 5e-150}});
    const ModelDetails m = computeModelDetails(large, 1u, fullModelMeanSquare(large));
    ASSERT_TRUE(m.ok);
    EXPECT_NEAR(static_cast<double>(m.coefficients.at(0) / 0.6e300), 1.0, 1e-13);
    EXPECT_NEAR(static_cast<double>(m.standardErrors.at(0) / (std::sqrt(0.08) * 1e300)), 1.0, 1e-13);
    EXPECT_NEAR(m.tValues.at(0), 0.6 / std::sqrt(0.08), 1e-12);
    EXPECT_NEAR(static_cast<double>(m.intercept / 2.2e150), 1.0, 1e-13);
    EXPECT_NEAR(static_cast<double>(m.interceptStandardError / (std::sqrt(0.88) * 1e150)), 1.0, 1e-13);
    EXPECT_NEAR(m.rSquared, 0.6, 1e-13);
    EXPECT_NEAR(m.cp, 2.0, 1e-12);
    // RSS 2.4e300 and AIC from it.
    EXPECT_NEAR(static_cast<double>(m.rss / 2.4e300), 1.0, 1e-13);
    EXPECT_NEAR(m.aic, 5 * (std::log(2.4 / 5) + 300 * std::log(10.0)) + 4, 1e-9);
    EXPECT_NEAR(m.bic - m.aic, std::log(5.0) - 2, 1e-9);

    const double base = 0x1p60;  // about 1.15e18
    const double step = 0x1p20;
    const CentredData stamps =
        centreData({2, 4, 5, 4, 5}, {{base + step, base + 2 * step, base + 3 * step, base + 4 * step, base + 5 * step}});
    const ModelDetails s = computeModelDetails(stamps, 1u, fullModelMeanSquare(stamps));
    ASSERT_TRUE(s.ok);
    EXPECT_NEAR(static_cast<double>(s.coefficients.at(0) * step), 0.6, 1e-13);
    EXPECT_NEAR(static_cast<double>(s.rss), 2.4, 1e-13);
    EXPECT_NEAR(s.tValues.at(0), 0.6 / std::sqrt(0.08), 1e-12);
}

TEST(ModelDetails, ExactFitHasNoNotANumber) {
    // y = 1 + 2·a exactly: RSS is 0 (never a rounding-negative value), R² 1.
    const CentredData data = centreData({3, 5, 7, 9, 11}, {{1, 2, 3, 4, 5}, {2, 1, 2, 1, 3}});
    const ModelDetails m = computeModelDetails(data, 1u, fullModelMeanSquare(data));
    ASSERT_TRUE(m.ok);
    EXPECT_GE(m.rss, 0.0);
    EXPECT_NEAR(m.rSquared, 1.0, 1e-12);
    EXPECT_FALSE(std::isnan(m.standardErrors[0])) << m.standardErrors[0];
    EXPECT_NEAR(static_cast<double>(m.intercept), 1.0, 1e-12);
}

TEST(ModelDetails, NoResidualDegreesOfFreedomLeaveTheTestsOut) {
    // Two rows, one variable: the line passes through both; no test exists.
    const CentredData data = centreData({1, 3}, {{0, 1}});
    const ModelDetails m = computeModelDetails(data, 1u, fullModelMeanSquare(data));
    ASSERT_TRUE(m.ok);
    EXPECT_NEAR(static_cast<double>(m.coefficients[0]), 2.0, 1e-14);
    EXPECT_TRUE(std::isnan(m.pValues[0]));
    EXPECT_TRUE(std::isnan(m.cp));
    EXPECT_EQ(plainNumber(m.cp), "");  // shown as an empty cell
}

TEST(PlainNumber, ShortestTextThatReadsBack) {
    EXPECT_EQ(plainNumber(0.1), "0.1");
    EXPECT_EQ(plainNumber(-3.0), "-3");
    EXPECT_EQ(plainNumber(1e-20), "1e-20");
    EXPECT_EQ(plainNumber(1.0 / 3.0), "0.3333333333333333");
    EXPECT_EQ(plainNumber(-INFINITY), "");
    EXPECT_EQ(plainNumber(NAN), "");
}

}  // namespace
