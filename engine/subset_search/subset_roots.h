#pragma once
// Splits the subsets of a run into subtrees whose roots have positive
// definite systems, for data with exact linear dependencies among the
// explanatory variables (a total column beside its parts, a full set of
// dummy columns, copies, fewer rows than variables).
//
// A variable whose residual share after the variables before it
// (1 − R²_j, the pivot of a diagonally pivoted Cholesky factorisation of the
// scaled system) is at or below dependentLevel is numerically a combination
// of them. The subsets are split by which of those dependent variables
// d_1 … d_m they hold:
//   - none: one subtree, rooted at the independent variables;
//   - d_i as the first of them: d_i is forced into every member, d_1 … d_{i−1}
//     are left out, and the rest is split again in the same way with d_i
//     factorised first.
// Where a forced variable is itself dependent on the forced ones before it,
// every subset that holds them all is singular under the exact fit's rank
// rule (1 − R²_j ≤ rankTolerance), and that whole part is rejected without
// a tree. Each part is planned from the Schur complement of its forced
// variables, which its parent part hands down with one more variable
// eliminated, rather than from a factorisation of the whole system.
//
// Few rows (n ≤ k + 1). The centred columns span at most n − 1 dimensions,
// so every set of n − 1 or more variables fits y exactly (RSS 0), and no
// ranked subset holds more than n − 2. A subset's only bounds in the tree
// are the RSS of its supersets, and every superset of a set of n − 2
// variables has n − 1 or more: its bound is 0. So no set of n − 2
// variables can be left out unfitted unless its own RSS is known, and
// where those sets head the list (the RSS, the mean square, AIC and BIC
// all rank them first on such data: one residual degree of freedom and an
// RSS near 0) every one of the C(k, n − 2) of them has its RSS formed:
// each is a drop from a root of n − 1 variables, which gives at most
// n − 1 of them: at least C(k, n − 2)/(n − 1) roots (n = 20, k = 31: 10.9
// million; this plan makes C(k − 1, n − 2) sets of n − 1 variables roots,
// forEachCountedRoot says which: 33,649 at k = 24 and 86.5 million at
// k = 31, with 2.4 droppable variables on average there). Any
// bound built from supersets' RSS (this tree's, or leaps' prefixes of a QR
// ordering, which take leaps 17 s at n = 20, k = 31) meets the same count;
// only the cost per root can fall. Trees that split the subsets between
// them need more: a root of n − 1 variables, f of them forced, holds
// a = n − 1 − f sets of n − 2 variables and C(a, 2) of n − 3, no two trees
// share a set, and Σa = C(k, n − 2) with ΣC(a, 2) ≤ C(k, n − 3) asks for
// at least C(k, n − 2)² / (2·C(k, n − 3) + C(k, n − 2)) roots: 58 million
// at n = 20, k = 31. Roots that overlap need fewer: covering_roots.h offers
// each set of n − 2 once from 28.4 million roots there, which the search
// takes for one list by a criterion those sets head.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "regression/data_column.h"
#include "regression/fit_levels.h"
#include "regression/subset_mask.h"
#include "subset_search/scaled_system.h"

// A residual share at or below this level marks an exact dependency. It
// lies a factor 16 below the exact fit's rank tolerance, whose decision is
// taken in double-double to about 1e-20, so that a subset this rejects is
// one the exact fit rejects too; and far above the double-double rounding
// of the scaled system (about 1e-30), which is what an exact dependency
// among stored doubles leaves.
constexpr double dependentLevel = rankTolerance / 16;

struct SubsetRoot {
    SubsetMask mask = 0;       // the root: every member is a subset of it
    SubsetMask droppable = 0;  // the members are mask ∖ R for R ⊆ droppable
};

// A part of a plan below its top, split by count as the search goes: its
// members hold every forced variable and any of candidates.
struct CountedPart {
    SubsetMask forced = 0;
    SubsetMask candidates = 0;
};

struct SubsetPlan {
    std::vector<SubsetRoot> roots;
    std::uint64_t rejected = 0;  // non-empty subsets left out as singular
    // The parts below the top are split by count (the rows fix the rank):
    // their roots are not stored but formed as the search goes
    // (forEachCountedRoot), 86.5 million of them at n = 20, k = 31. Such a
    // root may be singular; its part is planned exactly where the search
    // finds it so (planSubsetPart).
    bool byRows = false;
    std::vector<CountedPart> countedParts;
    std::size_t rows = 0;         // n, and the most variables a ranked subset holds,
    std::size_t largestSize = 0;  // for forEachCountedRoot
};

// The order of a plan's roots: the lexicographic order of their variables
// (ascending), so that consecutive roots share as many leading variables
// as possible and the tree factorises only the rest (startDropTree).
inline bool rootBefore(const SubsetRoot& a, const SubsetRoot& b) {
    const SubsetMask differ = a.mask ^ b.mask;
    return differ != 0 && (a.mask & differ & (~differ + 1u)) != 0;
}

// Sorts roots by rootBefore, called inline rather than through a pointer:
// with few rows the chunks of a plan split by count sort 86.5 million
// roots at k = 31.
inline void sortRoots(std::vector<SubsetRoot>::iterator first, std::vector<SubsetRoot>::iterator last) {
    std::sort(first, last, [](const SubsetRoot& a, const SubsetRoot& b) { return rootBefore(a, b); });
}

// The lowest count variables of mask (all of them if it has no more).
inline SubsetMask lowestVariables(SubsetMask mask, std::size_t count) {
    SubsetMask taken = 0;
    for (SubsetMask rest = mask; rest != 0 && count > 0; rest = withoutLowestVariable(rest), --count) {
        taken |= rest & (~rest + 1u);
    }
    return taken;
}

// The roots of one part of a plan split by count (SubsetPlan::countedParts,
// or a part below one), depth first, each to sink.root(root), which answers
// false to stop (the answer is then false too); the members left out, for
// their size or for holding more variables than the rows leave
// independent, to sink.leftOut(count).
//
// A part with forced variables F takes the first n − 1 − |F| of its
// candidates (ascending) as its independent ones and the rest as
// dependent, with no elimination: where the rows fix the rank, any n − 1
// variables are independent unless a dependency among fewer (a copy, a
// total) makes them not, and every split is a partition of the part's
// members whichever variables it takes; only the roots' conditioning
// depends on the choice. A forced set of n variables is dependent by the
// rows alone.
//
// From a part without forced variables the roots are, in all, the sets of
// n − 1 candidates that hold the lowest one, each droppable through its
// initial run of candidates (the lowest, the next, … up to the first
// candidate it lacks): a set of n − 2 without the lowest candidate is the
// drop of that one from its only root, and a root whose run is that one
// candidate alone (40% of them at n = 20, k = 31) holds nothing else.
template <class Sink>
bool forEachCountedRoot(const SubsetPlan& plan, SubsetMask forced, SubsetMask candidates, Sink& sink) {
    const std::size_t rank = plan.rows - 1;
    const std::size_t forcedCount = subsetSize(forced);
    const SubsetMask independent = lowestVariables(candidates, rank > forcedCount ? rank - forcedCount : 0);
    const SubsetMask dependent = candidates & ~independent;
    if (!sink.root(SubsetRoot{forced | independent, independent})) return false;
    SubsetMask later = dependent;
    for (SubsetMask rest = dependent; rest != 0; rest = withoutLowestVariable(rest)) {
        const SubsetMask first = rest & (~rest + 1u);
        later &= ~first;
        const SubsetMask childCandidates = independent | later;
        if (forcedCount + 1 > plan.largestSize || forcedCount + 1 > rank) {
            sink.leftOut(std::uint64_t{1} << subsetSize(childCandidates));
            continue;
        }
        if (!forEachCountedRoot(plan, forced | first, childCandidates, sink)) return false;
    }
    return true;
}

// Plans the subsets of the variables in candidates (the others, constant
// ones for instance, are not in any root; the caller counts them). Stops
// and answers false when more than maxRoots roots would be needed.
// Parts whose forced variables alone are more than largestSize are
// rejected whole: none of their members can be ranked (with n rows no
// subset of more than n − 2 variables is).
// countedRoots (not 0): where the top part's rank is the rows' (n − 1
// independent variables, fewer rows than variables), the parts below it
// are split by count alone, as the search goes (forEachCountedRoot, and
// plan.byRows says so), up to countedRoots roots in all; maxRoots then
// bounds only the roots stored. On such data nearly every part would find
// exactly those counts anyway, and the eliminations were most of the
// search's work (n = 20, k = 24: 0.78 of 1.27 G instructions).
bool planSubsetRoots(const ScaledSystem& system, SubsetMask candidates, std::size_t maxRoots, SubsetPlan& plan,
                     std::size_t largestSize = maxExplanatoryVariables, std::uint64_t countedRoots = 0);

// Plans exactly (with the eliminations) the members of one part: every
// subset that holds all of forced and any of candidates (the empty one
// left out), as planSubsetRoots plans the part of those forced variables.
// Where a forced variable is a combination of those before it (ascending),
// or forced holds more than largestSize, every member is rejected.
bool planSubsetPart(const ScaledSystem& system, SubsetMask forced, SubsetMask candidates, std::size_t maxRoots,
                    SubsetPlan& plan, std::size_t largestSize = maxExplanatoryVariables);
