#pragma once
// From the command line's ranking options to the analysis request: the
// criterion, per-size lists, the forced variables resolved against the
// run's explanatory variables, and Mallows' Cp's scale for each dependent
// variable.
#include <string>

#include "analysis.h"
#include "options.h"
#include "search/run_block.h"

struct RunRequest {
    AnalysisRequest request;
    std::string error;  // empty when the run can start
};

// Refuses (with the reason) a forced name that is not an explanatory
// variable of the run, forced variables that no model can hold together
// (linearly dependent), and Cp where the model with every variable leaves
// no residual mean square to measure against.
RunRequest buildRunRequest(const CliOptions& options, const RunBlock& block);
