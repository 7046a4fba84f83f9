#pragma once
// The block of rows of one dependent variable: title, header, one row per
// kept model, footer with the number of observations and the legend of the
// significance marks, and an empty separator row.
#include <cstdint>
#include <string>
#include <vector>

#include "regression/data_column.h"
#include "regression/model_result.h"
#include "subset_search/ranked_subset.h"
#include "subset_search/run_progress.h"
#include "report/result_table.h"

struct BlockInput {
    const std::string& dependentName;                  // narrow text
    const std::vector<std::string>& explanatoryNames;  // narrow text, the run's order
    const std::vector<RankedSubset>& kept;             // best first
    std::uint32_t observations;                        // N of the footer
    const DataColumn& y;                               // as the search saw it
    const std::vector<DataColumn>& columns;            // as the search saw them
    // y as the search saw it is the data's y (centred) times 2^-yExponent
    // (centring.h): the AIC shown is that of the data's y.
    int yExponent = 0;
};

// Computes each kept model's statistics (into result, reused from model to
// model) just before formatting its row, and appends the whole block to
// table at once: a block is either complete in the table or absent. The
// cross-products of y and the columns are formed once for the block; each
// model's statistics are then gathered from them, so a model costs nothing
// proportional to the number of rows (and the numbers are those of the
// search's fit, bit for bit).
//
// The stop request is checked between the models: when it is set, nothing
// is appended and the answer is false. True when the block was appended.
bool appendResultBlock(const BlockInput& input, ModelResult& result, ResultTable& table, const RunProgress& progress);

// The same without a stop request: the block is always appended.
void appendResultBlock(const BlockInput& input, ModelResult& result, ResultTable& table);

