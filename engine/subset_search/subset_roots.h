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
// a tree.
#include <cstdint>
#include <vector>

#include "regression/data_column.h"
#include "regression/fit_levels.h"
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

struct SubsetPlan {
    std::vector<SubsetRoot> roots;
    std::uint64_t rejected = 0;  // non-empty subsets left out as singular
};

// Plans the subsets of the variables in candidates (the others, constant
// ones for instance, are not in any root; the caller counts them). Stops
// and answers false when more than maxRoots roots would be needed.
// Parts whose forced variables alone are more than largestSize are
// rejected whole: none of their members can be ranked (with n rows no
// subset of more than n − 2 variables is).
bool planSubsetRoots(const ScaledSystem& system, SubsetMask candidates, std::size_t maxRoots, SubsetPlan& plan,
                     std::size_t largestSize = maxExplanatoryVariables);
