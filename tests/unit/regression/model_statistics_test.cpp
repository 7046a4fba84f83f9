#include "regression/model_statistics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "regression/centring.h"
#include "regression/least_squares_fit.h"
#include "significant_digits.h"
#include "statistics_reference.h"
#include "test_data.h"

namespace {

ModelResult statisticsOf(const Dataset& data, SubsetMask mask) {
    ModelResult result;
    EXPECT_TRUE(computeModelStatistics(data.y, data.columns, mask, result)) << data.name << ", mask " << mask;
    return result;
}

TEST(ModelStatistics, WorkedExampleHoldsToSixSignificantDigits) {
    const Dataset data{"worked example", {2, 4, 5, 4, 5}, {{1, 2, 3, 4, 5}}};
    const ModelResult result = statisticsOf(data, 1);
    ASSERT_EQ(result.coefficients.size(), 2u);
    ASSERT_EQ(result.pValues.size(), 2u);
    ASSERT_EQ(result.statistics.size(), 3u);
    EXPECT_EQ(result.coefficients[0], 0.0);
    EXPECT_TRUE(agreesToDigits(result.coefficients[1], 0.774597, 6));
    EXPECT_TRUE(agreesToDigits(result.pValues[0], 0.124027, 6));
    EXPECT_TRUE(agreesToDigits(result.pValues[1], 0.124027, 6));
    EXPECT_TRUE(agreesToDigits(result.statistics[0], 0.6, 6));
    EXPECT_TRUE(agreesToDigits(result.statistics[1], 0.466667, 6));
    EXPECT_TRUE(agreesToDigits(result.statistics[2], 0.330154, 6));
}

TEST(ModelStatistics, OneVariableMatchesCorrelationAndFEqualsTSquared) {
    for (std::uint64_t seed : {1u, 2u, 3u}) {
        for (std::size_t n : {3u, 4u, 7u, 30u}) {
            const Dataset data = randomDataset(n, 1, seed * 100 + n);
            const ModelResult result = statisticsOf(data, 1);
            const double r = referenceCorrelation(data.columns[0], data.y);
            const ReferenceModel reference = referenceModel(data.y, data.columns, 1);
            const int df = static_cast<int>(n) - 2;
            EXPECT_NEAR(result.coefficients[1], r, 1e-12) << data.name;
            EXPECT_NEAR(result.statistics[0], r * r, 1e-12) << data.name;
            // F = t² for one variable: the F test and the t test agree.
            EXPECT_NEAR(result.pValues[0], result.pValues[1], 1e-12) << data.name;
            EXPECT_NEAR(result.pValues[1], referenceTwoSidedT(reference.t[1], df), 1e-12) << data.name;
        }
    }
}

TEST(ModelStatistics, AgreeWithAHouseholderQrSolveAndClosedFormTailsOnEverySubset) {
    for (std::size_t n : {7u, 12u, 40u}) {
        const Dataset data = randomDataset(n, 5, 700 + n);
        for (SubsetMask mask = 1; mask < 32; ++mask) {
            const int d = __builtin_popcountll(mask);
            const int df = static_cast<int>(n) - d - 1;
            if (df < 1) {
                continue;
            }
            const ModelResult result = statisticsOf(data, mask);
            const ReferenceModel reference = referenceModel(data.y, data.columns, mask);
            const std::string where = data.name + ", mask " + std::to_string(mask);
            for (int j = 1; j <= d; ++j) {
                EXPECT_NEAR(result.coefficients[j], reference.standardized[j], 1e-10) << where << ", j " << j;
                EXPECT_NEAR(result.pValues[j], referenceTwoSidedT(reference.t[j], df), 1e-10) << where << ", j " << j;
            }
            if (d == 1 || d % 2 == 0) {
                EXPECT_NEAR(result.pValues[0], referenceUpperTailF(reference.f, d, df), 1e-10) << where;
            }
            EXPECT_NEAR(result.statistics[0], reference.rSquared, 1e-10) << where;
            EXPECT_NEAR(result.statistics[1], reference.adjustedRSquared, 1e-10) << where;
            EXPECT_NEAR(result.statistics[2], reference.aic, 1e-9) << where;
        }
    }
}

TEST(ModelStatistics, OneResidualDegreeOfFreedomIsUsedWithoutComplaint) {
    const Dataset data = randomDataset(5, 3, 901);  // n = d + 2 for mask 7
    const ModelResult result = statisticsOf(data, 7);
    const ReferenceModel reference = referenceModel(data.y, data.columns, 7);
    for (int j = 1; j <= 3; ++j) {
        EXPECT_NEAR(result.pValues[j], referenceTwoSidedT(reference.t[j], 1), 1e-10) << "j " << j;
    }
    EXPECT_GT(result.pValues[0], 0.0);
    EXPECT_LE(result.pValues[0], 1.0);
}

TEST(ModelStatistics, PerfectFitGivesTheLimitsOfInfiniteStatistics) {
    // Centred x and y = 2x: RSS is exactly 0, so F and t are +∞ and their
    // tail probabilities 0.
    const Dataset data{"perfect fit", {-4, -2, 0, 2, 4}, {{-2, -1, 0, 1, 2}}};
    ASSERT_EQ(fitLeastSquares(data.y, data.columns, 1).rss, 0.0);
    const ModelResult result = statisticsOf(data, 1);
    EXPECT_EQ(result.pValues[0], 0.0);
    EXPECT_EQ(result.pValues[1], 0.0);
    EXPECT_EQ(result.statistics[0], 1.0);
    EXPECT_EQ(result.statistics[2], -std::numeric_limits<double>::infinity());
}

TEST(ModelStatistics, ConstantDependentVariableIsNoModelAndNeverThrows) {
    // Every R² would be 0/0 and every coefficient infinite: no subset of a
    // y without variance is a model, centred or not.
    const Dataset centred{"constant y, centred", {0, 0, 0, 0, 0}, {{-2, -1, 0, 1, 2}}};
    ModelResult result;
    ASSERT_NO_THROW(EXPECT_FALSE(computeModelStatistics(centred.y, centred.columns, 1, result)));
    const Dataset raw{"constant y", {3.1, 3.1, 3.1, 3.1, 3.1, 3.1}, {{1, 2, 3, 4, 5, 7}, {0.3, 0.1, 0.4, 0.1, 0.5, 0.9}}};
    for (SubsetMask mask = 1; mask < 4; ++mask) {
        bool accepted = true;
        ASSERT_NO_THROW(accepted = computeModelStatistics(raw.y, raw.columns, mask, result)) << "mask " << mask;
        EXPECT_FALSE(accepted) << "mask " << mask;
        EXPECT_FALSE(fitLeastSquares(raw.y, raw.columns, mask).ok) << "mask " << mask;
    }
    // Centred as the search centres it: a constant of rounding size.
    DataColumn y(7, 0.1);
    centreColumn(y);
    const std::vector<DataColumn> columns{{1, 2, 3, 4, 5, 6, 8}};
    EXPECT_FALSE(computeModelStatistics(y, columns, 1, result));
}

TEST(ModelStatistics, NoResidualDegreesOfFreedomGiveNaNPValues) {
    // n = d + 1 (df 0) and n < d + 1 (df negative, not a huge unsigned one).
    for (std::size_t n : {3u, 2u}) {
        const Dataset data = randomDataset(n, 2, 950 + n);
        ModelResult result;
        bool accepted = false;
        ASSERT_NO_THROW(accepted = computeModelStatistics(data.y, data.columns, 3, result)) << "n " << n;
        EXPECT_EQ(accepted, fitLeastSquares(data.y, data.columns, 3).ok) << "n " << n;
        if (accepted) {
            for (double p : result.pValues) {
                EXPECT_TRUE(std::isnan(p)) << "n " << n << ": " << p;
            }
        }
    }
}

TEST(ModelStatistics, ACoefficientOfExactlyZeroHasPValueOne) {
    // y is orthogonal to the centred x: β_1 is exactly 0, so t = 0.
    const Dataset data{"orthogonal", {1, -2, 1, 0}, {{-1, 0, 1, 0}}};
    ASSERT_EQ(fitLeastSquares(data.y, data.columns, 1).beta[1], 0.0);
    const ModelResult result = statisticsOf(data, 1);
    EXPECT_EQ(result.pValues[1], 1.0);
    EXPECT_EQ(result.coefficients[1], 0.0);
}

TEST(ModelStatistics, SingularSubsetReturnsFalse) {
    const Dataset data{"collinear", {1, 3, 2, 5}, {{1, 2, 3, 4}, {2, 4, 6, 8}}};
    ModelResult result;
    EXPECT_FALSE(computeModelStatistics(data.y, data.columns, 3, result));
}

TEST(ModelStatistics, ReusedResultIsResizedAndItsInterceptCoefficientReset) {
    const Dataset data = randomDataset(12, 4, 990);
    ModelResult result;
    result.coefficients.assign(9, 5.0);
    result.pValues.assign(1, 5.0);
    result.statistics.assign(7, 5.0);
    ASSERT_TRUE(computeModelStatistics(data.y, data.columns, 0b1011, result));
    EXPECT_EQ(result.coefficients.size(), 4u);
    EXPECT_EQ(result.pValues.size(), 4u);
    EXPECT_EQ(result.statistics.size(), 3u);
    EXPECT_EQ(result.coefficients[0], 0.0);
    const ModelResult fresh = statisticsOf(data, 0b1011);
    EXPECT_EQ(result.coefficients, fresh.coefficients);
    EXPECT_EQ(result.pValues, fresh.pValues);
    EXPECT_EQ(result.statistics, fresh.statistics);
}

}  // namespace
