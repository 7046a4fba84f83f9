// The plan of subtrees for data with exact dependencies and few rows: every
// subset in one tree or in the rejected count, only singular subsets
// rejected, and the same plan as a factorisation of every part from
// nothing.
#include "subset_search/subset_roots.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

#include "kept_list_compare.h"
#include "regression/least_squares_fit.h"
#include "regression/subset_mask.h"
#include "subset_search/bounded_search.h"
#include "subset_search/drop_tree.h"
#include "subset_search/screening.h"
#include "search_test_data.h"

namespace {

// The plan as it would be made with each part's system factorised afresh:
// the forced variables first, in ascending order, then the candidate of
// largest remaining pivot. A reference written for the test, without the
// planner's shared complements.
struct ReferencePlanner {
    const ScaledSystem* system = nullptr;
    std::size_t largestSize = 0;
    SubsetPlan plan;

    // False when a forced variable is dependent on the forced ones before it.
    bool dependentVariables(SubsetMask forced, SubsetMask candidates, SubsetMask& dependent) const {
        std::vector<std::size_t> order;
        for (std::size_t v = 0; v < system->variables; ++v) {
            if (forced & variableMask(v)) order.push_back(v);
        }
        const std::size_t forcedCount = order.size();
        for (std::size_t v = 0; v < system->variables; ++v) {
            if (candidates & variableMask(v)) order.push_back(v);
        }
        const std::size_t count = order.size();
        std::vector<std::vector<DoubleDouble>> a(count, std::vector<DoubleDouble>(count));
        for (std::size_t i = 0; i < count; ++i) {
            for (std::size_t j = 0; j < count; ++j) a[i][j] = system->at(order[i], order[j]);
        }
        dependent = 0;
        for (std::size_t p = 0; p < count; ++p) {
            std::size_t q = p;
            for (std::size_t r = p + 1; p >= forcedCount && r < count; ++r) {
                if (a[r][r].hi > a[q][q].hi) q = r;
            }
            if (!(a[q][q].hi > dependentLevel)) {
                if (p < forcedCount) return false;
                for (std::size_t r = p; r < count; ++r) dependent |= variableMask(order[r]);
                return true;
            }
            std::swap(order[p], order[q]);
            std::swap(a[p], a[q]);
            for (std::vector<DoubleDouble>& row : a) std::swap(row[p], row[q]);
            for (std::size_t i = p + 1; i < count; ++i) {
                const DoubleDouble factor = a[i][p] / a[p][p];
                for (std::size_t j = p + 1; j < count; ++j) a[i][j] = a[i][j] - factor * a[p][j];
            }
        }
        return true;
    }

    void split(SubsetMask forced, SubsetMask candidates) {
        SubsetMask dependent = 0;
        if (subsetSize(forced) > largestSize || !dependentVariables(forced, candidates, dependent)) {
            plan.rejected += std::uint64_t{1} << subsetSize(candidates);
            return;
        }
        const SubsetMask independent = candidates & ~dependent;
        plan.roots.push_back({forced | independent, independent});
        SubsetMask later = dependent;
        for (SubsetMask rest = dependent; rest != 0; rest = withoutLowestVariable(rest)) {
            const SubsetMask first = rest & (~rest + 1u);
            later &= ~first;
            split(forced | first, independent | later);
        }
    }
};

// Few rows with exact dependencies besides the rows' own: a copy of
// column 1, a total of columns 2 and 3, and (optionally) y fitted exactly
// by columns 0 and 4.
Dataset fewRowsWithDependencies(std::size_t n, std::size_t k, bool exactFit, std::uint64_t seed) {
    Dataset data = fewRowsDataset(n, k, 0.5, seed);
    for (std::size_t r = 0; r < n; ++r) {
        data.columns[k - 1][r] = 2.5 * data.columns[1][r];
        data.columns[k - 2][r] = data.columns[2][r] + data.columns[3][r];
        if (exactFit) data.y[r] = data.columns[0][r] - 0.5 * data.columns[4][r];
    }
    data.name += exactFit ? ", a copy, a total and an exact fit" : ", a copy and a total";
    centreDataset(data);
    return data;
}

struct Shape {
    std::size_t n, k, largest;
};

TEST(SubsetRoots, FewRowsPlanEverySubsetOnceAndRejectOnlySubsetsTheExactFitRejects) {
    // largest: the most variables a ranked subset holds (n − 2, n − 3 for
    // the corrected AIC), or every size.
    const Shape shapes[] = {{9, 12, 7}, {9, 12, 6}, {9, 12, maxExplanatoryVariables}, {8, 13, 6}, {12, 11, 10},
                            {7, 14, 5}};
    for (const Shape& shape : shapes) {
        for (bool exactFit : {false, true}) {
            const Dataset data = fewRowsWithDependencies(shape.n, shape.k, exactFit, 17 * shape.n + shape.k);
            auto system = std::make_unique<ScaledSystem>();
            ASSERT_TRUE(formScaledSystem(data.y, data.columns, *system));
            const SubsetMask all = firstVariables(shape.k);
            SubsetPlan plan;
            ASSERT_TRUE(planSubsetRoots(*system, all, 1u << 20, plan, shape.largest)) << data.name;
            std::vector<int> seen(all + 1u, 0);
            std::uint64_t reached = 0;
            auto root = std::make_unique<DropNode>();
            for (const SubsetRoot& entry : plan.roots) {
                // A root's system is positive definite: the tree can start there.
                EXPECT_TRUE(startDropTree(*system, entry.mask, entry.droppable, *root)) << data.name;
                EXPECT_EQ(entry.droppable & ~entry.mask, 0u);
                countRootMembers(entry, seen, reached);
            }
            EXPECT_EQ(reached + plan.rejected, all) << data.name << ", largest " << shape.largest;
            int rejectedRanked = 0;
            for (SubsetMask mask = 1; mask <= all; ++mask) {
                EXPECT_LE(seen[mask], 1) << data.name << ": mask " << mask;
                if (seen[mask] == 0 && subsetSize(mask) <= shape.largest) {
                    // Left out although the rows allow its size: the exact
                    // fit must find it singular.
                    ++rejectedRanked;
                    EXPECT_FALSE(fitLeastSquares(data.y, data.columns, mask).ok) << data.name << ": mask " << mask;
                }
            }
            // The dependencies leave out subsets of sizes the rows allow.
            EXPECT_GT(rejectedRanked, 0) << data.name << ", largest " << shape.largest;
        }
    }
}

// A part without forced variables, split by count: its roots are the sets
// of n − 1 candidates that hold the lowest one, each once, and each root's
// droppable variables are its initial run of candidates. Candidates with
// gaps, so that "lowest" and "run" are the candidates' own.
TEST(SubsetRoots, APartSplitByCountRootsTheSetsOfNMinusOneThatHoldItsLowestCandidate) {
    for (std::size_t rows : {5u, 8u}) {
        SubsetPlan plan;
        plan.rows = rows;
        plan.largestSize = rows - 2;
        const SubsetMask candidates = firstVariables(15) & ~variableMask(0) & ~variableMask(4) & ~variableMask(9);
        struct Collect {
            std::vector<SubsetRoot> roots;
            bool root(const SubsetRoot& root) {
                roots.push_back(root);
                return true;
            }
            void leftOut(std::uint64_t) {}
        } counted;
        ASSERT_TRUE(forEachCountedRoot(plan, 0, candidates, counted));
        const std::size_t c = subsetSize(candidates);
        std::uint64_t expected = 1;  // C(c − 1, rows − 2)
        for (std::size_t i = 0; i < rows - 2; ++i) expected = expected * (c - 1 - i) / (i + 1);
        EXPECT_EQ(counted.roots.size(), expected) << "rows " << rows;
        std::vector<SubsetMask> masks;
        for (const SubsetRoot& root : counted.roots) {
            masks.push_back(root.mask);
            EXPECT_EQ(root.mask & ~candidates, 0u) << root.mask;
            EXPECT_EQ(subsetSize(root.mask), rows - 1) << root.mask;
            EXPECT_NE(root.mask & variableMask(lowestVariable(candidates)), 0u) << root.mask;
            SubsetMask run = 0;
            for (SubsetMask rest = candidates; rest != 0 && (root.mask & rest & (~rest + 1u)) != 0;
                 rest = withoutLowestVariable(rest)) {
                run |= rest & (~rest + 1u);
            }
            EXPECT_EQ(root.droppable, run) << "root " << root.mask;
        }
        std::sort(masks.begin(), masks.end());
        EXPECT_EQ(std::unique(masks.begin(), masks.end()), masks.end()) << "rows " << rows;
    }
}

TEST(SubsetRoots, FewRowsPlansSplitByCountCoverEverySubsetOnceAndTheirSingularPartsArePlannedExactly) {
    // Below the top, the parts are split by count alone: still every
    // subset once, in a tree or left out for its size. The roots that the
    // copy or the total makes singular (the tree cannot start there) have
    // their parts planned exactly, as the search plans them: roots it can
    // start, and only subsets the exact fit rejects left out.
    const Shape shapes[] = {{9, 12, 7}, {8, 13, 6}, {7, 14, 5}};
    int singular = 0;
    for (const Shape& shape : shapes) {
        const Dataset data = fewRowsWithDependencies(shape.n, shape.k, false, 23 * shape.n + shape.k);
        auto system = std::make_unique<ScaledSystem>();
        ASSERT_TRUE(formScaledSystem(data.y, data.columns, *system));
        const SubsetMask all = firstVariables(shape.k);
        SubsetPlan plan;
        ASSERT_TRUE(planSubsetRoots(*system, all, 1u << 20, plan, shape.largest, 1u << 20)) << data.name;
        EXPECT_TRUE(plan.byRows) << data.name;
        // The top root is stored; the rest is formed part by part.
        EXPECT_EQ(plan.roots.size(), 1u) << data.name;
        EXPECT_FALSE(plan.countedParts.empty()) << data.name;
        struct Collect {
            std::vector<SubsetRoot> roots;
            std::uint64_t leftOutCount = 0;
            bool root(const SubsetRoot& root) {
                roots.push_back(root);
                return true;
            }
            void leftOut(std::uint64_t count) { leftOutCount += count; }
        } counted;
        for (const CountedPart& part : plan.countedParts) {
            ASSERT_TRUE(forEachCountedRoot(plan, part.forced, part.candidates, counted));
        }
        std::vector<SubsetRoot> roots = plan.roots;
        roots.insert(roots.end(), counted.roots.begin(), counted.roots.end());
        std::vector<int> seen(all + 1u, 0);
        std::uint64_t reached = 0;
        for (const SubsetRoot& root : roots) countRootMembers(root, seen, reached);
        EXPECT_EQ(reached + plan.rejected + counted.leftOutCount, all) << data.name;
        for (SubsetMask mask = 1; mask <= all; ++mask) {
            EXPECT_LE(seen[mask], 1) << data.name << ": mask " << mask;
            if (subsetSize(mask) <= shape.largest) {
                EXPECT_EQ(seen[mask], 1) << data.name << ": mask " << mask;
            }
        }
        auto node = std::make_unique<DropNode>();
        for (const SubsetRoot& root : roots) {
            if (startDropTree(*system, root.mask, root.droppable, *node) && node->trace < 1e10) continue;
            ++singular;
            SubsetPlan part;
            ASSERT_TRUE(planSubsetPart(*system, root.mask & ~root.droppable, root.droppable, 1u << 20, part,
                                       shape.largest));
            std::vector<int> inPart(all + 1u, 0);
            std::uint64_t partReached = 0;
            for (const SubsetRoot& each : part.roots) {
                EXPECT_TRUE(startDropTree(*system, each.mask, each.droppable, *node)) << "mask " << each.mask;
                EXPECT_EQ(each.mask & ~each.droppable & ~root.mask, 0u);
                countRootMembers(each, inPart, partReached);
            }
            std::uint64_t members = 0;
            for (SubsetMask dropped = root.droppable;; dropped = (dropped - 1u) & root.droppable) {
                const SubsetMask mask = root.mask & ~dropped;
                if (mask != 0) {
                    ++members;
                    EXPECT_LE(inPart[mask], 1) << "mask " << mask;
                    if (inPart[mask] == 0 && subsetSize(mask) <= shape.largest) {
                        EXPECT_FALSE(fitLeastSquares(data.y, data.columns, mask).ok) << "mask " << mask;
                    }
                }
                if (dropped == 0) break;
            }
            EXPECT_EQ(partReached + part.rejected, members) << "root " << root.mask;
        }
    }
    EXPECT_GT(singular, 10);
}

TEST(SubsetRoots, FewRowsPlanEqualsThePlanOfEveryPartFactorisedAfresh) {
    const Shape shapes[] = {{9, 12, 7}, {10, 14, 8}, {6, 16, 4}, {12, 11, 10}, {20, 22, 18}, {20, 22, 17}};
    for (const Shape& shape : shapes) {
        for (bool dependencies : {false, true}) {
            const Dataset data = dependencies ? fewRowsWithDependencies(shape.n, shape.k, false, shape.k)
                                              : fewRowsDataset(shape.n, shape.k, 0.5, 3 * shape.k);
            auto system = std::make_unique<ScaledSystem>();
            ASSERT_TRUE(formScaledSystem(data.y, data.columns, *system));
            const SubsetMask all = firstVariables(shape.k);
            SubsetPlan plan;
            ASSERT_TRUE(planSubsetRoots(*system, all, 1u << 20, plan, shape.largest)) << data.name;
            ReferencePlanner reference;
            reference.system = system.get();
            reference.largestSize = shape.largest;
            reference.split(0, all);
            EXPECT_EQ(plan.rejected, reference.plan.rejected) << data.name;
            ASSERT_EQ(plan.roots.size(), reference.plan.roots.size()) << data.name;
            // The same roots; the first (no forced variable) first, the
            // order of the rest is the plan's own.
            const auto byMask = [](const SubsetRoot& a, const SubsetRoot& b) {
                return a.mask < b.mask || (a.mask == b.mask && a.droppable < b.droppable);
            };
            ASSERT_FALSE(plan.roots.empty());
            EXPECT_EQ(plan.roots[0].mask, reference.plan.roots[0].mask) << data.name;
            std::sort(plan.roots.begin(), plan.roots.end(), byMask);
            std::sort(reference.plan.roots.begin(), reference.plan.roots.end(), byMask);
            for (std::size_t i = 0; i < plan.roots.size(); ++i) {
                EXPECT_EQ(plan.roots[i].mask, reference.plan.roots[i].mask) << data.name << ", root " << i;
                EXPECT_EQ(plan.roots[i].droppable, reference.plan.roots[i].droppable) << data.name << ", root " << i;
            }
        }
    }
}

TEST(SubsetRoots, ARootsInverseFormedInTwoStepsEqualsOneFormedAtOnceBitForBit) {
    // Few rows: roots of n − 1 variables with one to a few droppable ones,
    // whose inverse is formed at first on those rows only.
    const Dataset data = fewRowsWithDependencies(10, 14, false, 5);
    auto system = std::make_unique<ScaledSystem>();
    ASSERT_TRUE(formScaledSystem(data.y, data.columns, *system));
    SubsetPlan plan;
    ASSERT_TRUE(planSubsetRoots(*system, firstVariables(14), 1u << 20, plan, 8));
    auto partial = std::make_unique<DropNode>();
    auto whole = std::make_unique<DropNode>();
    int completed = 0;
    for (const SubsetRoot& root : plan.roots) {
        ASSERT_TRUE(startDropTree(*system, root.mask, root.droppable, *partial));
        ASSERT_TRUE(startDropTree(*system, root.mask, root.mask, *whole));
        const DoubleDouble rssPartial = partial->rss;
        EXPECT_TRUE(rssPartial.hi == whole->rss.hi && rssPartial.lo == whole->rss.lo);
        EXPECT_EQ(partial->trace, whole->trace);
        EXPECT_EQ(partial->doubleTrace, whole->doubleTrace);
        if (root.droppable != root.mask) ++completed;
        completeDropInverse(*partial);
        for (std::size_t a = 0; a < whole->order; ++a) {
            for (std::size_t b = 0; b < whole->order; ++b) {
                const DoubleDouble x = partial->inverse[a * scaledStride + b];
                const DoubleDouble y = whole->inverse[a * scaledStride + b];
                ASSERT_TRUE(x.hi == y.hi && x.lo == y.lo) << "mask " << root.mask << " entry " << a << ", " << b;
            }
            const DoubleDouble x = partial->beta[a];
            const DoubleDouble y = whole->beta[a];
            ASSERT_TRUE(x.hi == y.hi && x.lo == y.lo) << "mask " << root.mask << " coefficient " << a;
        }
    }
    EXPECT_GT(completed, 100);
}

TEST(SubsetRoots, ChildrenDowndatedFromARootFormedInTwoStepsEqualThoseOfOneFormedAtOnce) {
    // Many rows, a copy and a total: roots with forced variables, each
    // with a moderate trace, so that their children are downdated.
    Dataset data = signalDataset(40, 10, 8);
    for (std::size_t r = 0; r < 40; ++r) {
        data.columns[9][r] = 2.5 * data.columns[1][r];
        data.columns[8][r] = data.columns[2][r] + data.columns[3][r];
    }
    centreDataset(data);
    auto system = std::make_unique<ScaledSystem>();
    ASSERT_TRUE(formScaledSystem(data.y, data.columns, *system));
    SubsetPlan plan;
    ASSERT_TRUE(planSubsetRoots(*system, firstVariables(10), 4096, plan));
    auto partial = std::make_unique<DropNode>();
    auto whole = std::make_unique<DropNode>();
    auto fromPartial = std::make_unique<DropNode>();
    auto fromWhole = std::make_unique<DropNode>();
    int compared = 0;
    for (const SubsetRoot& root : plan.roots) {
        if (root.droppable == root.mask || root.droppable == 0) continue;
        ASSERT_TRUE(startDropTree(*system, root.mask, root.droppable, *partial));
        ASSERT_TRUE(startDropTree(*system, root.mask, root.droppable, *whole));
        completeDropInverse(*whole);
        rankDrops(*partial);
        rankDrops(*whole);
        for (std::size_t i = 0; i < partial->droppableCount; ++i) {
            descendDropTree(*partial, i, *fromPartial);
            descendDropTree(*whole, i, *fromWhole);
            ASSERT_NE(fromPartial->sourceTrace, 0.0) << "a child factorised afresh";
            // A downdated child forms the rows of its droppable slots, the
            // diagonal and their β; both children alike.
            ASSERT_EQ(fromPartial->formedSlots, fromWhole->formedSlots);
            const auto formedRow = [&](std::size_t a) { return ((fromWhole->formedSlots >> a) & 1u) != 0; };
            for (std::size_t a = 0; a < fromWhole->order; ++a) {
                for (std::size_t b = 0; b < fromWhole->order; ++b) {
                    if (!formedRow(a) && !formedRow(b) && a != b) continue;
                    const DoubleDouble x = fromPartial->inverse[a * scaledStride + b];
                    const DoubleDouble y = fromWhole->inverse[a * scaledStride + b];
                    ASSERT_TRUE(x.hi == y.hi && x.lo == y.lo) << "mask " << fromWhole->mask << " entry " << a << ", " << b;
                }
                if (!formedRow(a)) continue;
                const DoubleDouble x = fromPartial->beta[a];
                const DoubleDouble y = fromWhole->beta[a];
                ASSERT_TRUE(x.hi == y.hi && x.lo == y.lo) << "mask " << fromWhole->mask << " coefficient " << a;
            }
            ++compared;
        }
    }
    EXPECT_GT(compared, 5);
}

TEST(SubsetRoots, ARootFactorisedWhereTheRootBeforeItStoodEqualsOneFactorisedFromNothing) {
    // Consecutive roots share their leading variables, whose columns of the
    // factors the second takes over in place; nothing of it may differ from
    // a factorisation in a node that held nothing.
    const Dataset data = fewRowsWithDependencies(11, 15, false, 9);
    auto system = std::make_unique<ScaledSystem>();
    ASSERT_TRUE(formScaledSystem(data.y, data.columns, *system));
    SubsetPlan plan;
    ASSERT_TRUE(planSubsetRoots(*system, firstVariables(15), 1u << 20, plan, 9));
    auto reused = std::make_unique<DropNode>();
    int shared = 0;
    SubsetMask previous = 0;
    for (const SubsetRoot& root : plan.roots) {
        ASSERT_TRUE(startDropTree(*system, root.mask, root.droppable, *reused, true));
        auto fresh = std::make_unique<DropNode>();
        ASSERT_TRUE(startDropTree(*system, root.mask, root.droppable, *fresh));
        if ((root.mask & 7u) == (previous & 7u)) ++shared;  // at least the lowest variables alike
        previous = root.mask;
        EXPECT_TRUE(reused->rss.hi == fresh->rss.hi && reused->rss.lo == fresh->rss.lo) << "mask " << root.mask;
        EXPECT_EQ(reused->trace, fresh->trace);
        EXPECT_EQ(reused->doubleTrace, fresh->doubleTrace);
        EXPECT_EQ(reused->rssError, fresh->rssError);
        completeDropInverse(*reused);
        completeDropInverse(*fresh);
        const std::size_t e = fresh->order;
        const auto same = [](const DoubleDouble& x, const DoubleDouble& y) { return x.hi == y.hi && x.lo == y.lo; };
        for (std::size_t a = 0; a < e; ++a) {
            for (std::size_t b = 0; b < e; ++b) {
                ASSERT_TRUE(same(reused->inverse[a * scaledStride + b], fresh->inverse[a * scaledStride + b]))
                    << "mask " << root.mask << " entry " << a << ", " << b;
                if (a <= b) {
                    ASSERT_TRUE(same(reused->factors.r[a * scaledStride + b], fresh->factors.r[a * scaledStride + b]))
                        << "mask " << root.mask << " R " << a << ", " << b;
                    ASSERT_TRUE(same(reused->factors.w[a * scaledStride + b], fresh->factors.w[a * scaledStride + b]))
                        << "mask " << root.mask << " W " << a << ", " << b;
                }
            }
            ASSERT_TRUE(same(reused->beta[a], fresh->beta[a])) << "mask " << root.mask << " coefficient " << a;
        }
    }
    EXPECT_GT(shared, 100);
}

TEST(SubsetRoots, BoundedListsEqualTheScreeningsOnFewRowsWithACopyATotalAndAnExactFit) {
    // The plan's parts rejected as singular (the copy or the total forced
    // whole), rejected by size, and bounded, in whole searches: the lists
    // of every criterion but Cp (whose scale needs more rows than
    // variables), keep 1, 10 and 100 and 1 or 3 of each size.
    // The search splits such plans by count below the top: the roots that
    // the copy or the total makes singular have their parts planned
    // exactly (SearchTally::partsPlannedExactly). So do the parts of a
    // covering root that the copy or the total makes singular, where the
    // one list is searched from a cover (covering_roots.h).
    const Shape shapes[] = {{9, 12, 7}, {10, 13, 8}, {12, 11, 10}};
    std::uint64_t plannedExactly = 0;
    std::uint64_t plannedExactlyUnderCover = 0;
    for (const Shape& shape : shapes) {
        for (bool exactFit : {false, true}) {
            const Dataset data = fewRowsWithDependencies(shape.n, shape.k, exactFit, 31 * shape.k + shape.n);
            ASSERT_EQ(boundedSearchVerdict(data.y, data.columns), DropTreeTrust::Trusted) << data.name;
            for (RankCriterion criterion :
                 {RankCriterion::ResidualSumOfSquares, RankCriterion::ResidualMeanSquare, RankCriterion::InformationCriterion,
                  RankCriterion::BayesInformationCriterion, RankCriterion::CorrectedInformationCriterion}) {
                for (std::uint32_t perSize : {0u, 1u, 3u}) {
                    for (std::uint32_t keepCount : {1u, 10u, 100u}) {
                        if (perSize > 0 && keepCount != 10) continue;
                        SubsetRequest request = overallRequest(keepCount, criterion);
                        request.perSize = perSize;
                        std::vector<RankedSubset> screened, bounded;
                        RunProgress progress;
                        ASSERT_TRUE(screenSubsets(data.y, data.columns, screened, request, progress));
                        SearchTally tally;
                        ASSERT_TRUE(searchBestSubsets(data.y, data.columns, bounded, request, progress, &tally));
                        plannedExactly += tally.partsPlannedExactly;
                        if (tally.coveringRoots > 0) plannedExactlyUnderCover += tally.partsPlannedExactly;
                        EXPECT_TRUE(sameList(bounded, screened))
                            << data.name << ", criterion " << static_cast<int>(criterion) << ", keep " << keepCount
                            << ", per size " << perSize;
                        EXPECT_FALSE(screened.empty()) << data.name;
                    }
                }
            }
        }
    }
    EXPECT_GT(plannedExactly, 0u);
    EXPECT_GT(plannedExactlyUnderCover, 0u);
}

}  // namespace
