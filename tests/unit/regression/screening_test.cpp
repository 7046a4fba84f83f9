#include "subset_search/screening.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <limits>
#include <thread>

#include "exact_compare.h"
#include "subset_search/kept_selection.h"
#include "regression/least_squares_fit.h"
#include "subset_search/ranking_criterion.h"
#include "rule_reference.h"
#include "significant_digits.h"
#include "test_data.h"
#include "ublas_literal_fit.h"

namespace {

std::vector<RankedSubset> screen(const Dataset& data, std::uint32_t keepCount, std::int32_t criterionCode) {
    std::vector<RankedSubset> kept{{77, 1.0}};  // screening must empty it first
    RunProgress progress;
    EXPECT_TRUE(screenSubsets(data.y, data.columns, kept, keepCount, rankCriterionFromCode(criterionCode), progress));
    return kept;
}

std::vector<SubsetMask> masksOf(const std::vector<RankedSubset>& kept) {
    std::vector<SubsetMask> masks;
    for (const RankedSubset& entry : kept) {
        masks.push_back(entry.mask);
    }
    return masks;
}

const Dataset workedExample{"worked example", {2, 4, 5, 4, 5}, {{1, 2, 3, 4, 5}, {3, 1, 4, 1, 5}}};

TEST(ScreenSubsets, WorkedExampleGivesTheStatedCriteria) {
    // mask: RSS, RSS/(n − d − 1), n·ln(RSS/n) + 2d
    const double expected[4][3] = {{}, {2.4, 0.8, -1.66985}, {5.296875, 1.765625, 2.28840}, {2.36786, 1.18393, 0.262737}};
    for (std::int32_t code : {0, 1, 2}) {
        const std::vector<RankedSubset> kept = screen(workedExample, 10, code);
        ASSERT_EQ(kept.size(), 3u) << "criterion " << code;
        for (const RankedSubset& entry : kept) {
            EXPECT_TRUE(agreesToDigits(entry.criterion, expected[entry.mask][code], 6))
                << "criterion " << code << ", mask " << entry.mask;
        }
    }
}

TEST(ScreenSubsets, WorkedExampleKeepsTheStatedListsPerCriterionAndKeepCount) {
    EXPECT_EQ(masksOf(screen(workedExample, 2, 0)), (std::vector<SubsetMask>{3, 1}));
    EXPECT_EQ(masksOf(screen(workedExample, 2, 1)), (std::vector<SubsetMask>{1, 3}));
    EXPECT_EQ(masksOf(screen(workedExample, 2, 2)), (std::vector<SubsetMask>{1, 3}));
    EXPECT_EQ(masksOf(screen(workedExample, 1, 0)), (std::vector<SubsetMask>{3}));
    // Any code other than 0 and 1 is the information criterion.
    EXPECT_EQ(masksOf(screen(workedExample, 3, -5)), (std::vector<SubsetMask>{1, 3, 2}));
    EXPECT_EQ(masksOf(screen(workedExample, 3, 1000)), (std::vector<SubsetMask>{1, 3, 2}));
}

// The expected list, from first principles: for the subsets the double fit
// resolves, the literal fit and the criterion formula (bit for bit); for the
// ones it refits, the rules and the RSS of the independent reference
// (approximate); the skipping rules (no residual degrees of freedom, NaN;
// +∞ lies above every threshold), then the keepCount best in ascending
// criterion, equal criteria in ascending mask.
struct ExpectedEntry {
    RankedSubset entry;
    bool approximate = false;
};

double criterionOf(std::int32_t code, double rss, double n, double d) {
    return code == 0 ? rss : code == 1 ? rss / (n - d - 1) : n * std::log(rss / n) + 2 * d;
}

std::vector<ExpectedEntry> expectedKeptList(const Dataset& data, std::uint32_t keepCount, std::int32_t code) {
    const double n = static_cast<double>(data.y.size());
    std::vector<ExpectedEntry> all;
    const SubsetMask last = (SubsetMask{1} << data.columns.size()) - 1;
    for (SubsetMask mask = 1; mask <= last; ++mask) {
        const double d = static_cast<double>(__builtin_popcountll(mask));
        if (n - d - 1 <= 0) continue;
        ExpectedEntry expected;
        expected.entry.mask = mask;
        if (!fitLeastSquares(data.y, data.columns, mask).refitted) {
            const LiteralFit fit = literalFit(data.y, data.columns, mask);
            if (!fit.ok) continue;
            expected.entry.criterion = criterionOf(code, fit.rss, n, d);
        } else {
            const ReferenceVerdict reference = referenceVerdict(data.y, data.columns, mask);
            const Expected verdict = expectedVerdict(reference);
            EXPECT_NE(verdict, Expected::Either) << data.name << ", mask " << mask << ": too close to a level";
            if (verdict != Expected::Model) continue;
            const double rss = referenceExactFit(reference) ? 0.0 : static_cast<double>(reference.rss());
            expected.entry.criterion = criterionOf(code, rss, n, d);
            expected.approximate = true;
        }
        const double value = expected.entry.criterion;
        if (std::isnan(value) || value > std::numeric_limits<double>::max()) continue;
        all.push_back(expected);
    }
    std::sort(all.begin(), all.end(), [](const ExpectedEntry& a, const ExpectedEntry& b) {
        return rankedBefore(a.entry, b.entry);
    });
    if (all.size() > keepCount) {
        all.resize(keepCount);
    }
    return all;
}

// Whether two criterion values agree: bit for bit, or for an approximate
// one to 1e-9 of y's sum of squares in RSS terms (1e-6 for the logarithm).
bool criteriaAgree(double got, const ExpectedEntry& want, std::int32_t code, double scale) {
    if (!want.approximate) return sameDouble(got, want.entry.criterion);
    if (got == want.entry.criterion) return true;
    const double tolerance = code == 2 ? 1e-6 * (1.0 + std::fabs(want.entry.criterion)) : 1e-9 * scale;
    return std::fabs(got - want.entry.criterion) <= tolerance;
}

TEST(ScreenSubsets, KeepsExactlyTheBestSubsetsInRankOrderForEveryCriterionAndKeepCount) {
    std::vector<Dataset> sets = differentialDatasets();
    Dataset ties = randomDataset(9, 3, 31);
    ties.name = "two equal columns";
    ties.columns.push_back(ties.columns[0]);
    ties.columns.push_back(ties.columns[2]);
    sets.push_back(ties);
    for (const Dataset& data : sets) {
        double scale = 0.0;
        for (double v : data.y) scale += v * v;
        const std::uint32_t all = (std::uint32_t{1} << data.columns.size()) - 1;
        for (std::int32_t code : {0, 1, 2}) {
            for (std::uint32_t keepCount : {1u, 2u, 5u, all - 1, all, all + 9, 0xFFFFFFFFu}) {
                const std::vector<RankedSubset> kept = screen(data, keepCount, code);
                const std::vector<ExpectedEntry> expected = expectedKeptList(data, keepCount, code);
                ASSERT_EQ(kept.size(), expected.size())
                    << data.name << ", criterion " << code << ", keepCount " << keepCount;
                for (std::size_t i = 0; i < kept.size(); ++i) {
                    // Approximate neighbours closer than the tolerance may
                    // come in either order.
                    EXPECT_TRUE(kept[i].mask == expected[i].entry.mask ||
                                (expected[i].approximate && criteriaAgree(kept[i].criterion, expected[i], code, scale)))
                        << data.name << ", criterion " << code << ", keepCount " << keepCount << ", entry " << i
                        << ": mask " << kept[i].mask << " instead of " << expected[i].entry.mask;
                    EXPECT_TRUE(criteriaAgree(kept[i].criterion, expected[i], code, scale))
                        << data.name << ", criterion " << code << ", entry " << i << ": "
                        << exactText(kept[i].criterion) << " vs " << exactText(expected[i].entry.criterion);
                }
            }
        }
    }
}

TEST(ScreenSubsets, RanksEqualCriteriaByAscendingMask) {
    // Columns 0 and 2 are the same values: subsets {0} and {2} (masks 1 and
    // 4) have bit-identical fits; {0, 2} is singular.
    Dataset data = randomDataset(8, 2, 41);
    data.columns.push_back(data.columns[0]);
    for (std::int32_t code : {0, 1, 2}) {
        const std::vector<SubsetMask> masks = masksOf(screen(data, 7, code));
        const auto first = std::find(masks.begin(), masks.end(), 1u);
        ASSERT_NE(first, masks.end());
        ASSERT_NE(first + 1, masks.end());
        EXPECT_EQ(*(first + 1), 4u) << "criterion " << code;
        EXPECT_EQ(std::count(masks.begin(), masks.end(), 5u), 0) << "criterion " << code;
    }
}

TEST(ScreenSubsets, NeverRanksSubsetsWithoutResidualDegreesOfFreedom) {
    // n = 4: models of three variables fit exactly (n = d + 1) and would top
    // the RSS ranking; they must not appear under any criterion.
    const Dataset data = randomDataset(4, 4, 51);
    for (std::int32_t code : {0, 1, 2}) {
        const std::vector<RankedSubset> kept = screen(data, 100, code);
        EXPECT_EQ(kept.size(), 10u) << "criterion " << code;  // 4 + 6 subsets of one or two variables
        for (const RankedSubset& entry : kept) {
            EXPECT_LE(__builtin_popcountll(entry.mask), 2) << "criterion " << code << ", mask " << entry.mask;
        }
    }
}

TEST(RankingCriterion, SkipsSubsetsWithoutResidualDegreesOfFreedomAndNaNCriteria) {
    double value = 0.0;
    EXPECT_FALSE(rankingCriterion(RankCriterion::ResidualMeanSquare, 0.0, 3, 2, value));   // df 0
    EXPECT_FALSE(rankingCriterion(RankCriterion::ResidualMeanSquare, 1.0, 2, 3, value));   // df −2, not 2^32 − 2
    EXPECT_FALSE(rankingCriterion(RankCriterion::ResidualSumOfSquares, 1.0, 4, 3, value));
    EXPECT_FALSE(rankingCriterion(RankCriterion::InformationCriterion, -1e-30, 10, 2, value));  // ln of a negative
    EXPECT_FALSE(rankingCriterion(RankCriterion::ResidualSumOfSquares, std::nan(""), 10, 2, value));
    ASSERT_TRUE(rankingCriterion(RankCriterion::InformationCriterion, 10.0, 10, 1, value));
    EXPECT_EQ(value, 2.0);  // 10·ln(1) + 2
    ASSERT_TRUE(rankingCriterion(RankCriterion::ResidualMeanSquare, 6.0, 6, 2, value));
    EXPECT_EQ(value, 2.0);
    ASSERT_TRUE(rankingCriterion(RankCriterion::InformationCriterion, 0.0, 5, 1, value));
    EXPECT_EQ(value, -std::numeric_limits<double>::infinity());  // a perfect fit ranks first
}

TEST(RankingCriterion, CorrectedAicNeedsTwoResidualDegreesOfFreedomAndGrowsWithTheSize) {
    double value = 0.0;
    // n = 10, d = 1: AIC 10·ln(1) + 2, p = 2 coefficients, correction
    // 2·2·3/(10 − 2 − 1) = 12/7.
    ASSERT_TRUE(rankingCriterion(RankCriterion::CorrectedInformationCriterion, 10.0, 10, 1, value));
    EXPECT_DOUBLE_EQ(value, 2.0 + 12.0 / 7.0);
    // n = 10, d = 8: one residual degree of freedom leaves the correction
    // without a value (its divisor is 0): +∞, which no list takes.
    ASSERT_TRUE(rankingCriterion(RankCriterion::CorrectedInformationCriterion, 1.0, 10, 8, value));
    EXPECT_EQ(value, std::numeric_limits<double>::infinity());
    EXPECT_FALSE(rankingCriterion(RankCriterion::CorrectedInformationCriterion, 0.0, 10, 8, value));  // −∞ + ∞
    EXPECT_FALSE(rankingCriterion(RankCriterion::CorrectedInformationCriterion, 1.0, 10, 9, value));  // df 0
    // d = 7: p = 8, correction 2·8·9/1 = 144.
    ASSERT_TRUE(rankingCriterion(RankCriterion::CorrectedInformationCriterion, 10.0, 10, 7, value));
    EXPECT_DOUBLE_EQ(value, 14.0 + 144.0);
    ASSERT_TRUE(rankingCriterion(RankCriterion::CorrectedInformationCriterion, 0.0, 10, 7, value));
    EXPECT_EQ(value, -std::numeric_limits<double>::infinity());  // a perfect fit with two df still ranks first
    EXPECT_EQ(largestRankedSize(RankCriterion::CorrectedInformationCriterion, 10), 7);
    EXPECT_EQ(largestRankedSize(RankCriterion::InformationCriterion, 10), 8);
    EXPECT_LT(largestRankedSize(RankCriterion::ResidualSumOfSquares, 1), 0);
    // For a fixed RSS the value grows with every added variable, faster
    // than AIC's, and it approaches AIC as the rows grow.
    double previous = -std::numeric_limits<double>::infinity();
    for (std::size_t d = 1; d <= 17; ++d) {
        double aic = 0.0;
        ASSERT_TRUE(rankingCriterion(RankCriterion::CorrectedInformationCriterion, 3.0, 20, d, value));
        ASSERT_TRUE(rankingCriterion(RankCriterion::InformationCriterion, 3.0, 20, d, aic));
        EXPECT_GT(value, previous) << d;
        EXPECT_GT(value, aic) << d;
        previous = value;
    }
    double large = 0.0, aic = 0.0;
    ASSERT_TRUE(rankingCriterion(RankCriterion::CorrectedInformationCriterion, 3.0, 100000, 5, large));
    ASSERT_TRUE(rankingCriterion(RankCriterion::InformationCriterion, 3.0, 100000, 5, aic));
    EXPECT_NEAR(large, aic, 1e-3);
}

TEST(ScreenSubsets, OneVariableGivesOneEntryAndNoVariablesNone) {
    const Dataset one{"one variable", {1, 3, 2, 4}, {{1, 2, 3, 5}}};
    EXPECT_EQ(masksOf(screen(one, 5, 0)), (std::vector<SubsetMask>{1}));
    const Dataset none{"no variables", {1, 3, 2, 4}, {}};
    EXPECT_TRUE(screen(none, 5, 0).empty());
    EXPECT_TRUE(screen(one, 0, 0).empty());  // keeping none keeps none
}

TEST(ScreenSubsets, LeavesSubsetsDoneAtTheLastMaskMinusOne) {
    const Dataset data = randomDataset(20, 5, 61);
    std::vector<RankedSubset> kept;
    RunProgress progress;
    ASSERT_TRUE(screenSubsets(data.y, data.columns, kept, 3, RankCriterion::InformationCriterion, progress));
    EXPECT_EQ(progress.subsetsDone.load(), 30u);  // 2^5 − 2
}

TEST(ScreenSubsets, StopRequestedBeforehandReturnsFalseWithoutFittingAnything) {
    const Dataset data = randomDataset(20, 12, 62);
    std::vector<RankedSubset> kept{{5, 1.0}};
    RunProgress progress;
    progress.subsetsDone.store(12345);
    progress.stopRequested.store(true);
    EXPECT_FALSE(screenSubsets(data.y, data.columns, kept, 3, RankCriterion::ResidualSumOfSquares, progress));
    EXPECT_EQ(progress.subsetsDone.load(), 12345u);
    EXPECT_TRUE(kept.empty());
}

TEST(ScreenSubsets, StopRequestedWhileRunningEndsBetweenSubsets) {
    // 2^22 − 1 subsets would take seconds; a watcher asks to stop once the
    // counter passes 1000 and records that it only ever climbs.
    const Dataset data = randomDataset(30, 22, 63);
    std::vector<RankedSubset> kept;
    RunProgress progress;
    std::atomic<bool> climbing{true};
    std::thread watcher([&] {
        std::uint32_t previous = 0;
        for (;;) {
            const std::uint32_t now = progress.subsetsDone.load(std::memory_order_relaxed);
            if (now < previous) {
                climbing = false;
            }
            previous = now;
            if (now >= 1000) {
                progress.stopRequested.store(true, std::memory_order_relaxed);
                return;
            }
            std::this_thread::yield();
        }
    });
    const bool completed = screenSubsets(data.y, data.columns, kept, 4, RankCriterion::ResidualSumOfSquares, progress);
    watcher.join();
    EXPECT_FALSE(completed);
    EXPECT_TRUE(climbing);
    EXPECT_GE(progress.subsetsDone.load(), 1000u);
    EXPECT_LT(progress.subsetsDone.load(), (1u << 22) - 2);
    EXPECT_LE(kept.size(), 4u);
}

}  // namespace
