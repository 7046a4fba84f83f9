// The roots that cover the sets of n − 2 variables with few rows: each set
// offered once, by the owner its definition names, the smaller sets split
// among the parts of those sets, and modulus 1 the plan split by count.
#include "subset_search/covering_roots.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <vector>

#include "regression/subset_mask.h"
#include "subset_search/subset_roots.h"

namespace {

struct CoverRoots {
    std::vector<SubsetRoot> roots;
    bool root(const SubsetRoot& root) {
        roots.push_back(root);
        return true;
    }
    void leftOut(std::uint64_t) {}
};

std::vector<SubsetRoot> rootsOf(const CoveringRoots& cover) {
    CoverRoots collect;
    EXPECT_TRUE(forEachCoveringRoot(cover, collect));
    return collect.roots;
}

// Every subset of candidates of the given size, by mask.
std::vector<SubsetMask> setsOfSize(SubsetMask candidates, std::size_t size) {
    std::vector<SubsetMask> sets;
    std::vector<std::size_t> variables;
    for (SubsetMask rest = candidates; rest != 0; rest = withoutLowestVariable(rest)) {
        variables.push_back(lowestVariable(rest));
    }
    const std::size_t count = variables.size();
    for (SubsetMask pick = 0; pick < (SubsetMask{1} << count); ++pick) {
        if (subsetSize(pick) != size) continue;
        SubsetMask set = 0;
        for (std::size_t i = 0; i < count; ++i) {
            if (pick & variableMask(i)) set |= variableMask(variables[i]);
        }
        sets.push_back(set);
    }
    return sets;
}

// The owner of a set of rootSize − 1 candidates by the definition, written
// out for the test: the weights are the candidates' places mod m and
// (place div m) mod m2; the owner adds the lowest candidate that makes the
// weight 0, or else the second weight 0, or else the lowest candidate
// missing.
SubsetMask ownerOf(SubsetMask candidates, std::uint32_t m, std::uint32_t m2, SubsetMask set) {
    std::map<std::size_t, std::uint32_t> weight, second;
    std::uint32_t place = 0;
    for (SubsetMask rest = candidates; rest != 0; rest = withoutLowestVariable(rest), ++place) {
        weight[lowestVariable(rest)] = place % m;
        second[lowestVariable(rest)] = place / m % m2;
    }
    for (const auto* weights : {&weight, &second}) {
        const std::uint32_t modulus = weights == &weight ? m : m2;
        std::uint32_t setWeight = 0;
        for (SubsetMask rest = set; rest != 0; rest = withoutLowestVariable(rest)) {
            setWeight = (setWeight + weights->at(lowestVariable(rest))) % modulus;
        }
        for (SubsetMask rest = candidates & ~set; rest != 0; rest = withoutLowestVariable(rest)) {
            const std::size_t x = lowestVariable(rest);
            if ((setWeight + weights->at(x)) % modulus == 0) return set | variableMask(x);
        }
    }
    const SubsetMask missing = candidates & ~set;
    return set | (missing & (~missing + 1u));
}

// Candidates with gaps: 14 of the variables 0 … 17.
const SubsetMask gappedCandidates = firstVariables(18) & ~variableMask(0) & ~variableMask(5) & ~variableMask(6) &
                                    ~variableMask(13);

TEST(CoveringRoots, OfferEverySetOfNMinusTwoOnceFromTheOwnerItsDefinitionNames) {
    for (std::size_t rootSize : {3u, 6u, 9u, 12u}) {
        for (std::uint32_t m = 1; m <= mostCoveringModulus; ++m) {
          for (std::uint32_t m2 : {1u, 2u, 3u, 5u}) {
            const CoveringRoots cover = coveringRootsOf(gappedCandidates, rootSize, m, m2);
            const std::vector<SubsetRoot> roots = rootsOf(cover);
            std::map<SubsetMask, SubsetMask> expected;  // root → the variables it drops for the sets it owns
            for (SubsetMask set : setsOfSize(gappedCandidates, rootSize - 1)) {
                const SubsetMask owner = ownerOf(gappedCandidates, m, m2, set);
                expected[owner] |= owner & ~set;
            }
            ASSERT_EQ(roots.size(), expected.size())
                << "root size " << rootSize << ", moduli " << m << " and " << m2;
            for (std::size_t i = 0; i < roots.size(); ++i) {
                const SubsetRoot& root = roots[i];
                EXPECT_EQ(subsetSize(root.mask), rootSize) << root.mask;
                EXPECT_EQ(root.mask & ~gappedCandidates, 0u) << root.mask;
                const auto found = expected.find(root.mask);
                ASSERT_NE(found, expected.end()) << "root " << root.mask << ", moduli " << m << " and " << m2;
                EXPECT_EQ(root.droppable, found->second) << "root " << root.mask << ", moduli " << m << " and " << m2;
                // In the plan's order, for the factors consecutive roots share.
                if (i > 0) {
                    EXPECT_TRUE(rootBefore(roots[i - 1], root)) << roots[i - 1].mask << " then " << root.mask;
                }
            }
          }
        }
    }
}

TEST(CoveringRoots, ModulusOneIsThePlanSplitByCount) {
    for (std::size_t rows : {5u, 8u, 11u}) {
        SubsetPlan plan;
        plan.rows = rows;
        plan.largestSize = rows - 2;
        CoverRoots counted;
        ASSERT_TRUE(forEachCountedRoot(plan, 0, gappedCandidates, counted));
        sortRoots(counted.roots.begin(), counted.roots.end());
        const std::vector<SubsetRoot> covering = rootsOf(coveringRootsOf(gappedCandidates, rows - 1, 1));
        ASSERT_EQ(covering.size(), counted.roots.size()) << "rows " << rows;
        for (std::size_t i = 0; i < covering.size(); ++i) {
            EXPECT_EQ(covering[i].mask, counted.roots[i].mask) << "rows " << rows << ", root " << i;
            EXPECT_EQ(covering[i].droppable, counted.roots[i].droppable) << "root " << covering[i].mask;
        }
        EXPECT_DOUBLE_EQ(estimatedCoveringRoots(gappedCandidates, rows - 1, 1), static_cast<double>(covering.size()));
    }
}

TEST(CoveringRoots, ThePartsOfTheSetsOfNMinusTwoHoldEverySmallerSetOnce) {
    // The part of S: S ∖ R for every R within S's initial run of
    // candidates, the empty set left out.
    for (std::size_t rootSize : {2u, 5u, 9u}) {
        std::map<SubsetMask, int> seen;
        for (SubsetMask set : setsOfSize(gappedCandidates, rootSize - 1)) {
            const SubsetMask run = runOf(gappedCandidates, set);
            EXPECT_EQ(run & ~set, 0u) << set;
            for (SubsetMask dropped = run;; dropped = (dropped - 1u) & run) {
                if ((set & ~dropped) != 0) ++seen[set & ~dropped];
                if (dropped == 0) break;
            }
        }
        // coveredMembers counts the members of a root's owned parts.
        for (std::uint32_t m : {1u, 3u}) {
            const CoveringRoots cover = coveringRootsOf(gappedCandidates, rootSize, m);
            for (const SubsetRoot& root : rootsOf(cover)) {
                std::uint64_t expected = 0;
                for (SubsetMask rest = root.droppable; rest != 0; rest = withoutLowestVariable(rest)) {
                    const SubsetMask set = root.mask & ~(rest & (~rest + 1u));
                    const SubsetMask run = runOf(gappedCandidates, set);
                    expected += (std::uint64_t{1} << subsetSize(run)) - (run == set ? 1u : 0u);
                }
                EXPECT_EQ(coveredMembers(cover, root.mask, root.droppable), expected) << "root " << root.mask;
            }
        }
        for (std::size_t size = 1; size < rootSize; ++size) {
            for (SubsetMask set : setsOfSize(gappedCandidates, size)) {
                EXPECT_EQ(seen[set], 1) << "root size " << rootSize << ", set " << set;
            }
        }
        for (const auto& [set, count] : seen) EXPECT_LT(subsetSize(set), rootSize) << set;
    }
}

TEST(CoveringRoots, TheEstimatedCountIsNearTheCountAndTheChosenModulusHasFewerRootsThanThePlan) {
    for (std::size_t rootSize : {6u, 8u, 10u}) {
        const std::size_t planRoots = rootsOf(coveringRootsOf(gappedCandidates, rootSize, 1)).size();
        for (std::uint32_t m = 2; m <= 6; ++m) {
            const double estimate = estimatedCoveringRoots(gappedCandidates, rootSize, m);
            const double actual = static_cast<double>(rootsOf(coveringRootsOf(gappedCandidates, rootSize, m)).size());
            // Not every set of weight 0 owns a drop, and the roots of the
            // second weight own two drops only on average: the estimate
            // may be off where few candidates are left out of a root.
            EXPECT_GE(estimate / actual, 0.75) << "root size " << rootSize << ", modulus " << m << ": estimated "
                                              << estimate << ", " << actual;
            EXPECT_LE(estimate / actual, 1.5) << "root size " << rootSize << ", modulus " << m << ": estimated "
                                              << estimate << ", " << actual;
        }
        const CoveringRoots chosen = coveringRoots(gappedCandidates, rootSize);
        EXPECT_GT(chosen.modulus, 1u) << "root size " << rootSize;
        EXPECT_LT(rootsOf(chosen).size(), planRoots) << "root size " << rootSize << ", modulus " << chosen.modulus;
    }
}

}  // namespace
