#pragma once
// The run of the command-line program: the engine's search and results
// table for every dependent variable, keeping each one's list of models for
// the other views of the same result (the model table, the long layout).
#include <vector>

#include "regression/ranked_subset.h"
#include "regression/run_progress.h"
#include "report/result_table.h"
#include "search/run_block.h"
#include "search/search_driver.h"

struct Analysis {
    ResultTable table;                            // exactly what runSearch appends
    std::vector<std::vector<RankedSubset>> kept;  // per dependent variable, best first
};

// Does what runSearch does, step for step (centred columns, the same search,
// the same block of rows), and keeps the lists. Returns Stopped as soon as
// it sees the stop request.
SearchOutcome runAnalysis(const RunBlock& block, RunProgress& progress, Analysis& analysis);
