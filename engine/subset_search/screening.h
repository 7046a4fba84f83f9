#pragma once
// The exhaustive all-subsets screening of one dependent variable.
#include <cstdint>
#include <vector>

#include "regression/data_column.h"
#include "subset_search/ranked_subset.h"
#include "subset_search/run_progress.h"
#include "subset_search/subset_request.h"

// Fits every non-empty subset of columns (masks 1 .. 2^k - 1 in increasing
// order) against y and leaves in kept the keepCount subsets with the smallest
// criterion, best first. Publishes mask - 1 as the count of decided subsets
// (progress.publishDecided) before each subset and checks
// progress.stopRequested between subsets. Returns
// false when it stopped on request (kept is then incomplete), true otherwise.
//
// The columns are used as given (the search centres them beforehand). The
// run's cross-products are formed once; each subset's system is gathered
// from them and solved by the shared exact fit (least_squares_fit.h), so the
// loop allocates nothing and its cost does not depend on the number of rows.
// Singular subsets, subsets without residual degrees of freedom and NaN
// criteria are not ranked (ranking_criterion.h); subsets larger than
// largestRankedSize are passed over without a fit (with few rows they are
// most of the work, and none of them could be ranked); equal criteria rank by
// ascending mask (kept_selection.h), so the list is fully determined.
// Throws std::invalid_argument for more than 31 columns besides the forced
// ones (up to 64 in all) or columns whose length differs from y's.
bool screenSubsets(const DataColumn& y, const std::vector<DataColumn>& columns, std::vector<RankedSubset>& kept,
                   std::uint32_t keepCount, RankCriterion criterion, RunProgress& progress);

// The same for any request (subset_request.h): per-size lists keep the
// request.perSize best subsets of each size (sizes ascending, each in rank
// order), and subsets without every forced variable are never ranked: only
// the masks that hold them all are visited, in ascending order, and the
// others count as decided before the first.
// Criteria as ranking_criterion.h forms them, Cp with request.cpScale.
bool screenSubsets(const DataColumn& y, const std::vector<DataColumn>& columns, std::vector<RankedSubset>& kept,
                   const SubsetRequest& request, RunProgress& progress);
