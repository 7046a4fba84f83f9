#include "regression/least_squares_fit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>

#include "exact_compare.h"
#include "regression/cross_products.h"
#include "regression/subset_mask.h"
#include "rule_reference.h"
#include "regression/matrix_inverse.h"
#include "regression/subset_system.h"
#include "test_data.h"
#include "ublas_literal_fit.h"

namespace {

namespace ublas = boost::numeric::ublas;

// Every difference between a production fit and the literal one, as text
// (empty when they agree bit for bit).
std::string differences(const LeastSquaresFit& fit, const LiteralFit& literal) {
    std::ostringstream out;
    if (fit.ok != literal.ok) {
        out << " verdict " << fit.ok << " vs " << literal.ok;
        return out.str();
    }
    if (!fit.ok) {
        return out.str();
    }
    const std::size_t e = literal.beta.size();
    if (fit.order() != e) {
        out << " order " << fit.order() << " vs " << e;
        return out.str();
    }
    for (std::size_t i = 0; i < e; ++i) {
        if (!sameDouble(fit.beta[i], literal.beta(i))) {
            out << " beta[" << i << "] " << exactText(fit.beta[i]) << " vs " << exactText(literal.beta(i));
        }
        if (!sameDouble(fit.xty[i], literal.xty(i))) {
            out << " xty[" << i << "] " << exactText(fit.xty[i]) << " vs " << exactText(literal.xty(i));
        }
        for (std::size_t j = 0; j < e; ++j) {
            if (!sameDouble(fit.inverse.at(i, j), literal.inverse(i, j))) {
                out << " inverse(" << i << "," << j << ") " << exactText(fit.inverse.at(i, j)) << " vs "
                    << exactText(literal.inverse(i, j));
            }
        }
    }
    if (!sameDouble(fit.rss, literal.rss)) {
        out << " rss " << exactText(fit.rss) << " vs " << exactText(literal.rss);
    }
    return out.str();
}

// A refitted subset against the reference: the verdict where the reference
// is clear, and RSS to 1e-9 of SST (or exactly 0 for an exact fit).
std::string refitDifferences(const LeastSquaresFit& fit, const ReferenceVerdict& reference) {
    std::ostringstream out;
    const Expected expected = expectedVerdict(reference);
    if (expected == Expected::Either) return out.str();
    if (fit.ok != (expected == Expected::Model)) {
        out << " verdict " << fit.ok << ", reference: least 1 - R2_j " << static_cast<double>(reference.leastIndependence)
            << ", SST " << static_cast<double>(reference.sst);
        return out.str();
    }
    if (!fit.ok) return out.str();
    if (referenceExactFit(reference)) {
        if (fit.rss != 0.0 || !fit.exactFit) out << " exact fit expected, rss " << exactText(fit.rss);
        return out.str();
    }
    const double want = static_cast<double>(reference.rss());
    if (!(std::fabs(fit.rss - want) <= 1e-9 * static_cast<double>(reference.sst))) {
        out << " rss " << exactText(fit.rss) << " vs reference " << exactText(want);
    }
    return out.str();
}

TEST(LeastSquaresFit, AgreesBitForBitWithTheLiteralUblasFitWhereDoubleResolvesAndWithTheReferenceWhereItRefits) {
    std::size_t doublePath = 0;
    std::size_t refitted = 0;
    for (const Dataset& data : differentialDatasets()) {
        CrossProducts products;
        formCrossProducts(data.y, data.columns, products);
        SubsetSystem system;
        LeastSquaresFit gathered;
        std::size_t accepted = 0;
        const SubsetMask last = (SubsetMask{1} << data.columns.size()) - 1;
        for (SubsetMask mask = 1; mask <= last; ++mask) {
            const LiteralFit literal = literalFit(data.y, data.columns, mask);
            // The statistics' path: the subset's own cross-products.
            const LeastSquaresFit own = fitLeastSquares(data.y, data.columns, mask);
            // The screening's path: gathered from the run's cross-products.
            gatherSubsetSystem(products, mask, system);
            solveSubsetSystem(system, gathered);
            for (std::size_t i = 0; i < literal.crossProducts.size1(); ++i) {
                for (std::size_t j = 0; j < literal.crossProducts.size2(); ++j) {
                    ASSERT_TRUE(sameDouble(system.crossProducts.at(i, j), literal.crossProducts(i, j)))
                        << data.name << ", mask " << mask << ": XtX(" << i << "," << j << ") "
                        << exactText(system.crossProducts.at(i, j)) << " vs "
                        << exactText(literal.crossProducts(i, j));
                }
            }
            // Both paths take the same route to the same numbers.
            ASSERT_EQ(own.refitted, gathered.refitted) << data.name << ", mask " << mask;
            if (!gathered.refitted) {
                EXPECT_EQ(differences(own, literal), "") << data.name << ", mask " << mask << " (fitLeastSquares)";
                EXPECT_EQ(differences(gathered, literal), "") << data.name << ", mask " << mask << " (gathered)";
                ++doublePath;
            } else {
                if (data.y.size() > subsetSize(mask)) {
                    const ReferenceVerdict reference = referenceVerdict(data.y, data.columns, mask);
                    EXPECT_EQ(refitDifferences(gathered, reference), "") << data.name << ", mask " << mask;
                }
                EXPECT_EQ(own.ok, gathered.ok) << data.name << ", mask " << mask;
                if (own.ok && gathered.ok) {
                    EXPECT_TRUE(sameDouble(own.rss, gathered.rss)) << data.name << ", mask " << mask;
                    for (std::size_t i = 0; i < gathered.order(); ++i) {
                        EXPECT_TRUE(sameDouble(own.beta[i], gathered.beta[i])) << data.name << ", mask " << mask;
                    }
                }
                ++refitted;
            }
            accepted += gathered.ok ? 1 : 0;
        }
        // Each data set of real variance has a solvable subset, so the
        // comparison of numbers really happens.
        if (data.name.find("dependent variable") == std::string::npos) {
            EXPECT_GT(accepted, 0u) << data.name;
        }
    }
    EXPECT_GT(doublePath, 500u);
    EXPECT_GT(refitted, 50u);
}

TEST(LeastSquaresFit, DataKindsExerciseRejectionsAndRefitsButNoModelHasANegativeOrNonFiniteRss) {
    // The differential test above only proves something if the data reach
    // the awkward corners; check that they do, and that what they used to
    // produce (negative or non-finite RSS) no longer comes out as a model.
    std::size_t rejected = 0;
    std::size_t refitted = 0;
    for (const Dataset& data : differentialDatasets()) {
        const SubsetMask last = (SubsetMask{1} << data.columns.size()) - 1;
        for (SubsetMask mask = 1; mask <= last; ++mask) {
            const LeastSquaresFit fit = fitLeastSquares(data.y, data.columns, mask);
            rejected += fit.ok ? 0 : 1;
            refitted += fit.ok && fit.refitted ? 1 : 0;
            if (fit.ok) {
                EXPECT_TRUE(std::isfinite(fit.rss) && fit.rss >= 0.0)
                    << data.name << ", mask " << mask << ": " << exactText(fit.rss);
            }
        }
    }
    EXPECT_GT(rejected, 0u);
    EXPECT_GT(refitted, 0u);
}

// A random matrix whose entries are drawn from a palette of ordinary values
// and of values that make the elimination meet zeros, signed zeros,
// infinities and NaNs.
ublas::matrix<double> awkwardMatrix(TestRandom& random, std::size_t order) {
    static const double palette[] = {0.0, -0.0, 1.0, -1.0, 2.0, 0.5, 3.0, -7.0, 1e300, -1e-300, 1e-320,
                                     std::numeric_limits<double>::infinity(),
                                     -std::numeric_limits<double>::infinity(),
                                     std::numeric_limits<double>::quiet_NaN()};
    ublas::matrix<double> a(order, order);
    for (std::size_t i = 0; i < order; ++i) {
        for (std::size_t j = 0; j < order; ++j) {
            const int pick = random.integer(0, 40);
            a(i, j) = pick < 14 ? palette[pick] : random.between(-4, 4);
        }
    }
    return a;
}

TEST(InvertMatrix, AgreesBitForBitWithUblasOnMatricesFullOfZerosInfinitiesAndNaNs) {
    TestRandom random(2024);
    std::size_t accepted = 0;
    for (int trial = 0; trial < 4000; ++trial) {
        const std::size_t order = static_cast<std::size_t>(random.integer(1, 9));
        const ublas::matrix<double> a = awkwardMatrix(random, order);
        SquareMatrix input;
        input.order = order;
        for (std::size_t i = 0; i < order; ++i) {
            for (std::size_t j = 0; j < order; ++j) {
                input.at(i, j) = a(i, j);
            }
        }
        ublas::matrix<double> expected(order, order);
        SquareMatrix inverse;
        const bool literalOk = literalInvert(a, expected);
        ASSERT_EQ(invertMatrix(input, inverse), literalOk) << "trial " << trial;
        if (!literalOk) {
            continue;
        }
        ++accepted;
        for (std::size_t i = 0; i < order; ++i) {
            for (std::size_t j = 0; j < order; ++j) {
                ASSERT_TRUE(sameDouble(inverse.at(i, j), expected(i, j)))
                    << "trial " << trial << " (" << i << "," << j << "): " << exactText(inverse.at(i, j))
                    << " vs " << exactText(expected(i, j));
            }
        }
    }
    EXPECT_GT(accepted, 1000u);
}

TEST(InvertMatrix, LeavesTheInverseUnwrittenWhenItRejects) {
    SquareMatrix a;
    a.order = 2;
    a.at(0, 0) = 1.0;
    a.at(0, 1) = 2.0;
    a.at(1, 0) = 2.0;
    a.at(1, 1) = 4.0;
    SquareMatrix inverse;
    inverse.order = 5;
    inverse.entries[0] = 42.0;
    EXPECT_FALSE(invertMatrix(a, inverse));
    EXPECT_EQ(inverse.order, 5u);
    EXPECT_EQ(inverse.entries[0], 42.0);
}

TEST(LeastSquaresFit, RejectsTheCollinearSubsetOfTheFourRowExampleButFitsEachVariableAlone) {
    const DataColumn y{1, 3, 2, 5};
    const std::vector<DataColumn> columns{{1, 2, 3, 4}, {2, 4, 6, 8}};
    CrossProducts products;
    formCrossProducts(y, columns, products);
    SubsetSystem system;
    gatherSubsetSystem(products, 3, system);
    const double expected[3][3] = {{4, 10, 20}, {10, 30, 60}, {20, 60, 120}};
    for (std::size_t i = 0; i < 3; ++i) {
        for (std::size_t j = 0; j < 3; ++j) {
            EXPECT_EQ(system.crossProducts.at(i, j), expected[i][j]) << i << "," << j;
        }
    }
    EXPECT_FALSE(fitLeastSquares(y, columns, 3).ok);

    // Alone, each variable gives the simple-regression line: slope
    // Sxy/Sxx about the means, intercept ȳ − slope·x̄.
    for (SubsetMask mask : {1u, 2u}) {
        const DataColumn& x = columns[mask - 1];
        double meanX = 0, meanY = 0;
        for (std::size_t r = 0; r < 4; ++r) {
            meanX += x[r] / 4;
            meanY += y[r] / 4;
        }
        double sxy = 0, sxx = 0;
        for (std::size_t r = 0; r < 4; ++r) {
            sxy += (x[r] - meanX) * (y[r] - meanY);
            sxx += (x[r] - meanX) * (x[r] - meanX);
        }
        const LeastSquaresFit fit = fitLeastSquares(y, columns, mask);
        ASSERT_TRUE(fit.ok) << "mask " << mask;
        EXPECT_NEAR(fit.beta[1], sxy / sxx, 1e-12) << "mask " << mask;
        EXPECT_NEAR(fit.beta[0], meanY - sxy / sxx * meanX, 1e-12) << "mask " << mask;
    }
}

TEST(LeastSquaresFit, OrdersCoefficientsByBitNotByColumnContent) {
    // Variables 0 and 2 of three: β_1 belongs to column 0, β_2 to column 2.
    const DataColumn x0{1, 2, 3, 4, 5, 6};
    const DataColumn x2{2, -1, 0, 3, 1, 1};
    DataColumn y(6);
    for (std::size_t r = 0; r < 6; ++r) {
        y[r] = 1.0 + 2.0 * x0[r] - 3.0 * x2[r];
    }
    const LeastSquaresFit fit = fitLeastSquares(y, {x0, {9, 9, 8, 9, 9, 9}, x2}, 5);
    ASSERT_TRUE(fit.ok);
    EXPECT_NEAR(fit.beta[0], 1.0, 1e-12);
    EXPECT_NEAR(fit.beta[1], 2.0, 1e-12);
    EXPECT_NEAR(fit.beta[2], -3.0, 1e-12);
    EXPECT_NEAR(fit.rss, 0.0, 1e-12);
}

TEST(LeastSquaresFit, RefusesMasksAndColumnsBeyondWhatItCanHold) {
    const DataColumn y{1, 2, 3};
    const std::vector<DataColumn> columns{{1, 0, 1}};
    EXPECT_THROW(fitLeastSquares(y, columns, 2), std::invalid_argument);
    EXPECT_THROW(fitLeastSquares(y, {{1, 2}}, 1), std::invalid_argument);
    CrossProducts products;
    EXPECT_THROW(formCrossProducts(y, std::vector<DataColumn>(65, DataColumn{1, 2, 4}), products),
                 std::invalid_argument);
    EXPECT_NO_THROW(formCrossProducts(y, std::vector<DataColumn>(64, DataColumn{1, 2, 4}), products));
    EXPECT_EQ(products.variables, 64u);
}

}  // namespace
