#pragma once
// The whole analysis of a run: for every dependent variable in order, the
// subset search and then that variable's block of rows in the table.
#include "regression/run_progress.h"
#include "report/result_table.h"
#include "search/run_block.h"

enum class SearchOutcome { Completed, Stopped };

// Appends one complete block per dependent variable to table. Publishes
// progress in progress and returns Stopped as soon as it sees the stop
// request (the blocks finished before it stay in the table). Exceptions
// (out of memory) pass to the caller; only complete blocks are ever in the
// table.
SearchOutcome runSearch(const RunBlock& block, RunProgress& progress, ResultTable& table);
