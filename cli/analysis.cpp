#include "analysis.h"

#include "regression/subset_mask.h"

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
    const SearchOutcome outcome =
        runSearch(block, request.subsets, request.cpScales, progress, analysis.table, &analysis.kept);
    analysis.criterion = request.subsets.criterion;
    analysis.ranks.clear();
    for (const std::vector<RankedSubset>& kept : analysis.kept) {
        analysis.ranks.push_back(modelRanks(kept, request.subsets.perSize > 0));
    }
    return outcome;
}
