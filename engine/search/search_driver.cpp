#include "search/search_driver.h"

#include "subset_search/bounded_search.h"
#include "regression/centring.h"
#include "regression/model_result.h"
#include "regression/subset_mask.h"
#include "report/result_block.h"
#include "search/constant_column.h"

namespace {

// 2^k − 2: where the count of decided subsets rests after a search.
std::uint64_t lastSubsetCount(std::size_t k) { return k == 0 ? 0u : nonEmptySubsets(k) - 1u; }

// The explanatory columns as the search sees them: centred on their means,
// so the normal equations keep their digits when a column's mean is large
// against its spread, and scaled by a power of two where their magnitude is
// far from 1 (centring.h). The standardized coefficients, R² and the tests
// the table shows are unchanged by either.
std::vector<DataColumn> preparedCopies(const std::vector<DataColumn>& columns) {
    std::vector<DataColumn> copies = columns;
    for (DataColumn& column : copies) prepareColumn(column);
    return copies;
}

}  // namespace

SearchOutcome runSearch(const RunBlock& block, RunProgress& progress, ResultTable& table) {
    return runSearch(block, overallRequest(static_cast<std::uint32_t>(block.keepCount),
                                           rankCriterionFromCode(block.criterion)),
                     {}, progress, table, nullptr);
}

SearchOutcome runSearch(const RunBlock& block, const SubsetRequest& request, const std::vector<double>& cpScales,
                        RunProgress& progress, ResultTable& table, std::vector<std::vector<RankedSubset>>* keptLists) {
    const std::vector<DataColumn> columns = preparedCopies(block.explanatoryColumns);
    const std::uint32_t observations =
        block.dependentColumns.empty() ? 0 : static_cast<std::uint32_t>(block.dependentColumns.front().size());
    std::vector<RankedSubset> kept;
    for (std::size_t i = 0; i < block.dependentColumns.size(); ++i) {
        if (progress.stopping()) return SearchOutcome::Stopped;
        // The new variable's index first, then the reset of its subset count.
        progress.dependentsDone.store(static_cast<std::uint32_t>(i), std::memory_order_relaxed);
        progress.publishDecided(0);
        DataColumn y = block.dependentColumns[i];
        const int yExponent = prepareColumn(y).exponent;
        SubsetRequest subsets = request;
        if (i < cpScales.size()) subsets.cpScale = cpScales[i];
        if (isConstantColumn(block.dependentColumns[i])) {
            // No subset explains a variable without variance (the fit
            // rejects every one): the block has no model rows, and the
            // search of 2^k subsets is not run for nothing.
            kept.clear();
            progress.publishDecided(lastSubsetCount(columns.size()));
        } else if (!searchBestSubsets(y, columns, kept, subsets, progress)) {
            return SearchOutcome::Stopped;
        }
        ModelResult result;
        if (!appendResultBlock({block.dependentNames[i], block.explanatoryNames, kept, observations, y, columns,
                                yExponent},
                               result, table, progress)) {
            return SearchOutcome::Stopped;
        }
        if (keptLists != nullptr) keptLists->push_back(kept);
    }
    return SearchOutcome::Completed;
}
