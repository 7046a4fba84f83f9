#pragma once
// The run of the command-line program: the engine's search and results
// table for every dependent variable, keeping each one's list of models for
// the other views of the same result (the model table, the long layout).
#include <vector>

#include "subset_search/ranked_subset.h"
#include "subset_search/run_progress.h"
#include "subset_search/subset_request.h"
#include "report/result_table.h"
#include "search/run_block.h"
#include "search/search_driver.h"

struct Analysis {
    ResultTable table;                            // what runSearch appends
    std::vector<std::vector<RankedSubset>> kept;  // per dependent variable, best first
    std::vector<std::vector<std::size_t>> ranks;  // per kept model: 1 for the best (of its size, per size)
    RankCriterion criterion = RankCriterion::InformationCriterion;  // what the lists are ranked by
};

// What the command line asks beyond the library's run: the criterion (BIC
// and Cp too), per-size lists and forced variables.
struct AnalysisRequest {
    SubsetRequest subsets;         // cpScale is taken from cpScales
    std::vector<double> cpScales;  // per dependent variable: Mallows' Cp's residual mean square
};

// The request of a library run: its keep count and criterion code.
AnalysisRequest libraryRequest(const RunBlock& block);

// The library's driver (runSearch) with the request, keeping each dependent
// variable's list and the ranks of its models. Returns Stopped as soon as
// the driver sees the stop request.
SearchOutcome runAnalysis(const RunBlock& block, const AnalysisRequest& request, RunProgress& progress,
                          Analysis& analysis);

// The rank of each model of kept: its place in the list, or in the run of
// models of its size for per-size lists.
std::vector<std::size_t> modelRanks(const std::vector<RankedSubset>& kept, bool perSize);
