// Per-size lists, forced variables, BIC and Mallows' Cp: the bounded search
// against the exhaustive screening, and the screening's per-size and forced
// lists against its own complete list.
#include <gtest/gtest.h>

#include <cmath>

#include "kept_list_compare.h"
#include "subset_search/bounded_search.h"
#include "subset_search/ranking_criterion.h"
#include "subset_search/screening.h"
#include "regression/subset_mask.h"
#include "search_test_data.h"

namespace {


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

TEST(SubsetRequest, ExactFitsVouchedForByTheTreeRankAsTheirFitsWouldForEveryCriterion) {
    // y fitted by a few columns up to rounding (1e-12), or exactly (a sum
    // of three columns): every subset that keeps them is an exact fit, and
    // most are ranked from the tree without a fit. The lists are the
    // screening's, bit for bit, by every criterion, overall and by size.
    // Beside them: a constant column (centred to rounding: subsets that hold
    // it are fitted), and a fourth column with a share of 1e-8 in y, whose
    // subsets without it are near-exact fits but not exact ones.
    struct Case {
        Dataset data;
        const char* name;
    };
    const auto sumOf = [](Dataset data, double fourth) {
        for (std::size_t i = 0; i < data.y.size(); ++i) {
            data.y[i] = data.columns[2][i] + data.columns[5][i] - data.columns[9][i] + fourth * data.columns[11][i];
        }
        centreDataset(data);
        return data;
    };
    std::vector<Case> cases;
    cases.push_back({hardDataset(HardKind::NearExact12, 80, 14, 21), "near-exact 1e-12"});
    cases.push_back({sumOf(hardDataset(HardKind::NearExact8, 80, 14, 22), 0.0), "a sum of three columns"});
    cases.push_back({sumOf(hardDataset(HardKind::ConstantColumn, 80, 14, 23), 0.0), "the sum beside a constant column"});
    cases.push_back({sumOf(hardDataset(HardKind::NearExact8, 80, 14, 24), 1e-8), "the sum and 1e-8 of a fourth"});
    for (const Case& item : cases) {
        for (std::int32_t criterion = 0; criterion <= 5; ++criterion) {
            for (std::uint32_t perSize : {0u, 3u}) {
                const SubsetRequest request = requestFor(criterion, 10, perSize, 0, item.data);
                SearchTally tally;
                EXPECT_TRUE(sameList(boundedList(item.data, request, &tally), screenedList(item.data, request)))
                    << item.name << ", criterion " << criterion << ", per size " << perSize;
                if (perSize > 0) {
                    EXPECT_GT(tally.exactFitsTaken, 0u)
                        << item.name << ", criterion " << criterion << ": " << tally.exactFits << " fitted";
                }
            }
        }
    }
}

TEST(SubsetRequest, BoundedPerSizeAndForcedListsEqualTheScreeningsOnEveryHardKindAndCriterion) {
    for (HardKind kind : hardKinds) {
        for (std::size_t k : {8u, 12u}) {
            const Dataset data = hardDataset(kind, 50, k, 500 * k + 3);
            for (std::int32_t criterion = 0; criterion <= 5; ++criterion) {
                for (SubsetMask forced : forcedSets) {
                    for (std::uint32_t perSize : {0u, 1u, 3u}) {
                        const SubsetRequest request = requestFor(criterion, 10, perSize, forced, data);
                        EXPECT_TRUE(sameList(boundedList(data, request), screenedList(data, request)))
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
                const std::vector<RankedSubset> complete = screenedList(data, requestFor(criterion, 100, 0, 0, data));
                for (std::uint32_t keepCount : {1u, 10u, 100u}) {
                    const std::vector<RankedSubset> want(
                        complete.begin(), complete.begin() + std::min<std::size_t>(keepCount, complete.size()));
                    SearchTally tally;
                    EXPECT_TRUE(sameList(boundedList(data, requestFor(criterion, keepCount, 0, 0, data), &tally), want))
                        << data.name << ", criterion " << criterion << ", keepCount " << keepCount;
                    // The dependent sets (a total with its parts, a full set
                    // of dummies) are fitted as they are reached, not put
                    // off to be found unranked and the search run again.
                    EXPECT_EQ(tally.searchesRepeated, 0u)
                        << data.name << ", criterion " << criterion << ", keepCount " << keepCount;
                }
            }
        }
    }
}

TEST(SubsetRequest, BoundedListsEqualTheScreeningsOnFewRowsForEveryCriterionAndRequest) {
    // n ≤ k + 1: the subsets of more than n − 2 variables (n − 3 for the
    // corrected AIC) are never ranked, the rest is bounded in trees rooted
    // at sets of n − 1 variables (or screened where those are too many).
    // covered: the one list by the RSS, the mean square, AIC or BIC is
    // searched from roots that cover the sets of n − 2 (covering_roots.h),
    // where those are fewer than the plan's.
    struct Shape {
        std::size_t n, k;
        bool bounded, covered;
    };
    const Shape shapes[] = {{13, 12, true, false}, {12, 12, true, false}, {10, 13, true, true},
                            {9, 14, true, true},   {8, 16, true, true},   {6, 20, false, false}};
    for (const Shape& shape : shapes) {
        for (double noise : {0.5, 1e-7, 0.0}) {
            const Dataset data = fewRowsDataset(shape.n, shape.k, noise, 40 * shape.n + shape.k);
            EXPECT_EQ(trustOf(data) == DropTreeTrust::Trusted, shape.bounded) << data.name;
            // Roots of n − 1 variables are decided from their estimates in
            // double where those leave no doubt (SearchTally::rootsDecidedInDouble).
            std::uint64_t decidedInDouble = 0;
            for (std::int32_t criterion = 0; criterion <= 5; ++criterion) {
                for (std::uint32_t keepCount : {1u, 10u, 100u}) {
                    const SubsetRequest request = requestFor(criterion, keepCount, 0, 0, data);
                    const std::vector<RankedSubset> want = screenedList(data, request);
                    SearchTally tally;
                    EXPECT_TRUE(sameList(boundedList(data, request, &tally), want))
                        << data.name << ", criterion " << criterion << ", keep " << keepCount;
                    decidedInDouble += tally.rootsDecidedInDouble;
                    const bool covers = shape.covered && criterion <= 3;
                    EXPECT_EQ(tally.coveringRoots > 0, covers)
                        << data.name << ", criterion " << criterion << ", keep " << keepCount << ": "
                        << tally.coveringRoots << " covering roots";
                    const std::int64_t largest = largestRankedSize(request.criterion, shape.n);
                    for (const RankedSubset& entry : want) {
                        EXPECT_LE(subsetSize(entry.mask), largest) << data.name << ", criterion " << criterion;
                    }
                }
                for (std::uint32_t perSize : {1u, 3u}) {
                    for (SubsetMask forced : {0u, 1u}) {
                        const SubsetRequest request = requestFor(criterion, 10, perSize, forced, data);
                        SearchTally tally;
                        EXPECT_TRUE(sameList(boundedList(data, request, &tally), screenedList(data, request)))
                            << data.name << ", criterion " << criterion << ", per size " << perSize << ", forced "
                            << forced;
                        EXPECT_EQ(tally.coveringRoots, 0u) << data.name << ", criterion " << criterion;
                    }
                }
            }
            if (shape.bounded && shape.n <= shape.k && noise > 0.0) {
                EXPECT_GT(decidedInDouble, 0u) << data.name;
            }
        }
    }
}

TEST(SubsetRequest, PerSizeAndForcedListsAreTheCompleteListFilteredBySizeAndForcedVariables) {
    const Dataset data = hardDataset(HardKind::TotalColumn, 40, 10, 11);
    for (std::int32_t criterion = 0; criterion <= 5; ++criterion) {
        const std::vector<RankedSubset> complete = screenedList(data, requestFor(criterion, 1024, 0, 0, data));
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
                EXPECT_TRUE(sameList(screenedList(data, requestFor(criterion, 10, perSize, forced, data)), want))
                    << "criterion " << criterion << ", forced " << forced << ", per size " << perSize;
            }
        }
    }
}

TEST(SubsetRequest, BicCpAndAiccValuesFollowFromTheRssOfTheSameSubset) {
    const Dataset data = hardDataset(HardKind::Longley, 40, 9, 5);
    const double n = static_cast<double>(data.y.size());
    const std::vector<RankedSubset> byRss = screenedList(data, requestFor(0, 512, 0, 0, data));
    ASSERT_GT(byRss.size(), 400u);
    for (std::int32_t criterion : {3, 4, 5}) {
        const SubsetRequest request = requestFor(criterion, 512, 0, 0, data);
        const std::vector<RankedSubset> kept = screenedList(data, request);
        ASSERT_EQ(kept.size(), byRss.size());
        for (const RankedSubset& entry : kept) {
            const auto same = std::find_if(byRss.begin(), byRss.end(),
                                           [&](const RankedSubset& r) { return r.mask == entry.mask; });
            ASSERT_NE(same, byRss.end()) << entry.mask;
            const double rss = same->criterion;
            const double d = static_cast<double>(subsetSize(entry.mask));
            // AICc: AIC + 2p(p + 1)/(n − p − 1) with p = d + 1 coefficients.
            const double p = d + 1.0;
            const double want = criterion == 3   ? n * std::log(rss / n) + d * std::log(n)
                                : criterion == 4 ? rss / request.cpScale - n + 2.0 * (d + 1.0)
                                                 : n * std::log(rss / n) + 2.0 * d + 2.0 * p * (p + 1.0) / (n - p - 1.0);
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
            const std::vector<RankedSubset> complete = screenedList(data, requestFor(criterion, 100, 0, 0, data));
            ASSERT_EQ(complete.size(), 100u) << data.name;
            for (std::uint32_t keepCount : {1u, 10u, 100u}) {
                const std::vector<RankedSubset> want(complete.begin(), complete.begin() + keepCount);
                EXPECT_TRUE(sameList(boundedList(data, requestFor(criterion, keepCount, 0, 0, data)), want))
                    << data.name << ", criterion " << criterion << ", keep " << keepCount;
            }
            // The best of each size are the first of the screening's three
            // of each size.
            const std::vector<RankedSubset> threes = screenedList(data, requestFor(criterion, 10, 3, 0, data));
            std::vector<RankedSubset> ones;
            for (std::size_t i = 0; i < threes.size(); ++i) {
                if (i == 0 || subsetSize(threes[i].mask) != subsetSize(threes[i - 1].mask)) ones.push_back(threes[i]);
            }
            EXPECT_TRUE(sameList(boundedList(data, requestFor(criterion, 10, 3, 0, data)), threes))
                << data.name << ", criterion " << criterion << ", per size 3";
            EXPECT_TRUE(sameList(boundedList(data, requestFor(criterion, 10, 1, 0, data)), ones))
                << data.name << ", criterion " << criterion << ", per size 1";
        }
    }
}

TEST(SubsetRequest, ForcedVariablesAtKEquals31KeepTheirSubsetsAndListsOfEverySize) {
    // A total column among 31 with the total and one part forced: every
    // kept subset holds both, and none holds the whole dependent set.
    const Dataset data = hardDataset(HardKind::TotalColumn, 200, 31, 31);
    SubsetRequest request = requestFor(2, 10, 2, 1u | (1u << 30), data);
    const std::vector<RankedSubset> kept = boundedList(data, request);
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

namespace {

// A sheet shaped as analysts shape one: base columns measured around an
// offset (10 + noise), their squares and the products of pairs, y a
// combination of a few of them plus noise of relative size noise; centred
// as the driver centres it. The squares and products of uncentred columns
// are strongly collinear with the columns themselves: the root's trace is
// in the thousands, and subtrees that drop them run in double.
Dataset shapedSheet(std::size_t n, std::size_t base, std::size_t k, double noise, std::uint64_t seed) {
    const Dataset source = randomDataset(n, base + 1, seed);
    Dataset data;
    data.name = "shaped sheet, seed " + std::to_string(seed);
    for (std::size_t j = 0; j < base; ++j) {
        DataColumn column(n);
        for (std::size_t r = 0; r < n; ++r) column[r] = 10.0 + source.columns[j][r];
        data.columns.push_back(column);
    }
    for (std::size_t j = 0; j < base && data.columns.size() < k; ++j) {
        DataColumn square(n);
        for (std::size_t r = 0; r < n; ++r) square[r] = data.columns[j][r] * data.columns[j][r];
        data.columns.push_back(square);
    }
    for (std::size_t a = 0; a < base; ++a) {
        for (std::size_t b = a + 1; b < base && data.columns.size() < k; ++b) {
            DataColumn product(n);
            for (std::size_t r = 0; r < n; ++r) product[r] = data.columns[a][r] * data.columns[b][r];
            data.columns.push_back(product);
        }
    }
    data.y.resize(n);
    for (std::size_t r = 0; r < n; ++r) {
        data.y[r] = data.columns[0][r] - 0.5 * data.columns[base][r] + 0.2 * data.columns[k - 1][r] +
                    noise * source.columns[base][r];
    }
    centreDataset(data);
    return data;
}

TEST(SubsetRequest, BoundedListsEqualTheScreeningsOnSheetsWithSquaresAndProducts) {
    int mixed = 0;
    for (std::uint64_t seed : {1u, 2u}) {
        for (double noise : {0.05, 1.0}) {
            const Dataset data = shapedSheet(80, 5, 15, noise, 4100 + seed);
            for (std::int32_t criterion : {0, 1, 2, 3, 4}) {
                for (std::uint32_t perSize : {0u, 1u, 3u}) {
                    for (std::uint32_t keepCount : {1u, 10u, 100u}) {
                        if (perSize > 0 && keepCount > 1) continue;
                        const SubsetRequest request = requestFor(criterion, keepCount, perSize, 0, data);
                        SearchTally tally;
                        std::vector<RankedSubset> kept;
                        RunProgress progress;
                        EXPECT_TRUE(searchBestSubsets(data.y, data.columns, kept, request, progress, &tally));
                        EXPECT_TRUE(sameList(kept, screenedList(data, request)))
                            << data.name << ", noise " << noise << ", criterion " << criterion << ", keep "
                            << keepCount << ", per size " << perSize;
                        mixed += tally.doubleNodes > 0 && tally.extendedNodes > 0 ? 1 : 0;
                    }
                }
            }
        }
    }
    // The extended root hands subtrees over to the double tree.
    EXPECT_GT(mixed, 20);
}

}  // namespace

TEST(SubsetRequest, WellConditionedSearchesFitOnlyTheSubsetsTheyKeep) {
    // Where the tree's RSS is known to a small share of itself, a subset
    // that reaches a list is put off rather than fitted, and only those
    // still among the best at the end are fitted: as many fits as listed
    // subsets, by every criterion, overall and by size. (Fitting each as it
    // was reached took up to 18 times as many overall.)
    for (const Dataset& data : {noiseDataset(200, 15, 41), signalDataset(200, 15, 42)}) {
        for (std::int32_t criterion = 0; criterion <= 5; ++criterion) {
            for (std::uint32_t perSize : {0u, 1u}) {
                for (std::uint32_t keepCount : {1u, 10u, 100u}) {
                    const SubsetRequest request = requestFor(criterion, keepCount, perSize, 0, data);
                    SearchTally tally;
                    const std::vector<RankedSubset> kept = boundedList(data, request, &tally);
                    EXPECT_TRUE(sameList(kept, screenedList(data, request)))
                        << data.name << ", criterion " << criterion << ", per size " << perSize << ", keep "
                        << keepCount;
                    EXPECT_EQ(tally.exactFits, kept.size())
                        << data.name << ", criterion " << criterion << ", per size " << perSize << ", keep "
                        << keepCount;
                }
            }
        }
    }
}
