#include "analysis.h"

#include "regression/bounded_search.h"
#include "regression/centring.h"
#include "regression/model_result.h"
#include "regression/subset_mask.h"
#include "report/result_block.h"
#include "search/constant_column.h"

AnalysisRequest libraryRequest(const RunBlock& block) {
    AnalysisRequest request;
    request.subsets = overallRequest(static_cast<std::uint32_t>(block.keepCount), rankCriterionFromCode(block.criterion));
    return request;
}

std::vector<std::size_t> modelRanks(const std::vector<RankedSubset>& kept, bool perSize) {
    std::vector<std::size_t> ranks;
    for (std::size_t m = 0; m < kept.size(); ++m) {
        const bool sameSize = m > 0 && subsetSize(kept[m].mask) == subsetSize(kept[m - 1].mask);
        ranks.push_back(!perSize ? m + 1 : sameSize ? ranks.back() + 1 : 1);
    }
    return ranks;
}

SearchOutcome runAnalysis(const RunBlock& block, const AnalysisRequest& request, RunProgress& progress,
                          Analysis& analysis) {
    std::vector<DataColumn> columns = block.explanatoryColumns;
    for (DataColumn& column : columns) centreColumn(column);
    const std::uint32_t observations =
        block.dependentColumns.empty() ? 0 : static_cast<std::uint32_t>(block.dependentColumns.front().size());
    for (std::size_t i = 0; i < block.dependentColumns.size(); ++i) {
        if (progress.stopping()) return SearchOutcome::Stopped;
        progress.dependentsDone.store(static_cast<std::uint32_t>(i), std::memory_order_relaxed);
        progress.subsetsDone.store(0, std::memory_order_relaxed);
        DataColumn y = block.dependentColumns[i];
        centreColumn(y);
        SubsetRequest subsets = request.subsets;
        if (i < request.cpScales.size()) subsets.cpScale = request.cpScales[i];
        std::vector<RankedSubset> kept;
        if (isConstantColumn(block.dependentColumns[i])) {
            // No subset explains a variable without variance: no model rows.
            const std::size_t k = columns.size();
            progress.subsetsDone.store(k == 0 ? 0u : static_cast<std::uint32_t>((std::uint64_t{1} << k) - 2u),
                                       std::memory_order_relaxed);
        } else if (!searchBestSubsets(y, columns, kept, subsets, progress)) {
            return SearchOutcome::Stopped;
        }
        ModelResult result;
        if (!appendResultBlock({block.dependentNames[i], block.explanatoryNames, kept, observations, y, columns},
                               result, analysis.table, progress)) {
            return SearchOutcome::Stopped;
        }
        analysis.ranks.push_back(modelRanks(kept, subsets.perSize > 0));
        analysis.kept.push_back(std::move(kept));
    }
    return SearchOutcome::Completed;
}
