#include "subset_search/bounded_search.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <map>
#include <thread>

#include "exact_compare.h"
#include "kept_list_compare.h"
#include "regression/cross_products.h"
#include "subset_search/drop_tree.h"
#include "subset_search/kept_selection.h"
#include "subset_search/screening.h"
#include "search_test_data.h"

namespace {

// The bounded search's list; and it ran once: no fit it put off fell
// outside its bounds, which a dependent set put off would (it is not
// ranked), making it run again with every fit made as it is reached.
std::vector<RankedSubset> bounded(const Dataset& data, std::uint32_t keepCount, std::int32_t code) {
    std::vector<RankedSubset> kept{{77, 1.0}};  // the search must empty it first
    RunProgress progress;
    SearchTally tally;
    EXPECT_TRUE(searchBestSubsets(data.y, data.columns, kept, overallRequest(keepCount, rankCriterionFromCode(code)),
                                  progress, &tally));
    EXPECT_EQ(tally.searchesRepeated, 0u) << data.name << ", criterion " << code << ", keepCount " << keepCount;
    return kept;
}

std::vector<RankedSubset> exhaustive(const Dataset& data, std::uint32_t keepCount, std::int32_t code) {
    std::vector<RankedSubset> kept;
    RunProgress progress;
    screenSubsets(data.y, data.columns, kept, keepCount, rankCriterionFromCode(code), progress);
    return kept;
}

const char* trustName(DropTreeTrust trust) { return trust == DropTreeTrust::Trusted ? "trusted" : dropTreeTrustText(trust); }


std::vector<RankedSubset> prefix(const std::vector<RankedSubset>& list, std::uint64_t count) {
    return {list.begin(), list.begin() + static_cast<std::ptrdiff_t>(std::min<std::uint64_t>(count, list.size()))};
}

TEST(SearchBestSubsets, KeepsTheScreeningsListOnEveryKindOfDataForEveryCriterionAndKeepCount) {
    std::map<std::string, int> verdicts;
    int sets = 0;
    for (std::size_t k : sweepSizes({4u, 7u, 10u, 13u})) {
        for (std::uint64_t seed = 1; seed <= (k < 13 ? 3u : 1u); ++seed) {
            for (const SearchCase& test : searchCases(k, 100 * k + seed)) {
                const Dataset& data = test.data;
                const DropTreeTrust trust = trustOf(data);
                ++sets;
                ++verdicts[trustName(trust)];
                if (test.trust != ExpectedTrust::Either) {
                    EXPECT_EQ(trust == DropTreeTrust::Trusted, test.trust == ExpectedTrust::Trusted)
                        << data.name << ": " << trustName(trust);
                }
                const std::uint32_t all = (std::uint32_t{1} << k) - 1;
                for (std::int32_t code : {0, 1, 2}) {
                    // The screening's list for any keepCount is the start of
                    // its complete list; one keepCount is also asked directly.
                    const std::vector<RankedSubset> complete = exhaustive(data, all, code);
                    EXPECT_TRUE(sameList(prefix(complete, 10), exhaustive(data, 10, code))) << data.name;
                    for (std::uint32_t keepCount : {1u, 10u, 100u, all}) {
                        EXPECT_TRUE(sameList(bounded(data, keepCount, code), prefix(complete, keepCount)))
                            << data.name << ", criterion " << code << ", keepCount " << keepCount;
                    }
                }
            }
        }
    }
    std::string summary;
    for (const auto& [verdict, count] : verdicts) summary += " " + verdict + ": " + std::to_string(count) + ";";
    std::printf("bounded search on %d data sets:%s\n", sets, summary.c_str());
    RecordProperty("verdicts", summary);
}

TEST(SearchBestSubsets, KeepsTheScreeningsListOnLargerSearches) {
    struct Larger {
        Dataset data;
        std::int32_t code;
    };
    const Larger cases[] = {
        {noiseDataset(60, 18, 181), 2},
        {signalDataset(200, 18, 182), 1},
        {searchCases(18, 183)[3].data, 0},  // common factors
        {noiseDataset(150, 20, 201), 1},
    };
    for (const Larger& test : cases) {
        ASSERT_EQ(trustOf(test.data), DropTreeTrust::Trusted) << test.data.name;
        EXPECT_TRUE(sameList(bounded(test.data, 10, test.code), exhaustive(test.data, 10, test.code)))
            << test.data.name << ", criterion " << test.code;
    }
}

TEST(SearchBestSubsets, LargeKeepCountsListEverySolvableSubset) {
    const Dataset data = signalDataset(30, 5, 7);
    for (std::int32_t code : {0, 1, 2}) {
        const std::vector<RankedSubset> complete = exhaustive(data, 31, code);
        EXPECT_EQ(complete.size(), 31u);
        for (std::uint32_t keepCount : {31u, 32u, 0xFFFFFFFFu}) {
            EXPECT_TRUE(sameList(bounded(data, keepCount, code), complete)) << "criterion " << code << ", " << keepCount;
        }
    }
}

TEST(SearchBestSubsets, EdgeCasesAnswerAsTheScreeningDoes) {
    const Dataset none{"no variables", {1, 3, 2, 4}, {}};
    EXPECT_TRUE(bounded(none, 5, 0).empty());
    Dataset one{"one variable", {1, 3, 2, 4}, {{1, 2, 3, 5}}};
    centreDataset(one);
    EXPECT_TRUE(sameList(bounded(one, 5, 1), exhaustive(one, 5, 1)));
    EXPECT_EQ(bounded(one, 5, 1).size(), 1u);

    const Dataset data = signalDataset(40, 12, 8);
    RunProgress progress;
    std::vector<RankedSubset> kept{{3, 1.0}};
    EXPECT_TRUE(searchBestSubsets(data.y, data.columns, kept, 0, RankCriterion::ResidualSumOfSquares, progress));
    EXPECT_TRUE(kept.empty());  // keeping none keeps none
    EXPECT_EQ(progress.subsetsDone.load(), 4094u);
}

TEST(SearchBestSubsets, LeavesSubsetsDoneAtTwoToTheKMinusTwoWithTheBoundAndWithout) {
    const Dataset trusted = signalDataset(50, 11, 9);
    Dataset duplicated = signalDataset(50, 11, 9);  // split into several subtrees, some subsets rejected
    duplicated.columns[10] = duplicated.columns[4];
    Dataset coarse = signalDataset(50, 11, 9);  // less its plain mean only: left to the screening
    for (double& value : coarse.columns[2]) value = 1e19 + 1e12 * value;
    double sum = 0.0;
    for (double value : coarse.columns[2]) sum += value;
    for (double& value : coarse.columns[2]) value -= sum / 50.0;
    ASSERT_EQ(trustOf(trusted), DropTreeTrust::Trusted);
    ASSERT_EQ(trustOf(duplicated), DropTreeTrust::Trusted);
    ASSERT_NE(trustOf(coarse), DropTreeTrust::Trusted);
    for (const Dataset* data : {&trusted, static_cast<const Dataset*>(&duplicated), static_cast<const Dataset*>(&coarse)}) {
        for (std::int32_t code : {0, 2}) {
            std::vector<RankedSubset> kept;
            RunProgress progress;
            ASSERT_TRUE(searchBestSubsets(data->y, data->columns, kept, 5, rankCriterionFromCode(code), progress));
            // Every subset counted once: the count ends exactly at 2^11 − 2.
            EXPECT_EQ(progress.subsetsDone.load(), 2046u) << data->name << ", criterion " << code;
        }
    }
}

TEST(SearchBestSubsets, ProgressOnlyClimbsAndStaysBelowTheLastSubsetAtKEquals31) {
    const Dataset data = noiseDataset(200, 31, 311);
    std::vector<RankedSubset> kept;
    RunProgress progress;
    std::atomic<bool> done{false};
    std::uint32_t highest = 0;
    bool climbing = true;
    int readings = 0;
    std::thread watcher([&] {
        std::uint32_t previous = 0;
        while (!done.load()) {
            const std::uint32_t now = progress.subsetsDone.load(std::memory_order_relaxed);
            climbing = climbing && now >= previous;
            highest = std::max(highest, now);
            previous = now;
            ++readings;
        }
    });
    const bool finished = searchBestSubsets(data.y, data.columns, kept, 100, RankCriterion::InformationCriterion, progress);
    done = true;
    watcher.join();
    EXPECT_TRUE(finished);
    EXPECT_EQ(kept.size(), 100u);
    EXPECT_TRUE(std::is_sorted(kept.begin(), kept.end(), rankedBefore));
    EXPECT_TRUE(climbing) << readings << " readings";
    EXPECT_LE(highest, 0x7FFFFFFEu);
    EXPECT_EQ(progress.subsetsDone.load(), 0x7FFFFFFEu);
}

TEST(SearchBestSubsets, StopRequestedWhileRunningEndsPromptlyWithFalse) {
    // A million kept subsets of 31 variables would take many seconds.
    const Dataset data = noiseDataset(200, 31, 312);
    std::vector<RankedSubset> kept;
    RunProgress progress;
    std::chrono::steady_clock::time_point requested;
    std::thread watcher([&] {
        while (progress.subsetsDone.load(std::memory_order_relaxed) < 1000) std::this_thread::yield();
        requested = std::chrono::steady_clock::now();
        progress.stopRequested = true;
    });
    const bool finished =
        searchBestSubsets(data.y, data.columns, kept, 1000000, RankCriterion::InformationCriterion, progress);
    const auto returned = std::chrono::steady_clock::now();
    watcher.join();
    EXPECT_FALSE(finished);
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(returned - requested).count(), 2000);
    EXPECT_LT(progress.subsetsDone.load(), 0x7FFFFFFEu);
    EXPECT_TRUE(std::is_sorted(kept.begin(), kept.end(), rankedBefore));
}

TEST(SearchBestSubsets, StopRequestedBeforehandReturnsFalseWithoutSearching) {
    const Dataset data = signalDataset(40, 12, 10);
    std::vector<RankedSubset> kept{{5, 1.0}};
    RunProgress progress;
    progress.subsetsDone.store(12345);
    progress.stopRequested.store(true);
    EXPECT_FALSE(searchBestSubsets(data.y, data.columns, kept, 3, RankCriterion::ResidualSumOfSquares, progress));
    EXPECT_EQ(progress.subsetsDone.load(), 12345u);
    EXPECT_TRUE(kept.empty());
}

}  // namespace

namespace {

TEST(SearchBestSubsets, KeepsTheScreeningsListOnDependentCollinearFarScaledAndNearExactData) {
    for (HardKind kind : hardKinds) {
        for (std::size_t k : sweepSizes({9u, 13u, 16u})) {
            for (std::uint64_t seed = 1; seed <= (k < 16 ? 2u : 1u); ++seed) {
                const Dataset data = hardDataset(kind, 40 + 10 * seed, k, 1000 * k + seed);
                EXPECT_EQ(trustOf(data), DropTreeTrust::Trusted) << data.name;
                for (std::int32_t code : {0, 1, 2}) {
                    const std::vector<RankedSubset> complete = exhaustive(data, 100, code);
                    for (std::uint32_t keepCount : {1u, 10u, 100u}) {
                        EXPECT_TRUE(sameList(bounded(data, keepCount, code), prefix(complete, keepCount)))
                            << data.name << ", criterion " << code << ", keepCount " << keepCount;
                    }
                }
            }
        }
    }
}

TEST(SearchBestSubsets, KeepsTheScreeningsListOnPowersOfAYearUpToEighteenColumns) {
    // Subsets with three of the four powers have traces near 1e11: their
    // members on the double path are bounded per variable, not by the trace.
    for (std::size_t k : sweepSizes({12u, 15u, 18u})) {
        for (std::uint64_t seed = 1; seed <= (k < 18 ? 2u : 1u); ++seed) {
            const Dataset data = hardDataset(HardKind::YearPowers, 60 + 70 * seed, k, 3000 * k + seed);
            ASSERT_EQ(trustOf(data), DropTreeTrust::Trusted) << data.name;
            for (std::int32_t code : {0, 1, 2}) {
                const std::vector<RankedSubset> complete = exhaustive(data, 100, code);
                ASSERT_EQ(complete.size(), 100u) << data.name;
                for (std::uint32_t keepCount : {1u, 10u, 100u}) {
                    EXPECT_TRUE(sameList(bounded(data, keepCount, code), prefix(complete, keepCount)))
                        << data.name << ", criterion " << code << ", keepCount " << keepCount;
                }
            }
        }
    }
}

// The search's tree on data, by the arithmetic of its nodes, and whether
// its list is the screening's.
SearchTally tallied(const Dataset& data, std::int32_t code, std::uint32_t keepCount) {
    SearchTally tally;
    std::vector<RankedSubset> kept;
    RunProgress progress;
    EXPECT_TRUE(searchBestSubsets(data.y, data.columns, kept, overallRequest(keepCount, rankCriterionFromCode(code)),
                                  progress, &tally));
    EXPECT_TRUE(sameList(kept, exhaustive(data, keepCount, code))) << data.name << ", criterion " << code;
    return tally;
}

TEST(SearchBestSubsets, WellConditionedDataRunTheTreeInDoubleAndIllConditionedSubtreesInExtendedPrecision) {
    // Noise and signal: the whole tree in double, from the root down.
    for (const Dataset& data : {noiseDataset(200, 16, 31), signalDataset(200, 16, 32)}) {
        for (std::int32_t code : {0, 1, 2}) {
            const SearchTally tally = tallied(data, code, 10);
            EXPECT_GT(tally.doubleNodes, 0u) << data.name << ", criterion " << code;
            EXPECT_EQ(tally.extendedNodes, 0u) << data.name << ", criterion " << code;
        }
    }
    // Powers of a year: the root and the subtrees that keep two or more
    // powers are extended; those left with one power at most run in double.
    const Dataset powers = hardDataset(HardKind::YearPowers, 200, 14, 33);
    for (std::int32_t code : {0, 2}) {
        const SearchTally tally = tallied(powers, code, 100);
        EXPECT_GT(tally.extendedNodes, 0u) << "criterion " << code;
        EXPECT_GT(tally.doubleNodes, 0u) << "criterion " << code;
    }
    // A near-exact fit: its RSS is too small a share of y·y for the double
    // tree's error, so the root is extended; the subtrees that keep the
    // fitting variables run in double in units of their own RSS
    // (doubleSubtreeScale), and most nodes are double ones.
    const Dataset nearExact = hardDataset(HardKind::NearExact8, 200, 14, 34);
    const SearchTally tally = tallied(nearExact, 0, 10);
    EXPECT_GT(tally.extendedNodes, 0u);
    EXPECT_GT(tally.doubleNodes, tally.extendedNodes);
}

TEST(SearchBestSubsets, DataOfEveryMagnitudeAndOffsetTakeTheBound) {
    // Columns and y at magnitudes from 1e-300 to 1e130, each around an
    // offset of up to 1e17 of its own spreads (timestamps, serial numbers),
    // some with a few distinct levels only: prepared as the driver prepares
    // them, every set takes the bound, and its lists are the screening's.
    TestRandom random(1919);
    for (int trial = 0; trial < 12; ++trial) {
        Dataset data = randomDataset(40 + 20 * static_cast<std::size_t>(trial % 3), 10, 4000 + trial);
        data.name = "magnitudes, trial " + std::to_string(trial);
        std::vector<DataColumn*> all{&data.y};
        for (DataColumn& column : data.columns) all.push_back(&column);
        for (std::size_t c = 0; c < all.size(); ++c) {
            const double scale = std::pow(10.0, random.between(-300, 130));
            const double offset = c % 3 == 0 ? 0.0 : std::pow(10.0, random.between(0, 17));
            const bool levels = c % 4 == 1;
            for (double& value : *all[c]) value = scale * (offset + (levels ? std::round(3.0 * value) : value));
        }
        centreDataset(data);
        ASSERT_EQ(trustOf(data), DropTreeTrust::Trusted) << data.name;
        for (std::int32_t code : {0, 2}) {
            EXPECT_TRUE(sameList(bounded(data, 10, code), exhaustive(data, 10, code))) << data.name << ", criterion " << code;
        }
    }
}

TEST(SearchBestSubsets, ARootWithNothingToDropIsSearchedAsTheScreeningDoes) {
    // y fitted exactly by x, and c a copy of x in other units: the part
    // that forces c has x as its only other candidate, and x is dependent
    // on c, so that part's root is c alone with nothing to drop, an exact
    // fit. The lists by size walked such a root's children by index with
    // none there (and crashed).
    for (std::size_t n : {5u, 12u}) {
        Dataset data = randomDataset(n, 2, 540 + n);
        data.name = "y = x, c = 2.5 x, n = " + std::to_string(n);
        for (std::size_t r = 0; r < n; ++r) {
            data.columns[1][r] = 2.5 * data.columns[0][r];
            data.y[r] = data.columns[0][r];
        }
        for (std::int32_t criterion : {0, 1, 2}) {
            for (std::uint32_t perSize : {0u, 1u, 3u}) {
                const SubsetRequest request = searchRequest(criterion, 10, perSize);
                SCOPED_TRACE(data.name + ", criterion " + std::to_string(criterion) + ", per size " +
                             std::to_string(perSize));
                EXPECT_TRUE(sameList(boundedList(data, request), screenedList(data, request)));
            }
        }
    }
}

TEST(SearchBestSubsets, RanksExactFitsFirstByMaskAsTheScreeningDoes) {
    // y is fitted exactly (up to 1e-12) by three columns: every superset of
    // them is an exact fit, criterion 0 (or −∞), ranked by mask.
    const Dataset data = hardDataset(HardKind::NearExact12, 200, 16, 77);
    for (std::int32_t code : {0, 2}) {
        const std::vector<RankedSubset> kept = bounded(data, 10, code);
        ASSERT_EQ(kept.size(), 10u);
        EXPECT_EQ(kept.front().mask, 37u);  // columns 0, 2 and 5
        for (const RankedSubset& entry : kept) {
            EXPECT_EQ(entry.mask & 37u, 37u) << entry.mask;
            EXPECT_TRUE(entry.criterion == 0.0 || entry.criterion == -INFINITY) << entry.criterion;
        }
        EXPECT_TRUE(sameList(kept, exhaustive(data, 10, code))) << "criterion " << code;
    }
}

}  // namespace
