#include "regression/screening.h"

#include "regression/cross_products.h"
#include "regression/kept_selection.h"
#include "regression/least_squares_fit.h"
#include "regression/ranking_criterion.h"
#include "regression/subset_mask.h"
#include "regression/subset_system.h"

bool screenSubsets(const DataColumn& y, const std::vector<DataColumn>& columns, std::vector<RankedSubset>& kept,
                   std::uint32_t keepCount, RankCriterion criterion, RunProgress& progress) {
    // Everything that depends on the rows is summed here, once; the loop
    // below gathers each subset's system from these sums into fixed storage
    // and allocates nothing (kept's storage is reserved up front).
    CrossProducts products;
    formCrossProducts(y, columns, products);
    const SubsetMask last = static_cast<SubsetMask>((std::uint64_t{1} << columns.size()) - 1u);
    KeptSelection selection = beginSelection(kept, keepCount, last);

    SubsetSystem system;
    LeastSquaresFit fit;
    const std::size_t n = y.size();
    // last is at most 2^31 − 1, so mask never wraps around.
    for (SubsetMask mask = 1; mask <= last; ++mask) {
        if (progress.stopping()) {
            finishSelection(selection);
            return false;
        }
        progress.subsetsDone.store(mask - 1u, std::memory_order_relaxed);
        gatherSubsetSystem(products, mask, system);
        if (!solveSubsetSystem(system, fit)) {
            continue;  // singular: the subset gets no entry
        }
        double value = 0.0;
        if (rankingCriterion(criterion, fit.rss, n, subsetSize(mask), value)) {
            offerCandidate(selection, mask, value);
        }
    }
    finishSelection(selection);
    return true;
}
