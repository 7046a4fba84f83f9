#include "analysis.h"

#include "regression/bounded_search.h"
#include "regression/centring.h"
#include "regression/model_result.h"
#include "report/result_block.h"

SearchOutcome runAnalysis(const RunBlock& block, RunProgress& progress, Analysis& analysis) {
    std::vector<DataColumn> columns = block.explanatoryColumns;
    for (DataColumn& column : columns) centreColumn(column);
    const std::uint32_t keepCount = static_cast<std::uint32_t>(block.keepCount);
    const RankCriterion criterion = rankCriterionFromCode(block.criterion);
    const std::uint32_t observations =
        block.dependentColumns.empty() ? 0 : static_cast<std::uint32_t>(block.dependentColumns.front().size());
    for (std::size_t i = 0; i < block.dependentColumns.size(); ++i) {
        if (progress.stopping()) return SearchOutcome::Stopped;
        progress.dependentsDone.store(static_cast<std::uint32_t>(i), std::memory_order_relaxed);
        progress.subsetsDone.store(0, std::memory_order_relaxed);
        DataColumn y = block.dependentColumns[i];
        centreColumn(y);
        std::vector<RankedSubset> kept;
        if (!searchBestSubsets(y, columns, kept, keepCount, criterion, progress)) return SearchOutcome::Stopped;
        ModelResult result;
        appendResultBlock({block.dependentNames[i], block.explanatoryNames, kept, observations, y, columns}, result,
                          analysis.table);
        analysis.kept.push_back(std::move(kept));
    }
    return SearchOutcome::Completed;
}
