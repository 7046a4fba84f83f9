#include "subset_search/screening.h"

#include <algorithm>
#include <stdexcept>

#include "regression/cross_products.h"
#include "subset_search/kept_selection.h"
#include "regression/least_squares_fit.h"
#include "subset_search/ranking_criterion.h"
#include "regression/subset_mask.h"
#include "regression/subset_system.h"

namespace {

// The most variables outside the forced ones that the screening takes:
// 2^31 subsets already take hours.
constexpr std::size_t maxScreenedVariables = 31;

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
            beginSelection(kept, request.keepCount, nonEmptySubsets(k)));
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
    const std::size_t k = columns.size();
    const SubsetMask forced = request.forced;
    // Only the masks that hold every forced variable are visited: forced ∪ s
    // for the subsets s of the other variables, in ascending order, which is
    // ascending mask order too.
    const SubsetMask others = firstVariables(k) & ~forced;
    if (subsetSize(others) > maxScreenedVariables) {
        throw std::invalid_argument("more than 31 variables to screen besides the forced ones");
    }
    CrossProducts products;
    formCrossProducts(y, columns, products);
    Selections selections;
    beginSelections(columns.size(), request, kept, selections);

    SubsetSystem system;
    LeastSquaresFit fit;
    const std::size_t n = y.size();
    const std::int64_t largestRanked = largestRankedSize(request.criterion, n);
    // The masks visited: forced ∪ s for every subset s of the others, the
    // empty one only when something is forced. (s − others) & others is the
    // subset of others that follows s in ascending order. The masks left
    // out (those that lack a forced variable, 2^k − 1 − 2^m of them for m
    // other variables) count as decided from the start, so with nothing
    // forced the count before each mask is mask − 1.
    const std::size_t m = subsetSize(others);
    const std::uint64_t visited = nonEmptySubsets(m) + (forced == 0 ? 0u : 1u);
    const std::uint64_t leftOut = nonEmptySubsets(k) - visited;
    SubsetMask rest = forced == 0 ? (others & (~others + 1u)) : 0;
    for (std::uint64_t i = 0; i < visited; ++i, rest = (rest - others) & others) {
        if (progress.stopping()) {
            finishSelections(selections, kept);
            return false;
        }
        progress.publishDecided(leftOut + i);
        const SubsetMask current = forced | rest;
        const std::size_t size = subsetSize(current);
        if (static_cast<std::int64_t>(size) > largestRanked) {
            continue;  // too many variables for the rows: never ranked, whatever the fit
        }
        gatherSubsetSystem(products, current, system);
        if (!rankSubsetSystem(system, fit)) {
            continue;  // singular: the subset gets no entry
        }
        double value = 0.0;
        if (rankingCriterion(request.criterion, fit.rss, n, size, value, request.cpScale)) {
            offerCandidate(selections.of(size), current, value);
        }
    }
    finishSelections(selections, kept);
    return true;
}

bool screenSubsets(const DataColumn& y, const std::vector<DataColumn>& columns, std::vector<RankedSubset>& kept,
                   std::uint32_t keepCount, RankCriterion criterion, RunProgress& progress) {
    return screenSubsets(y, columns, kept, overallRequest(keepCount, criterion), progress);
}
