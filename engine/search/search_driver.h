#pragma once
// The whole analysis of a run: for every dependent variable in order, the
// subset search and then that variable's block of rows in the table.
#include <vector>

#include "subset_search/ranked_subset.h"
#include "subset_search/run_progress.h"
#include "subset_search/subset_request.h"
#include "report/result_table.h"
#include "search/run_block.h"

enum class SearchOutcome { Completed, Stopped };

// Appends one complete block per dependent variable to table. Publishes
// progress in progress and returns Stopped as soon as it sees the stop
// request (the blocks finished before it stay in the table). Exceptions
// (out of memory) pass to the caller; only complete blocks are ever in the
// table.
SearchOutcome runSearch(const RunBlock& block, RunProgress& progress, ResultTable& table);

// The same for any request: the command line's per-size lists, forced
// variables and further criteria, with Mallows' Cp's scale per dependent
// variable in cpScales (empty when the criterion is not Cp), a residual mean
// square in the units of y as prepareColumn leaves it (centring.h). When keptLists
// is not null, each dependent variable's list is appended to it as its
// block is.
SearchOutcome runSearch(const RunBlock& block, const SubsetRequest& request, const std::vector<double>& cpScales,
                        RunProgress& progress, ResultTable& table, std::vector<std::vector<RankedSubset>>* keptLists);
