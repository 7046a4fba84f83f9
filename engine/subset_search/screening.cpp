#include "subset_search/screening.h"

#include <algorithm>

#include "regression/cross_products.h"
#include "subset_search/kept_selection.h"
#include "regression/least_squares_fit.h"
#include "subset_search/ranking_criterion.h"
#include "regression/subset_mask.h"
#include "regression/subset_system.h"

namespace {

// The number of subsets of k variables with d of them (no overflow for
// k ≤ 31: every value is below 2^31).
std::uint64_t subsetsOfSize(std::size_t k, std::size_t d) {
    std::uint64_t count = 1;
    for (std::size_t i = 1; i <= d; ++i) count = count * (k - d + i) / i;
    return count;
}

// One selection over every size, or one per size (index: the size) for
// per-size lists; lists holds their storage.
struct Selections {
    std::vector<std::vector<RankedSubset>> lists;
    std::vector<KeptSelection> bySize;
    bool perSize = false;

    KeptSelection& of(std::size_t size) { return bySize[perSize ? size : 0]; }
};

void beginSelections(std::size_t k, const SubsetRequest& request, std::vector<RankedSubset>& kept,
                     Selections& selections) {
    selections.perSize = request.perSize > 0;
    if (!selections.perSize) {
        selections.bySize.push_back(
            beginSelection(kept, request.keepCount, (std::uint64_t{1} << k) - 1u));
        return;
    }
    selections.lists.resize(k + 1);
    for (std::size_t d = 0; d <= k; ++d) {
        selections.bySize.push_back(beginSelection(selections.lists[d], request.perSize, subsetsOfSize(k, d)));
    }
}

// Finishes every selection; per size, the lists are joined into kept,
// smaller sizes first.
void finishSelections(Selections& selections, std::vector<RankedSubset>& kept) {
    for (KeptSelection& selection : selections.bySize) finishSelection(selection);
    if (!selections.perSize) return;
    kept.clear();
    for (const std::vector<RankedSubset>& list : selections.lists) kept.insert(kept.end(), list.begin(), list.end());
}

}  // namespace

bool screenSubsets(const DataColumn& y, const std::vector<DataColumn>& columns, std::vector<RankedSubset>& kept,
                   const SubsetRequest& request, RunProgress& progress) {
    // Everything that depends on the rows is summed here, once; the loop
    // below gathers each subset's system from these sums into fixed storage
    // and allocates nothing (the lists' storage is reserved up front).
    CrossProducts products;
    formCrossProducts(y, columns, products);
    const SubsetMask last = static_cast<SubsetMask>((std::uint64_t{1} << columns.size()) - 1u);
    Selections selections;
    beginSelections(columns.size(), request, kept, selections);

    SubsetSystem system;
    LeastSquaresFit fit;
    const std::size_t n = y.size();
    const std::int64_t largestRanked = largestRankedSize(request.criterion, n);
    // last is at most 2^31 − 1, so mask never wraps around.
    for (SubsetMask mask = 1; mask <= last; ++mask) {
        if (progress.stopping()) {
            finishSelections(selections, kept);
            return false;
        }
        progress.subsetsDone.store(mask - 1u, std::memory_order_relaxed);
        if ((mask & request.forced) != request.forced) {
            continue;  // lacks a variable that every model must hold
        }
        const std::size_t size = subsetSize(mask);
        if (static_cast<std::int64_t>(size) > largestRanked) {
            continue;  // too many variables for the rows: never ranked, whatever the fit
        }
        gatherSubsetSystem(products, mask, system);
        if (!solveSubsetSystem(system, fit)) {
            continue;  // singular: the subset gets no entry
        }
        double value = 0.0;
        if (rankingCriterion(request.criterion, fit.rss, n, size, value, request.cpScale)) {
            offerCandidate(selections.of(size), mask, value);
        }
    }
    finishSelections(selections, kept);
    return true;
}

bool screenSubsets(const DataColumn& y, const std::vector<DataColumn>& columns, std::vector<RankedSubset>& kept,
                   std::uint32_t keepCount, RankCriterion criterion, RunProgress& progress) {
    return screenSubsets(y, columns, kept, overallRequest(keepCount, criterion), progress);
}
