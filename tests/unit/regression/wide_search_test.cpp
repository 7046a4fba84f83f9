// Searches of more than 31 variables (64-bit masks): the bounded search
// against the screening where forced variables leave the screening few
// enough subsets, with the variables that matter at high bit positions; the
// screening's own walk over the masks that hold the forced variables; and
// the helpers that form masks and counts up to 64 variables.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <stdexcept>
#include <vector>

#include "kept_list_compare.h"
#include "regression/subset_mask.h"
#include "subset_search/bounded_search.h"
#include "subset_search/screening.h"
#include "search_test_data.h"

namespace {

// Variables first … last − 1.
SubsetMask variableRange(std::size_t first, std::size_t last) {
    return firstVariables(last) & ~firstVariables(first);
}

bool everyMaskHolds(const std::vector<RankedSubset>& kept, SubsetMask forced) {
    for (const RankedSubset& entry : kept) {
        if ((entry.mask & forced) != forced) return false;
    }
    return true;
}

// A mask's variables are counted word by word in the register: every bit
// of both 32-bit words counts, as the population count has it (masks of
// more than 32 variables are this file's business).
TEST(WideMasks, CountsTheVariablesOfBothWordsAsThePopulationCountDoes) {
    std::vector<SubsetMask> masks = {0u, 1u, SubsetMask{1} << 31, SubsetMask{1} << 32, SubsetMask{1} << 63,
                                     ~SubsetMask{0}, 0xffffffffu, ~SubsetMask{0} << 32, 0x8000000080000001u};
    std::mt19937_64 random(63);
    for (int i = 0; i < 20000; ++i) masks.push_back(i % 2 == 0 ? random() : random() & random() & random());
    for (SubsetMask mask : masks) {
        EXPECT_EQ(subsetSize(mask), static_cast<std::size_t>(__builtin_popcountll(mask))) << std::hex << mask;
    }
}

TEST(WideMasks, FullMasksAndCountsReachSixtyFourVariables) {
    EXPECT_EQ(firstVariables(0), 0u);
    EXPECT_EQ(firstVariables(31), 0x7FFFFFFFu);
    EXPECT_EQ(firstVariables(32), 0xFFFFFFFFu);
    EXPECT_EQ(firstVariables(63), 0x7FFFFFFFFFFFFFFFu);
    EXPECT_EQ(firstVariables(64), 0xFFFFFFFFFFFFFFFFu);
    EXPECT_EQ(nonEmptySubsets(64), 0xFFFFFFFFFFFFFFFFu);
    EXPECT_EQ(subsetSize(firstVariables(64)), 64u);
    EXPECT_EQ(subsetSize(variableMask(63) | variableMask(32) | 1u), 3u);
    EXPECT_EQ(lowestVariable(variableMask(63)), 63u);
    EXPECT_EQ(lowestVariable(variableMask(40) | variableMask(63)), 40u);
    EXPECT_EQ(withoutLowestVariable(variableMask(40) | variableMask(63)), variableMask(63));
    EXPECT_EQ(variablesBelow(firstVariables(64), 64), firstVariables(64));
    EXPECT_EQ(variablesBelow(variableMask(63) | variableMask(33) | 2u, 34), variableMask(33) | 2u);
}

// k = 40 with 28 variables forced: the screening visits the 2^12 masks that
// hold them (it refuses more than 31 others), the bounded search bounds its
// tree with the forced ones never dropped. Both ways round: the forced
// variables at the high bits and the free ones low, and the other way.
TEST(WideSearch, BoundedEqualsScreeningOnFortyVariablesWithTwentyEightForced) {
    const std::size_t k = 40;
    const SubsetMask highForced = variableRange(12, 40);
    const SubsetMask lowForced = variableRange(0, 28);
    for (const Dataset& data : {signalDataset(120, k, 4001), noiseDataset(120, k, 4002)}) {
        for (SubsetMask forced : {highForced, lowForced}) {
            for (std::int32_t criterion : {0, 4}) {
                for (std::uint32_t perSize : {0u, 2u}) {
                    const SubsetRequest request = searchRequest(criterion, 10, perSize, forced);
                    std::vector<RankedSubset> bounded{{77, 1.0}}, screened{{77, 1.0}};
                    RunProgress boundedProgress, screenedProgress;
                    ASSERT_TRUE(searchBestSubsets(data.y, data.columns, bounded, request, boundedProgress));
                    ASSERT_TRUE(screenSubsets(data.y, data.columns, screened, request, screenedProgress));
                    const std::string where = data.name + ", forced " + std::to_string(forced) + ", criterion " +
                                              std::to_string(criterion) + ", per size " + std::to_string(perSize);
                    EXPECT_TRUE(sameList(bounded, screened)) << where;
                    ASSERT_FALSE(screened.empty()) << where;
                    EXPECT_TRUE(everyMaskHolds(screened, forced)) << where;
                    // Both end with every subset of 2^40 − 1 decided but the last.
                    EXPECT_EQ(boundedProgress.subsetsDecided.load(), nonEmptySubsets(k) - 1) << where;
                    EXPECT_EQ(screenedProgress.subsetsDecided.load(), nonEmptySubsets(k) - 1) << where;
                }
            }
        }
    }
}

// At 64 variables every bit of the mask is in use: 52 forced (bit 63
// among them) and the 12 others spread over the mask.
TEST(WideSearch, BoundedEqualsScreeningOnSixtyFourVariables) {
    const std::size_t k = 64;
    const SubsetMask others = variableMask(0) | variableMask(5) | variableMask(17) | variableMask(31) |
                              variableMask(32) | variableMask(40) | variableMask(47) | variableMask(50) |
                              variableMask(55) | variableMask(60) | variableMask(62) | variableMask(63);
    const SubsetMask forced = firstVariables(64) & ~others;
    ASSERT_EQ(subsetSize(forced), 52u);
    const Dataset data = signalDataset(150, k, 6401);
    for (std::int32_t criterion : {0, 3}) {
        for (std::uint32_t perSize : {0u, 1u}) {
            const SubsetRequest request = searchRequest(criterion, 10, perSize, forced);
            std::vector<RankedSubset> bounded, screened;
            RunProgress boundedProgress, screenedProgress;
            ASSERT_TRUE(searchBestSubsets(data.y, data.columns, bounded, request, boundedProgress));
            ASSERT_TRUE(screenSubsets(data.y, data.columns, screened, request, screenedProgress));
            EXPECT_TRUE(sameList(bounded, screened)) << "criterion " << criterion << ", per size " << perSize;
            EXPECT_EQ(boundedProgress.subsetsDecided.load(), nonEmptySubsets(k) - 1);
            EXPECT_EQ(screenedProgress.subsetsDecided.load(), nonEmptySubsets(k) - 1);
        }
    }
}

// The screening visits exactly the masks that hold the forced variables:
// with room for all of them in the list, the list is those masks.
TEST(WideScreening, VisitsOnlyTheMasksThatHoldTheForcedOnes) {
    const std::size_t k = 36;
    const Dataset data = signalDataset(80, k, 3601);
    const SubsetMask forced = variableRange(6, 36);
    SubsetRequest request = searchRequest(0, 1000, 0, forced);
    std::vector<RankedSubset> kept;
    RunProgress progress;
    ASSERT_TRUE(screenSubsets(data.y, data.columns, kept, request, progress));
    // 2^6 masks hold the 30 forced variables, and every one is a model.
    ASSERT_EQ(kept.size(), 64u);
    std::vector<SubsetMask> masks;
    for (const RankedSubset& entry : kept) masks.push_back(entry.mask);
    std::sort(masks.begin(), masks.end());
    for (SubsetMask rest = 0; rest < 64; ++rest) EXPECT_EQ(masks[rest], forced | rest);
    EXPECT_EQ(progress.subsetsDecided.load(), nonEmptySubsets(k) - 1);
}

TEST(WideScreening, RefusesMoreThanThirtyOneVariablesBesidesTheForcedOnes) {
    const Dataset data = noiseDataset(60, 40, 4003);
    std::vector<RankedSubset> kept;
    RunProgress progress;
    EXPECT_THROW(screenSubsets(data.y, data.columns, kept, searchRequest(0, 10, 0, variableRange(32, 40)), progress),
                 std::invalid_argument);
    EXPECT_THROW(screenSubsets(data.y, data.columns, kept, searchRequest(0, 10, 0, 0), progress), std::invalid_argument);
}

// Forty columns of which y is a clear combination of a few at high bit
// positions: the bounded search takes the data and finds them, with the
// library's 32-bit progress count held at its largest value.
TEST(WideSearch, FindsTheVariablesAtHighBitsOfFortyColumns) {
    const std::size_t k = 40;
    Dataset data = noiseDataset(200, k, 4004);
    for (std::size_t r = 0; r < data.y.size(); ++r) {
        data.y[r] = 0.05 * data.y[r] + data.columns[33][r] - 2.0 * data.columns[38][r] + data.columns[39][r];
    }
    centreDataset(data);
    ASSERT_EQ(boundedSearchVerdict(data.y, data.columns), DropTreeTrust::Trusted);
    std::vector<RankedSubset> kept;
    RunProgress progress;
    ASSERT_TRUE(searchBestSubsets(data.y, data.columns, kept, searchRequest(3, 5, 0, 0), progress));
    ASSERT_EQ(kept.size(), 5u);
    EXPECT_EQ(kept.front().mask, variableMask(33) | variableMask(38) | variableMask(39));
    EXPECT_EQ(progress.subsetsDecided.load(), nonEmptySubsets(k) - 1);
    EXPECT_EQ(progress.subsetsDone.load(), 0xFFFFFFFFu);
}

}  // namespace
