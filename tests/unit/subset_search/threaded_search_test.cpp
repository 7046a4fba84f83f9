// The bounded search on several threads: the same lists, bit for bit, as on
// one thread and as the exhaustive screening, for every kind of data and
// request; progress that only climbs to 2^k − 2; a prompt stop.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <tuple>
#include <thread>

#include "kept_list_compare.h"
#include "regression/subset_mask.h"
#include "subset_search/bounded_search.h"
#include "subset_search/kept_selection.h"
#include "subset_search/ranking_criterion.h"
#include "subset_search/screening.h"
#include "subset_search/subset_roots.h"
#include "search_test_data.h"

namespace {

struct Searched {
    bool finished = false;
    std::vector<RankedSubset> kept;
    std::uint64_t decided = 0;
};

Searched searched(const Dataset& data, const SubsetRequest& request) {
    Searched out;
    out.kept = {{77, 1.0}};  // the search must empty it first
    RunProgress progress;
    out.finished = searchBestSubsets(data.y, data.columns, out.kept, request, progress);
    out.decided = progress.subsetsDecided.load();
    return out;
}

// Every kind of data the one-thread search is tested on, at a size where the
// top of the tree is walked by every thread and its parts dealt out (more
// than eight droppable variables at the root), every criterion, one list
// and per size, with and without a forced variable.
TEST(ThreadedSearch, EqualsTheScreeningForEveryThreadCountKindAndRequest) {
    int sets = 0;
    for (std::size_t k : sweepSizes({10u, 12u})) {
        for (const SearchCase& test : searchCases(k, 900 + k)) {
            const Dataset& data = test.data;
            ++sets;
            for (std::int32_t criterion : {0, 1, 2, 3, 5}) {
                for (const auto& [keepCount, perSize, forced] :
                     {std::tuple{1u, 0u, SubsetMask{0}}, std::tuple{10u, 0u, SubsetMask{0}},
                      std::tuple{100u, 0u, variableMask(2)}, std::tuple{1u, 3u, SubsetMask{0}}}) {
                    const std::vector<RankedSubset> want =
                        screenedList(data, searchRequest(criterion, keepCount, perSize, forced));
                    for (std::uint32_t threads : {2u, 3u}) {
                        const Searched got = searched(data, searchRequest(criterion, keepCount, perSize, forced, threads));
                        EXPECT_TRUE(got.finished);
                        EXPECT_TRUE(sameList(got.kept, want))
                            << data.name << ", k " << k << ", criterion " << criterion << ", keep " << keepCount
                            << ", per size " << perSize << ", forced " << forced << ", " << threads << " threads";
                        EXPECT_EQ(got.decided, nonEmptySubsets(k) - 1) << data.name << ", " << threads << " threads";
                    }
                }
            }
        }
    }
    EXPECT_GE(sets, 10);
}

// The data that make the tree's work hard: exact dependencies (several
// roots, each dealt out), near-exact fits, far scales, timestamps.
TEST(ThreadedSearch, EqualsTheScreeningOnTheHardKinds) {
    const std::size_t k = sanitizedBuild ? 12 : 14;
    for (HardKind kind : hardKinds) {
        const Dataset data = hardDataset(kind, kind == HardKind::FewRows ? k + 2 : 120, k, 31);
        for (std::int32_t criterion : {0, 2, 3}) {
            for (std::uint32_t perSize : {0u, 1u}) {
                const std::vector<RankedSubset> want = screenedList(data, searchRequest(criterion, 10, perSize, 0, 1));
                for (std::uint32_t threads : {2u, 3u}) {
                    const Searched got = searched(data, searchRequest(criterion, 10, perSize, 0, threads));
                    EXPECT_TRUE(sameList(got.kept, want)) << hardKindName(kind) << ", criterion " << criterion
                                                          << ", per size " << perSize << ", " << threads << " threads";
                }
            }
        }
    }
}

// Fewer rows than variables split the subsets into thousands of roots:
// each root is then one task.
TEST(ThreadedSearch, EqualsTheScreeningWhenEveryRootIsOneTask) {
    const std::size_t n = 12, k = 15;
    const Dataset data = fewRowsDataset(n, k, 0.01, 1215);
    // The plan splits into more roots than are dealt out in parts: one per
    // set of n − 1 variables, C(15, 11) = 1365 of them.
    const auto system = std::make_unique<ScaledSystem>();
    ASSERT_TRUE(formScaledSystem(data.y, data.columns, *system));
    SubsetPlan plan;
    ASSERT_TRUE(planSubsetRoots(*system, firstVariables(k), 100000, plan,
                                static_cast<std::size_t>(largestRankedSize(RankCriterion::ResidualSumOfSquares, n))));
    EXPECT_GT(plan.roots.size(), 64u);
    for (std::int32_t criterion : {0, 2, 5}) {
        for (std::uint32_t perSize : {0u, 3u}) {
            const std::vector<RankedSubset> want = screenedList(data, searchRequest(criterion, 10, perSize, 0, 1));
            ASSERT_FALSE(want.empty());
            for (std::uint32_t threads : {1u, 2u, 4u}) {
                const Searched got = searched(data, searchRequest(criterion, 10, perSize, 0, threads));
                EXPECT_TRUE(sameList(got.kept, want))
                    << "criterion " << criterion << ", per size " << perSize << ", " << threads << " threads";
                EXPECT_EQ(got.decided, nonEmptySubsets(k) - 1) << threads << " threads";
            }
        }
    }
}

// Beyond 31 variables: 40 columns, the lists of one and of three threads
// bit for bit the same, and the count of decided subsets at 2^40 − 2.
TEST(ThreadedSearch, FortyVariablesGiveTheSameListsOnOneTwoAndThreeThreads) {
    const std::size_t k = 40;
    const Dataset data = signalDataset(300, k, 4040);
    for (const SubsetRequest& base : {searchRequest(3, 10, 0, 0, 1), searchRequest(0, 0, 1, 0, 1)}) {
        SubsetRequest request = base;
        const Searched one = searched(data, request);
        ASSERT_TRUE(one.finished);
        ASSERT_FALSE(one.kept.empty());
        EXPECT_EQ(one.decided, nonEmptySubsets(k) - 1);
        for (std::uint32_t threads : {2u, 3u}) {
            request.threads = threads;
            const Searched many = searched(data, request);
            EXPECT_TRUE(many.finished);
            EXPECT_TRUE(sameList(many.kept, one.kept)) << threads << " threads, per size " << request.perSize;
            EXPECT_EQ(many.decided, nonEmptySubsets(k) - 1) << threads << " threads";
        }
    }
}

TEST(ThreadedSearch, ProgressOnlyClimbsToTheLastSubsetWhileTwoThreadsWork) {
    const Dataset data = noiseDataset(200, 31, 3131);
    RunProgress progress;
    std::atomic<bool> done{false};
    bool climbing = true;
    std::uint64_t highest = 0;
    std::thread watcher([&] {
        std::uint64_t previous = 0;
        while (!done.load()) {
            const std::uint64_t now = progress.subsetsDecided.load(std::memory_order_relaxed);
            climbing = climbing && now >= previous;
            highest = std::max(highest, now);
            previous = now;
        }
    });
    std::vector<RankedSubset> kept;
    const bool finished = searchBestSubsets(data.y, data.columns, kept, searchRequest(2, 1000, 0, 0, 2), progress);
    done = true;
    watcher.join();
    EXPECT_TRUE(finished);
    EXPECT_EQ(kept.size(), 1000u);
    EXPECT_TRUE(climbing);
    EXPECT_LE(highest, nonEmptySubsets(31) - 1);
    EXPECT_EQ(progress.subsetsDecided.load(), nonEmptySubsets(31) - 1);
    EXPECT_EQ(progress.subsetsDone.load(), 0x7FFFFFFEu);
}

TEST(ThreadedSearch, StopRequestedWhileThreeThreadsRunEndsPromptlyWithFalse) {
    // A million kept subsets of 31 variables would take many seconds.
    const Dataset data = noiseDataset(200, 31, 3132);
    std::vector<RankedSubset> kept;
    RunProgress progress;
    std::chrono::steady_clock::time_point requested;
    std::thread watcher([&] {
        while (progress.subsetsDecided.load(std::memory_order_relaxed) < 5000) std::this_thread::yield();
        requested = std::chrono::steady_clock::now();
        progress.stopRequested = true;
    });
    const bool finished = searchBestSubsets(data.y, data.columns, kept, searchRequest(2, 1000000, 0, 0, 3), progress);
    const auto returned = std::chrono::steady_clock::now();
    watcher.join();
    EXPECT_FALSE(finished);
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(returned - requested).count(), 2000);
    EXPECT_LT(progress.subsetsDecided.load(), nonEmptySubsets(31) - 1);
    EXPECT_TRUE(std::is_sorted(kept.begin(), kept.end(), rankedBefore));
}

}  // namespace
