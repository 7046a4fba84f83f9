// Per-size lists, forced variables, BIC and Mallows' Cp: the bounded search
// against the exhaustive screening, and the screening's per-size and forced
// lists against its own complete list.
#include <gtest/gtest.h>

#include <cmath>

#include "kept_list_compare.h"
#include "subset_search/bounded_search.h"
#include "subset_search/screening.h"
#include "regression/subset_mask.h"
#include "search_test_data.h"

namespace {

std::vector<RankedSubset> bounded(const Dataset& data, const SubsetRequest& request) {
    std::vector<RankedSubset> kept{{77, 1.0}};  // the search must empty it first
    RunProgress progress;
    EXPECT_TRUE(searchBestSubsets(data.y, data.columns, kept, request, progress));
    return kept;
}

std::vector<RankedSubset> exhaustive(const Dataset& data, const SubsetRequest& request) {
    std::vector<RankedSubset> kept{{77, 1.0}};
    RunProgress progress;
    EXPECT_TRUE(screenSubsets(data.y, data.columns, kept, request, progress));
    return kept;
}


// A residual variance of the size Cp is measured against: y·y/n, a tenth
// of it for data whose y is mostly explained.
double cpScaleOf(const Dataset& data) {
    double yy = 0.0;
    for (double v : data.y) yy += v * v;
    return 0.1 * yy / static_cast<double>(data.y.size());
}

SubsetRequest requestFor(std::int32_t criterion, std::uint32_t keepCount, std::uint32_t perSize, SubsetMask forced,
                         const Dataset& data) {
    SubsetRequest request;
    request.criterion = static_cast<RankCriterion>(criterion);
    request.keepCount = keepCount;
    request.perSize = perSize;
    request.forced = forced;
    request.cpScale = cpScaleOf(data);
    return request;
}

// Forced sets that matter on the hard kinds: none, the first column (part of
// the total, of the dummy set, the year itself), the first and the last (the
// total or a copy, where there is one), and three columns.
const SubsetMask forcedSets[] = {0u, 1u, 1u | (1u << 7), 0b10110u};

TEST(SubsetRequest, BoundedPerSizeAndForcedListsEqualTheScreeningsOnEveryHardKindAndCriterion) {
    for (HardKind kind : hardKinds) {
        for (std::size_t k : {8u, 12u}) {
            const Dataset data = hardDataset(kind, 50, k, 500 * k + 3);
            for (std::int32_t criterion = 0; criterion <= 4; ++criterion) {
                for (SubsetMask forced : forcedSets) {
                    for (std::uint32_t perSize : {0u, 1u, 3u}) {
                        const SubsetRequest request = requestFor(criterion, 10, perSize, forced, data);
                        EXPECT_TRUE(sameList(bounded(data, request), exhaustive(data, request)))
                            << data.name << ", criterion " << criterion << ", forced " << forced << ", per size "
                            << perSize;
                    }
                }
            }
        }
    }
}

TEST(SubsetRequest, BoundedBicAndCpListsEqualTheScreeningsForKeepCountsOneToAHundred) {
    for (HardKind kind : {HardKind::TotalColumn, HardKind::DummySet, HardKind::NearExact8, HardKind::Longley}) {
        for (std::uint64_t seed = 1; seed <= 2; ++seed) {
            const Dataset data = hardDataset(kind, 60, 15, 900 + seed);
            for (std::int32_t criterion : {3, 4}) {
                const std::vector<RankedSubset> complete = exhaustive(data, requestFor(criterion, 100, 0, 0, data));
                for (std::uint32_t keepCount : {1u, 10u, 100u}) {
                    const std::vector<RankedSubset> want(
                        complete.begin(), complete.begin() + std::min<std::size_t>(keepCount, complete.size()));
                    EXPECT_TRUE(sameList(bounded(data, requestFor(criterion, keepCount, 0, 0, data)), want))
                        << data.name << ", criterion " << criterion << ", keepCount " << keepCount;
                }
            }
        }
    }
}

TEST(SubsetRequest, PerSizeAndForcedListsAreTheCompleteListFilteredBySizeAndForcedVariables) {
    const Dataset data = hardDataset(HardKind::TotalColumn, 40, 10, 11);
    for (std::int32_t criterion = 0; criterion <= 4; ++criterion) {
        const std::vector<RankedSubset> complete = exhaustive(data, requestFor(criterion, 1024, 0, 0, data));
        for (SubsetMask forced : {0u, 2u, 0b1000000001u}) {
            for (std::uint32_t perSize : {1u, 2u, 5u}) {
                std::vector<RankedSubset> want;
                for (std::size_t size = 1; size <= 10; ++size) {
                    std::uint32_t taken = 0;
                    for (const RankedSubset& entry : complete) {
                        if (subsetSize(entry.mask) != size || (entry.mask & forced) != forced) continue;
                        if (taken++ < perSize) want.push_back(entry);
                    }
                }
                EXPECT_TRUE(sameList(exhaustive(data, requestFor(criterion, 10, perSize, forced, data)), want))
                    << "criterion " << criterion << ", forced " << forced << ", per size " << perSize;
            }
        }
    }
}

TEST(SubsetRequest, BicAndCpValuesFollowFromTheRssOfTheSameSubset) {
    const Dataset data = hardDataset(HardKind::Longley, 40, 9, 5);
    const double n = static_cast<double>(data.y.size());
    const std::vector<RankedSubset> byRss = exhaustive(data, requestFor(0, 512, 0, 0, data));
    ASSERT_GT(byRss.size(), 400u);
    for (std::int32_t criterion : {3, 4}) {
        const SubsetRequest request = requestFor(criterion, 512, 0, 0, data);
        const std::vector<RankedSubset> kept = exhaustive(data, request);
        ASSERT_EQ(kept.size(), byRss.size());
        for (const RankedSubset& entry : kept) {
            const auto same = std::find_if(byRss.begin(), byRss.end(),
                                           [&](const RankedSubset& r) { return r.mask == entry.mask; });
            ASSERT_NE(same, byRss.end()) << entry.mask;
            const double rss = same->criterion;
            const double d = static_cast<double>(subsetSize(entry.mask));
            const double want = criterion == 3 ? n * std::log(rss / n) + d * std::log(n)
                                               : rss / request.cpScale - n + 2.0 * (d + 1.0);
            EXPECT_NEAR(entry.criterion, want, 1e-9 * std::fabs(want)) << "criterion " << criterion << ", mask "
                                                                        << entry.mask;
        }
        for (std::size_t i = 1; i < kept.size(); ++i) {
            EXPECT_LE(kept[i - 1].criterion, kept[i].criterion) << "entry " << i;
        }
    }
}

TEST(SubsetRequest, TimestampsInNanosecondsGiveTheScreeningsListsUpToTwentyColumns) {
    // Data that the search left to the exhaustive screening before their
    // columns were centred on the mean of the centred values: they take the
    // bound now, and every list is the screening's, bit for bit.
    for (std::size_t k : sweepSizes({14u, 20u})) {
        const Dataset data = hardDataset(HardKind::TimestampsNs, 200, k, 7000 + k);
        ASSERT_EQ(trustOf(data), DropTreeTrust::Trusted) << data.name;
        for (std::int32_t criterion = 0; criterion <= 4; ++criterion) {
            const std::vector<RankedSubset> complete = exhaustive(data, requestFor(criterion, 100, 0, 0, data));
            ASSERT_EQ(complete.size(), 100u) << data.name;
            for (std::uint32_t keepCount : {1u, 10u, 100u}) {
                const std::vector<RankedSubset> want(complete.begin(), complete.begin() + keepCount);
                EXPECT_TRUE(sameList(bounded(data, requestFor(criterion, keepCount, 0, 0, data)), want))
                    << data.name << ", criterion " << criterion << ", keep " << keepCount;
            }
            // The best of each size are the first of the screening's three
            // of each size.
            const std::vector<RankedSubset> threes = exhaustive(data, requestFor(criterion, 10, 3, 0, data));
            std::vector<RankedSubset> ones;
            for (std::size_t i = 0; i < threes.size(); ++i) {
                if (i == 0 || subsetSize(threes[i].mask) != subsetSize(threes[i - 1].mask)) ones.push_back(threes[i]);
            }
            EXPECT_TRUE(sameList(bounded(data, requestFor(criterion, 10, 3, 0, data)), threes))
                << data.name << ", criterion " << criterion << ", per size 3";
            EXPECT_TRUE(sameList(bounded(data, requestFor(criterion, 10, 1, 0, data)), ones))
                << data.name << ", criterion " << criterion << ", per size 1";
        }
    }
}

TEST(SubsetRequest, ForcedVariablesAtKEquals31KeepTheirSubsetsAndListsOfEverySize) {
    // A total column among 31 with the total and one part forced: every
    // kept subset holds both, and none holds the whole dependent set.
    const Dataset data = hardDataset(HardKind::TotalColumn, 200, 31, 31);
    SubsetRequest request = requestFor(2, 10, 2, 1u | (1u << 30), data);
    const std::vector<RankedSubset> kept = bounded(data, request);
    const SubsetMask dependentSet = (1u << 1) | (1u << 3) | (1u << 4) | (1u << 30);
    std::size_t lastSize = 0;
    for (const RankedSubset& entry : kept) {
        EXPECT_EQ(entry.mask & request.forced, request.forced) << entry.mask;
        EXPECT_NE(entry.mask & dependentSet, dependentSet) << entry.mask;
        EXPECT_GE(subsetSize(entry.mask), lastSize) << entry.mask;
        lastSize = subsetSize(entry.mask);
    }
    // Size 2 is the forced pair alone; sizes 3 to 29 have two each; of
    // size 30 only the three that leave out a part of the total are
    // models, and size 31 holds the whole dependent set.
    EXPECT_EQ(kept.size(), 1u + 27u * 2u + 2u);
}

}  // namespace
