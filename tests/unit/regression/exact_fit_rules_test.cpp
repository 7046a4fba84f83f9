// The rank rule, the double-double refit and the exact-fit rule on the data
// of real worksheets: dependencies that must be rejected on every subset
// that holds them whole, severe collinearity that must stay and be fitted
// right, exact fits, and a y without variance.
#include <gtest/gtest.h>

#include <cmath>
#include <iostream>
#include <limits>

#include "dependency_test_data.h"
#include "exact_compare.h"
#include "regression/cross_products.h"
#include "regression/double_double.h"
#include "regression/extended_cross_products.h"
#include "regression/extended_fit.h"
#include "regression/fit_levels.h"
#include "regression/least_squares_fit.h"
#include "regression/linear_dependencies.h"
#include "regression/model_statistics.h"
#include "regression/subset_system.h"
#include "rule_reference.h"
#include "search_test_data.h"
#include "statistics_reference.h"

namespace {

SubsetMask maskOf(const std::vector<std::size_t>& columns) {
    SubsetMask mask = 0;
    for (std::size_t c : columns) mask |= SubsetMask{1} << c;
    return mask;
}

TEST(ExactFitRules, EveryExactDependencyIsRejectedOnEverySubsetThatHoldsItWhole) {
    for (const DependencyCase& test : dependencyCases()) {
        const Dataset& data = test.data;
        CrossProducts products;
        formCrossProducts(data.y, data.columns, products);
        SubsetSystem system;
        LeastSquaresFit fit;
        const SubsetMask last = (SubsetMask{1} << data.columns.size()) - 1;
        for (const KnownDependency& dependency : test.dependencies) {
            std::vector<std::size_t> members = dependency.combination;
            members.push_back(dependency.column);
            const SubsetMask whole = maskOf(members);
            std::size_t checked = 0;
            for (SubsetMask mask = 1; mask <= last; ++mask) {
                if ((mask & whole) != whole) continue;
                gatherSubsetSystem(products, mask, system);
                EXPECT_FALSE(solveSubsetSystem(system, fit)) << data.name << ", mask " << mask;
                EXPECT_FALSE(fitLeastSquares(data.y, data.columns, mask).ok) << data.name << ", mask " << mask;
                ++checked;
            }
            EXPECT_GT(checked, 0u) << data.name;
        }
    }
}

TEST(ExactFitRules, VerdictsAndResidualsAgreeWithTheIndependentReferenceOnEverySubset) {
    std::size_t rejected = 0, refitted = 0, subsets = 0, unclear = 0;
    for (const DependencyCase& test : dependencyCases()) {
        const Dataset& data = test.data;
        const SubsetMask last = (SubsetMask{1} << data.columns.size()) - 1;
        for (SubsetMask mask = 1; mask <= last; ++mask) {
            const LeastSquaresFit fit = fitLeastSquares(data.y, data.columns, mask);
            const ReferenceVerdict reference = referenceVerdict(data.y, data.columns, mask);
            const Expected expected = expectedVerdict(reference);
            ++subsets;
            rejected += fit.ok ? 0 : 1;
            refitted += fit.refitted ? 1 : 0;
            if (expected == Expected::Either) {
                ++unclear;
                continue;
            }
            ASSERT_EQ(fit.ok, expected == Expected::Model)
                << data.name << ", mask " << mask << ": reference least 1 - R2_j "
                << static_cast<double>(reference.leastIndependence);
            if (!fit.ok) continue;
            if (referenceExactFit(reference)) {
                EXPECT_TRUE(fit.exactFit) << data.name << ", mask " << mask;
                EXPECT_EQ(fit.rss, 0.0) << data.name << ", mask " << mask;
            } else {
                EXPECT_FALSE(fit.exactFit) << data.name << ", mask " << mask;
                EXPECT_NEAR(fit.rss, static_cast<double>(reference.rss()), 1e-10 * static_cast<double>(reference.sst))
                    << data.name << ", mask " << mask;
            }
        }
    }
    std::cout << "dependency data: " << subsets << " subsets, " << rejected << " rejected, " << refitted
              << " refitted in double-double, " << unclear << " within a factor 4 of a level\n";
    EXPECT_GT(rejected, 30u);
    EXPECT_GT(refitted, rejected);
    EXPECT_LT(unclear, subsets / 20);
}

TEST(ExactFitRules, SevereButLegalCollinearityIsKeptAndItsCoefficientsAreRight) {
    for (const DependencyCase& test : dependencyCases()) {
        if (!test.legalCollinearity) continue;
        const Dataset& data = test.data;
        const SubsetMask last = (SubsetMask{1} << data.columns.size()) - 1;
        std::size_t refitted = 0;
        for (SubsetMask mask = 1; mask <= last; ++mask) {
            const LeastSquaresFit fit = fitLeastSquares(data.y, data.columns, mask);
            ASSERT_TRUE(fit.ok) << "mask " << mask;
            refitted += fit.refitted ? 1 : 0;
            const ReferenceModel reference = referenceModel(data.y, data.columns, mask);
            for (std::size_t j = 1; j < fit.order(); ++j) {
                EXPECT_NEAR(fit.beta[j], reference.beta[j], 1e-8 * (1.0 + std::fabs(reference.beta[j])))
                    << "mask " << mask << ", coefficient " << j;
                EXPECT_NEAR(fit.inverse.at(j, j), reference.inverseDiagonal[j], 1e-8 * std::fabs(reference.inverseDiagonal[j]))
                    << "mask " << mask << ", coefficient " << j;
            }
        }
        // The closest pairs (1 − R² near 1e-9 and 3e-6) are refitted.
        EXPECT_GT(refitted, 0u);
    }
}

TEST(ExactFitRules, WellConditionedDataNeverReachTheRefit) {
    for (std::uint64_t seed = 1; seed <= 4; ++seed) {
        Dataset data = randomDataset(60, 8, 500 + seed);
        const SubsetMask last = (SubsetMask{1} << data.columns.size()) - 1;
        CrossProducts products;
        formCrossProducts(data.y, data.columns, products);
        SubsetSystem system;
        LeastSquaresFit fit;
        for (SubsetMask mask = 1; mask <= last; ++mask) {
            gatherSubsetSystem(products, mask, system);
            ASSERT_TRUE(solveSubsetSystem(system, fit)) << "mask " << mask;
            ASSERT_FALSE(fit.refitted) << "mask " << mask;
        }
        // Nor are the double-double cross-products ever formed.
        EXPECT_FALSE(products.extended) << data.name;
    }
}

TEST(ExactFitRules, AnExactFitRanksFirstWithRSquaredOneAndNeverShowsNaN) {
    for (const DependencyCase& test : dependencyCases()) {
        if (test.fittedBy.empty()) continue;
        const Dataset& data = test.data;
        const SubsetMask exact = maskOf(test.fittedBy);
        const SubsetMask last = (SubsetMask{1} << data.columns.size()) - 1;
        for (SubsetMask mask = 1; mask <= last; ++mask) {
            ModelResult result;
            ASSERT_TRUE(computeModelStatistics(data.y, data.columns, mask, result)) << mask;
            const bool holdsFit = (mask & exact) == exact;
            EXPECT_EQ(fitLeastSquares(data.y, data.columns, mask).exactFit, holdsFit) << "mask " << mask;
            EXPECT_FALSE(std::isnan(result.statistics[0]) || std::isnan(result.statistics[2])) << "mask " << mask;
            for (double c : result.coefficients) EXPECT_TRUE(std::isfinite(c)) << "mask " << mask;
            if (!holdsFit) continue;
            EXPECT_EQ(result.statistics[0], 1.0) << "mask " << mask;
            EXPECT_EQ(result.statistics[1], 1.0) << "mask " << mask;
            EXPECT_EQ(result.statistics[2], -std::numeric_limits<double>::infinity()) << "mask " << mask;
            EXPECT_EQ(result.pValues[0], 0.0) << "mask " << mask;
            // The exact-fit rule for the marks: the fitting columns are
            // needed (p 0), the others contribute nothing (p 1).
            std::size_t j = 1;
            for (std::size_t c = 0; c < data.columns.size(); ++c) {
                if (!(mask & (SubsetMask{1} << c))) continue;
                const bool needed = (exact >> c) & 1u;
                EXPECT_EQ(result.pValues[j], needed ? 0.0 : 1.0) << "mask " << mask << ", column " << c;
                ++j;
            }
        }
    }
}

TEST(ExactFitRules, TheDependencyFinderNamesEachDependencyAndTheExactFit) {
    for (const DependencyCase& test : dependencyCases()) {
        const DependencyReport report = findLinearDependencies(test.data.y, test.data.columns);
        ASSERT_EQ(report.dependencies.size(), test.dependencies.size()) << test.data.name;
        for (std::size_t i = 0; i < report.dependencies.size(); ++i) {
            EXPECT_EQ(report.dependencies[i].column, test.dependencies[i].column) << test.data.name;
            EXPECT_EQ(report.dependencies[i].combination, test.dependencies[i].combination) << test.data.name;
        }
        EXPECT_EQ(report.exactFit, !test.fittedBy.empty()) << test.data.name;
        EXPECT_EQ(report.fittedBy, test.fittedBy) << test.data.name;
    }
}

TEST(ExactFitRules, AConstantOrZeroDependentVariableIsNoModelOnAnySubset) {
    for (const DependencyCase& test : dependencyCases()) {
        for (double value : {0.0, 0.1, 1e6 + 0.3}) {
            DataColumn y(test.data.y.size(), value);
            const SubsetMask last = (SubsetMask{1} << test.data.columns.size()) - 1;
            for (SubsetMask mask = 1; mask <= last; ++mask) {
                EXPECT_FALSE(fitLeastSquares(y, test.data.columns, mask).ok) << test.data.name << ", y " << value;
            }
        }
    }
}

TEST(ExtendedFit, CrossProductsAreEachPairsOwnDoubleDoubleSumBitForBit) {
    // The products run several pairs at once (in vector lanes); each must
    // still be the double-double sum of its own pair's exact products over
    // the rows in ascending order (the recurrence written out here: two-sum
    // of the leading parts, the trailing parts added, renormalised),
    // whatever the number of columns and however far apart their
    // magnitudes; and the intercept's row the same sums with ones.
    Dataset data = randomDataset(57, 7, 91);
    for (std::size_t r = 0; r < data.y.size(); ++r) {
        data.columns[1][r] *= 1e150;
        data.columns[4][r] = 1e-140 * data.columns[4][r] + (r % 3 == 0 ? 3.0 : 0.0);
    }
    CrossProducts products;
    formCrossProducts(data.y, data.columns, products);
    const ExtendedCrossProducts& extended = extendedCrossProducts(products);
    const std::size_t order = products.order();
    const std::vector<double> ones(products.rows, 1.0);
    for (std::size_t a = 0; a < order; ++a) {
        for (std::size_t b = 1; b < order; ++b) {
            const double* left = a == 0 ? ones.data() : products.columns[a];
            double s = 0.0, c = 0.0;
            for (std::size_t r = 0; r < products.rows; ++r) {
                const DoubleDouble p = twoProduct(left[r], products.columns[b][r]);
                const double t = s + p.hi;
                const double back = t - s;
                const double w = ((s - (t - back)) + (p.hi - back)) + (c + p.lo);
                const double sum = t + w;
                c = w - (sum - t);
                s = sum;
            }
            const DoubleDouble want = quickTwoSum(s, c);
            const DoubleDouble got = extended.at(a, b);
            EXPECT_TRUE(sameDouble(got.hi, want.hi) && sameDouble(got.lo, want.lo))
                << "(" << a << ", " << b << "): " << exactText(got.hi) << " + " << exactText(got.lo) << " instead of "
                << exactText(want.hi) << " + " << exactText(want.lo);
        }
    }
}

TEST(ExtendedFit, MatchesTheReferenceOnWellConditionedDataToFarBeyondDoublePrecision) {
    // The refit is an independent solver: on ordinary data it must agree with
    // the long-double QR reference to the reference's own accuracy.
    const Dataset data = randomDataset(30, 5, 77);
    CrossProducts products;
    formCrossProducts(data.y, data.columns, products);
    const ExtendedCrossProducts& extended = extendedCrossProducts(products);
    for (SubsetMask mask = 1; mask < 32; ++mask) {
        SubsetSystem system;
        gatherSubsetSystem(products, mask, system);
        ExtendedSolution solution;
        solveExtended(extended, system.source, system.order(), extended.yIndex(), solution);
        ASSERT_EQ(solution.verdict, ExtendedVerdict::Solved) << mask;
        const ReferenceVerdict reference = referenceVerdict(data.y, data.columns, mask);
        EXPECT_NEAR(solution.rss, static_cast<double>(reference.rss()), 1e-15 * static_cast<double>(reference.sst)) << mask;
        const ReferenceModel model = referenceModel(data.y, data.columns, mask);
        for (std::size_t j = 0; j < system.order(); ++j) {
            EXPECT_NEAR(solution.beta[j], model.beta[j], 1e-14 * (1 + std::fabs(model.beta[j]))) << mask << "/" << j;
        }
        EXPECT_GT(solution.leastIndependence, 0.3) << mask;
        EXPECT_LE(solution.leastIndependence, 1.0) << mask;
    }
}


// Calls visit(extended, mask, system) for every subset of the data: the
// run's double-double cross-products and the subset's gathered system.
template <class Visit>
void forEverySubsetSystem(const Dataset& data, Visit visit) {
    CrossProducts products;
    formCrossProducts(data.y, data.columns, products);
    const ExtendedCrossProducts& extended = extendedCrossProducts(products);
    const SubsetMask last = (SubsetMask{1} << data.columns.size()) - 1;
    for (SubsetMask mask = 1; mask <= last; ++mask) {
        SubsetSystem system;
        gatherSubsetSystem(products, mask, system);
        visit(extended, mask, system);
    }
}

// Calls check(data, name) on each hard kind (40 rows, 10 columns) and each
// dependency case of at most 12 columns.
template <class Check>
void forEveryRankingCase(Check check) {
    for (HardKind kind : hardKinds) check(hardDataset(kind, 40, 10, 91), hardKindName(kind));
    for (const DependencyCase& test : dependencyCases()) {
        if (test.data.columns.size() <= 12) check(test.data, test.data.name.c_str());
    }
}

// What ranks a subset, from the ranking solve and from the whole one:
// verdict and leastIndependence always, the rest where it is solved. Every
// subset of each hard kind and each dependency case, bit for bit.
void expectSameRanking(const Dataset& data, const char* name, int& refitted, int& solved) {
    forEverySubsetSystem(data, [&](const ExtendedCrossProducts& extended, SubsetMask mask, const SubsetSystem& system) {
        ExtendedSolution whole, ranking;
        solveExtended(extended, system.source, system.order(), extended.yIndex(), whole);
        solveExtended(extended, system.source, system.order(), extended.yIndex(), ranking, ExtendedParts::Ranking);
        ASSERT_EQ(int(ranking.verdict), int(whole.verdict)) << name << ", mask " << mask;
        EXPECT_EQ(ranking.leastIndependence, whole.leastIndependence) << name << ", mask " << mask;
        if (whole.verdict == ExtendedVerdict::Solved) {
            ++solved;
            EXPECT_EQ(ranking.rss, whole.rss) << name << ", mask " << mask;
            EXPECT_EQ(ranking.residualShare, whole.residualShare) << name << ", mask " << mask;
            EXPECT_EQ(ranking.exactFit, whole.exactFit) << name << ", mask " << mask;
        }
        // The fit the search ranks by against the one the statistics use.
        LeastSquaresFit full, ranked;
        const bool fullOk = solveSubsetSystem(system, full);
        ASSERT_EQ(rankSubsetSystem(system, ranked), fullOk) << name << ", mask " << mask;
        EXPECT_EQ(ranked.refitted, full.refitted) << name << ", mask " << mask;
        refitted += full.refitted ? 1 : 0;
        if (!fullOk) return;
        EXPECT_EQ(ranked.rss, full.rss) << name << ", mask " << mask;
        EXPECT_EQ(ranked.exactFit, full.exactFit) << name << ", mask " << mask;
    });
}

TEST(ExtendedFit, TheRankingSolveGivesTheWholeSolvesVerdictAndRssBitForBit) {
    int refitted = 0;
    int solved = 0;
    forEveryRankingCase([&](const Dataset& data, const char* name) { expectSameRanking(data, name, refitted, solved); });
    // The refit path must have been taken, and solved, many times.
    EXPECT_GT(refitted, 1000);
    EXPECT_GT(solved, 5000);
    std::printf("ranking solves: %d subsets solved in double-double, %d refitted by the fit\n", solved, refitted);
}

// The ranking fit told what a caller knows beforehand (SubsetCertainties)
// must answer as the plain one: on every subset that the plain fit
// refitted, told so, and also told it is independent where every
// 1 − R²_j is at least 1e-6 (as the search vouches at traces up to 1e6).
// Counts the subsets checked each way.
void expectSameRankingWhenTold(const Dataset& data, const char* name, int& refitted, int& independent) {
    forEverySubsetSystem(data, [&](const ExtendedCrossProducts& extended, SubsetMask mask, const SubsetSystem& system) {
        LeastSquaresFit plain;
        const bool plainOk = rankSubsetSystem(system, plain);
        if (!plain.refitted) return;
        ExtendedSolution solution;
        solveExtended(extended, system.source, system.order(), extended.yIndex(), solution, ExtendedParts::Ranking);
        SubsetCertainties known;
        known.refitted = true;
        known.independent = solution.verdict == ExtendedVerdict::Solved && solution.leastIndependence >= 1e-6;
        LeastSquaresFit told;
        const bool toldOk = rankSubsetSystem(system, told, known);
        ++refitted;
        if (known.independent) ++independent;
        EXPECT_EQ(toldOk, plainOk) << name << ", mask " << mask;
        EXPECT_TRUE(told.refitted) << name << ", mask " << mask;
        if (!plainOk || !toldOk) return;
        EXPECT_EQ(told.exactFit, plain.exactFit) << name << ", mask " << mask;
        EXPECT_TRUE(sameDouble(told.rss, plain.rss))
            << name << ", mask " << mask << ": " << exactText(told.rss) << " instead of " << exactText(plain.rss);
    });
}

TEST(ExtendedFit, TheRankingFitToldWhatTheSearchKnowsAnswersAsThePlainOne) {
    int refitted = 0;
    int independent = 0;
    forEveryRankingCase(
        [&](const Dataset& data, const char* name) { expectSameRankingWhenTold(data, name, refitted, independent); });
    EXPECT_GT(refitted, 1000);
    EXPECT_GT(independent, 500);
    std::printf("told fits: %d refitted, %d of them independent\n", refitted, independent);
}

// The dependency walk's answers from its growing factorisation against a
// walk that solves each column afresh against the basis before it (as the
// walk did before it grew one): every column of each hard kind and each
// dependency case, verdict, 1 − R² and least 1 − R²_j bit for bit.
void expectBasisAnswersAsFreshSolves(const Dataset& data, const char* name, int& asked, int& combinations) {
    CrossProducts products;
    formCrossProducts(data.y, data.columns, products);
    const ExtendedCrossProducts& extended = extendedCrossProducts(products);
    const std::vector<BasisAnswer> answers = basisAnswers(extended);
    ASSERT_EQ(answers.size(), data.columns.size()) << name;
    std::vector<std::size_t> source{0};
    for (std::size_t j = 0; j < data.columns.size(); ++j) {
        const std::size_t index = 1 + j;
        if (!(extended.at(index, index).hi > 0.0)) {
            EXPECT_FALSE(answers[j].asked) << name << ", column " << j;
            continue;
        }
        bool combination = false;
        if (source.size() > 1) {
            ExtendedSolution fresh;
            solveExtended(extended, source.data(), source.size(), index, fresh, ExtendedParts::Ranking);
            ++asked;
            EXPECT_TRUE(answers[j].asked) << name << ", column " << j;
            EXPECT_EQ(int(answers[j].verdict), int(fresh.verdict)) << name << ", column " << j;
            EXPECT_EQ(answers[j].leastIndependence, fresh.leastIndependence) << name << ", column " << j;
            if (fresh.verdict == ExtendedVerdict::Solved) {
                EXPECT_EQ(answers[j].residualShare, fresh.residualShare) << name << ", column " << j;
            }
            combination = fresh.verdict == ExtendedVerdict::Solved && !(fresh.residualShare > rankTolerance);
        }
        EXPECT_EQ(answers[j].combination(), combination) << name << ", column " << j;
        if (combination) {
            ++combinations;
        } else {
            source.push_back(index);
        }
    }
}

TEST(ExtendedFit, TheDependencyWalksGrowingBasisAnswersAsAFreshSolveOfEachColumn) {
    int asked = 0;
    int combinations = 0;
    forEveryRankingCase(
        [&](const Dataset& data, const char* name) { expectBasisAnswersAsFreshSolves(data, name, asked, combinations); });
    for (HardKind kind : hardKinds) {
        const Dataset wide = hardDataset(kind, 200, 31, 17);
        expectBasisAnswersAsFreshSolves(wide, hardKindName(kind), asked, combinations);
    }
    EXPECT_GT(asked, 300);
    EXPECT_GT(combinations, 10);
    std::printf("basis questions: %d asked, %d combinations\n", asked, combinations);
}

// One variable and y, with the cross-products written directly: n = 2^-5
// (a weight, not a count), mean m = 2^5, centred spread C = 2^-1000, and y
// with its own spread. Then C⁻¹·m = 2^1005: finite, but beyond what the
// ranking solve's cheap check vouches for, so it must answer as the whole
// solve does. With spread 2^-1100 (a subnormal lo part stays exact) the
// intercept row overflows: the whole solve's verdict is NotFinite.
TEST(ExtendedFit, TheRankingSolveNearAnOverflowAnswersAsTheWholeSolve) {
    for (int spreadExponent : {-1000, -1020}) {
        ExtendedCrossProducts products;
        products.variables = 1;
        products.rows = 1;
        const auto set = [&](std::size_t a, std::size_t b, DoubleDouble value) {
            products.entries[a * products.order() + b] = value;
            products.entries[b * products.order() + a] = value;
        };
        const double spread = std::ldexp(1.0, spreadExponent);
        set(0, 0, {0x1p-5, 0.0});
        set(0, 1, {1.0, 0.0});          // Σx = m·n
        set(1, 1, {0x1p5, spread});     // Σx² = m·Σx + C
        set(0, 2, {0.0, 0.0});          // Σy = 0
        set(1, 2, {spread, 0.0});       // Σxy: β = 1
        set(2, 2, {1.0, 0.0});          // Σy²
        centreExtendedCrossProducts(products);
        const std::size_t source[2] = {0, 1};
        ExtendedSolution whole, ranking;
        solveExtended(products, source, 2, products.yIndex(), whole);
        solveExtended(products, source, 2, products.yIndex(), ranking, ExtendedParts::Ranking);
        ASSERT_EQ(int(ranking.verdict), int(whole.verdict)) << "spread 2^" << spreadExponent;
        if (spreadExponent == -1000) {
            ASSERT_EQ(whole.verdict, ExtendedVerdict::Solved);
            EXPECT_TRUE(std::isfinite(whole.inverse.at(0, 0))) << whole.inverse.at(0, 0);
            EXPECT_EQ(ranking.rss, whole.rss);
        } else {
            EXPECT_EQ(whole.verdict, ExtendedVerdict::NotFinite) << int(whole.verdict);
        }
    }
}
}  // namespace
