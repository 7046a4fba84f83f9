#include "regression/screening.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <limits>
#include <thread>

#include "exact_compare.h"
#include "regression/ranking_criterion.h"
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

// The expected list, from first principles: the literal fit of every
// subset, the criterion formula, the skipping rules (no residual degrees of
// freedom, NaN; +∞ lies above every threshold), then the keepCount best in
// ascending criterion, equal criteria in ascending mask.
std::vector<RankedSubset> expectedKeptList(const Dataset& data, std::uint32_t keepCount, std::int32_t code) {
    const double n = static_cast<double>(data.y.size());
    std::vector<RankedSubset> all;
    const SubsetMask last = (SubsetMask{1} << data.columns.size()) - 1;
    for (SubsetMask mask = 1; mask <= last; ++mask) {
        const LiteralFit fit = literalFit(data.y, data.columns, mask);
        const double d = static_cast<double>(fit.crossProducts.size1() - 1);
        if (!fit.ok || n - d - 1 <= 0) {
            continue;
        }
        const double value = code == 0 ? fit.rss : code == 1 ? fit.rss / (n - d - 1) : n * std::log(fit.rss / n) + 2 * d;
        if (std::isnan(value) || value > std::numeric_limits<double>::max()) {
            continue;
        }
        all.push_back({mask, value});
    }
    std::sort(all.begin(), all.end(), [](const RankedSubset& a, const RankedSubset& b) {
        return a.criterion != b.criterion ? a.criterion < b.criterion : a.mask < b.mask;
    });
    if (all.size() > keepCount) {
        all.resize(keepCount);
    }
    return all;
}

TEST(ScreenSubsets, KeepsExactlyTheBestSubsetsInRankOrderForEveryCriterionAndKeepCount) {
    std::vector<Dataset> sets = differentialDatasets();
    Dataset ties = randomDataset(9, 3, 31);
    ties.name = "two equal columns";
    ties.columns.push_back(ties.columns[0]);
    ties.columns.push_back(ties.columns[2]);
    sets.push_back(ties);
    for (const Dataset& data : sets) {
        const std::uint32_t all = (std::uint32_t{1} << data.columns.size()) - 1;
        for (std::int32_t code : {0, 1, 2}) {
            for (std::uint32_t keepCount : {1u, 2u, 5u, all - 1, all, all + 9, 0xFFFFFFFFu}) {
                const std::vector<RankedSubset> kept = screen(data, keepCount, code);
                const std::vector<RankedSubset> expected = expectedKeptList(data, keepCount, code);
                ASSERT_EQ(kept.size(), expected.size())
                    << data.name << ", criterion " << code << ", keepCount " << keepCount;
                for (std::size_t i = 0; i < kept.size(); ++i) {
                    EXPECT_EQ(kept[i].mask, expected[i].mask)
                        << data.name << ", criterion " << code << ", keepCount " << keepCount << ", entry " << i;
                    EXPECT_TRUE(sameDouble(kept[i].criterion, expected[i].criterion))
                        << data.name << ", entry " << i << ": " << exactText(kept[i].criterion) << " vs "
                        << exactText(expected[i].criterion);
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
            EXPECT_LE(__builtin_popcount(entry.mask), 2) << "criterion " << code << ", mask " << entry.mask;
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
