#pragma once
// The exhaustive all-subsets screening of one dependent variable.
#include <cstdint>
#include <vector>

#include "regression/data_column.h"
#include "regression/ranked_subset.h"
#include "regression/run_progress.h"

// Fits every non-empty subset of columns (masks 1 .. 2^k - 1 in increasing
// order) against y and leaves in kept the keepCount subsets with the smallest
// criterion, best first. Stores mask - 1 into progress.subsetsDone before
// each subset and checks progress.stopRequested between subsets. Returns
// false when it stopped on request (kept is then incomplete), true otherwise.
bool screenSubsets(const DataColumn& y, const std::vector<DataColumn>& columns, std::vector<RankedSubset>& kept,
                   std::uint32_t keepCount, RankCriterion criterion, RunProgress& progress);
