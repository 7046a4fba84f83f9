// The RSS of the fit, on data prepared as the search driver prepares them,
// against exact rational arithmetic on the data's own doubles: near-perfect
// fits, powers of an uncentred year, timestamps in nanoseconds, and columns
// near 1e-200 and in the subnormal range.
#include <gtest/gtest.h>

#include <boost/multiprecision/cpp_int.hpp>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "regression/centring.h"
#include "regression/least_squares_fit.h"
#include "regression/model_statistics.h"
#include "regression/subset_mask.h"
#include "exact_rational.h"
#include "test_data.h"

namespace {


// r times 2^shift, rounded to a double (the nearest or next to it, far
// finer than the tolerances here).
double toDouble(const Rational& r, int shift) {
    Rational scaled = r;
    if (shift > 0) scaled *= Rational(Integer(1) << shift);
    if (shift < 0) scaled /= Rational(Integer(1) << -shift);
    return static_cast<double>(scaled);
}

// The exact RSS of y on the intercept and the columns of mask, from the
// data's doubles: the Schur complement of XᵀX in [XᵀX Xᵀy; yᵀX yᵀy] by
// Gaussian elimination in rationals. False when XᵀX is singular.
bool exactRss(const DataColumn& y, const std::vector<DataColumn>& columns, SubsetMask mask, Rational& rss) {
    const std::size_t n = y.size();
    std::vector<std::vector<Rational>> data;  // intercept, the mask's columns, y
    data.emplace_back(n, Rational(1));
    for (SubsetMask rest = mask; rest != 0; rest = withoutLowestVariable(rest)) {
        std::vector<Rational> column;
        for (double value : columns[lowestVariable(rest)]) column.push_back(exactly(value));
        data.push_back(std::move(column));
    }
    std::vector<Rational> yExact;
    for (double value : y) yExact.push_back(exactly(value));
    data.push_back(std::move(yExact));
    const std::size_t order = data.size();
    std::vector<std::vector<Rational>> m(order, std::vector<Rational>(order));
    for (std::size_t a = 0; a < order; ++a) {
        for (std::size_t b = a; b < order; ++b) {
            Rational sum = 0;
            for (std::size_t r = 0; r < n; ++r) sum += data[a][r] * data[b][r];
            m[a][b] = sum;
            m[b][a] = sum;
        }
    }
    for (std::size_t p = 0; p + 1 < order; ++p) {
        if (m[p][p] == 0) return false;
        for (std::size_t a = p + 1; a < order; ++a) {
            const Rational factor = m[a][p] / m[p][p];
            for (std::size_t b = p; b < order; ++b) m[a][b] -= factor * m[p][b];
        }
    }
    rss = m[order - 1][order - 1];
    return true;
}

struct Prepared {
    DataColumn y;
    int yExponent = 0;
    std::vector<DataColumn> columns;
};

Prepared prepared(const Dataset& data) {
    Prepared out{data.y, 0, data.columns};
    out.yExponent = prepareColumn(out.y).exponent;
    for (DataColumn& column : out.columns) prepareColumn(column);
    return out;
}

// The worst relative difference, over every non-empty subset the fit takes
// and whose exact RSS is not 0, between the fit's RSS on the prepared data
// and the exact RSS of the raw data in the prepared y's units.
double worstRelativeError(const Dataset& data) {
    const Prepared p = prepared(data);
    double worst = 0.0;
    const SubsetMask last = static_cast<SubsetMask>((1u << data.columns.size()) - 1u);
    int compared = 0;
    for (SubsetMask mask = 1; mask <= last; ++mask) {
        const LeastSquaresFit fit = fitLeastSquares(p.y, p.columns, mask);
        Rational exact;
        if (!fit.ok || !exactRss(data.y, data.columns, mask, exact) || exact == 0) continue;
        const double expected = toDouble(exact, -2 * p.yExponent);
        worst = std::fmax(worst, std::fabs(fit.rss - expected) / expected);
        ++compared;
    }
    EXPECT_GT(compared, 0) << data.name;
    return worst;
}

constexpr double rssTolerance = 1e-9;

// y = 3 + 2·x1 − x2 + noise over 19 rows, and a noise column beside the
// two: with noise of ±0.002 to ±3, R² from 0.999999999 to 0.9997 (the
// double fit's RSS has the fewest correct digits just above the level where
// the fit refines it in double-double).
Dataset nearPerfectFit(std::uint64_t seed, double noise) {
    Dataset data = randomDataset(19, 3, seed);
    data.name = "near-perfect fit, noise " + std::to_string(noise) + ", seed " + std::to_string(seed);
    TestRandom random(seed * 31 + 7);
    for (std::size_t r = 0; r < 19; ++r) {
        data.columns[0][r] = 10.0 * static_cast<double>(r) + random.between(0, 1);
        data.columns[1][r] = 50.0 + random.between(-20, 20);
        data.y[r] = 3.0 + 2.0 * data.columns[0][r] - data.columns[1][r] + noise * random.between(-1, 1);
    }
    return data;
}

Dataset yearPowers(std::size_t n, std::uint64_t seed) {
    Dataset data = randomDataset(n, 5, seed);
    data.name = "powers of a year, n " + std::to_string(n);
    for (std::size_t r = 0; r < n; ++r) {
        const double year = 1990.0 + static_cast<double>(r % 31);
        data.columns[0][r] = year;
        data.columns[1][r] = year * year;
        data.columns[2][r] = year * year * year;
        data.columns[3][r] = year * year * year * year;
        data.y[r] = 0.01 * (year - 2005.0) + 0.5 * data.columns[4][r] + 0.1 * data.y[r];
    }
    return data;
}

TEST(ExactRss, NearPerfectFitsAreRightToNineDigits) {
    for (double noise : {0.002, 0.01, 0.02, 0.05, 0.2, 1.0, 3.0}) {
        for (std::uint64_t seed = 1; seed <= 4; ++seed) {
            const Dataset data = nearPerfectFit(seed, noise);
            ModelResult result;
            const Prepared p = prepared(data);
            ASSERT_TRUE(computeModelStatistics(p.y, p.columns, 3u, result));
            EXPECT_GT(result.statistics[0], 0.999) << data.name;  // the case is as near-perfect as meant
            EXPECT_LT(worstRelativeError(data), rssTolerance) << data.name;
        }
    }
}

TEST(ExactRss, PowersOfAnUncentredYearAreRightToNineDigits) {
    for (std::size_t n : {31u, 62u}) {
        const Dataset data = yearPowers(n, n);
        EXPECT_LT(worstRelativeError(data), rssTolerance) << data.name;
    }
}

TEST(ExactRss, TimestampsInNanosecondsAreRightToNineDigits) {
    Dataset data = randomDataset(60, 3, 61);
    data.name = "timestamps";
    TestRandom random(62);
    for (std::size_t r = 0; r < 60; ++r) {
        const double step = 3e9 * static_cast<double>(r) + random.between(0, 1e6);
        data.columns[0][r] = 1.6e18 + step;
        data.y[r] = step / 1e11 + data.columns[1][r] + 0.2 * data.y[r];
    }
    EXPECT_LT(worstRelativeError(data), rssTolerance);
}

TEST(ExactRss, ColumnsNear1eMinus200AndSubnormalsAreRightToNineDigits) {
    Dataset tiny{"the 1e-200 sheet", {1e-200, 2e-200, 4e-200, 3e-200}, {{1, 2, 3, 4}}};
    EXPECT_LT(worstRelativeError(tiny), rssTolerance);
    ModelResult result;
    const Prepared p = prepared(tiny);
    ASSERT_TRUE(computeModelStatistics(p.y, p.columns, 1u, result));
    EXPECT_NEAR(result.statistics[0], 0.64, 1e-12);

    Dataset small = randomDataset(30, 4, 200);
    small.name = "every column near 1e-200";
    for (DataColumn& column : small.columns) {
        for (double& value : column) value *= 1e-200;
    }
    for (std::size_t r = 0; r < 30; ++r) small.y[r] = small.columns[0][r] - 2.0 * small.columns[2][r] + 1e-201 * small.y[r];
    EXPECT_LT(worstRelativeError(small), rssTolerance);

    Dataset subnormal = randomDataset(30, 3, 300);
    subnormal.name = "a column of subnormals and y near 1e-300";
    for (std::size_t r = 0; r < 30; ++r) {
        subnormal.columns[1][r] = std::ldexp(std::round(std::ldexp(subnormal.columns[1][r], 20)), -1060);
        subnormal.y[r] = 1e-300 * (subnormal.columns[0][r] + subnormal.y[r]) + 1e10 * subnormal.columns[1][r];
    }
    ASSERT_LT(std::fabs(subnormal.columns[1][0]), 0x1p-1022);
    EXPECT_LT(worstRelativeError(subnormal), rssTolerance);
}

TEST(ExactRss, TheCheckCatchesAFitThatLosesTheSmallColumns) {
    // The same comparison on the 1e-200 columns left unprepared: their
    // cross-products underflow, so the fit rejects or misfits them, and the
    // comparison must see it.
    Dataset small = randomDataset(30, 2, 201);
    for (DataColumn& column : small.columns) {
        for (double& value : column) value *= 1e-200;
    }
    for (std::size_t r = 0; r < 30; ++r) small.y[r] = 1e-200 * (small.columns[0][r] * 1e200 + 0.1 * small.y[r]);
    int wrong = 0;
    for (SubsetMask mask = 1; mask <= 3; ++mask) {
        const LeastSquaresFit fit = fitLeastSquares(small.y, small.columns, mask);
        Rational exact;
        ASSERT_TRUE(exactRss(small.y, small.columns, mask, exact));
        const double expected = toDouble(exact, 0);
        if (!fit.ok || !(std::fabs(fit.rss - expected) <= rssTolerance * expected)) ++wrong;
    }
    EXPECT_EQ(wrong, 3);
}

}  // namespace
