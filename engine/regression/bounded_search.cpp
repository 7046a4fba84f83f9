#include "regression/bounded_search.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "regression/cross_products.h"
#include "regression/drop_tree.h"
#include "regression/kept_selection.h"
#include "regression/least_squares_fit.h"
#include "regression/ranking_criterion.h"
#include "regression/screening.h"
#include "regression/subset_mask.h"
#include "regression/subset_system.h"

namespace {

constexpr double largestFinite = std::numeric_limits<double>::max();
constexpr double infinity = std::numeric_limits<double>::infinity();

struct Search {
    const CrossProducts* products = nullptr;
    DropTreeSystem system;
    RankCriterion criterion = RankCriterion::ResidualSumOfSquares;
    std::vector<DropNode> levels;  // levels[j]: the node being expanded at depth j

    // The best subsets fitted so far, at most keepCount of them: a heap by
    // rank order with the worst on top, so that the threshold is the exact
    // keepCount-th best at every moment and prunes as early as it can (the
    // screening's list lowers its threshold only at each cut). Sorted into
    // the final list at the end.
    std::vector<RankedSubset>* kept = nullptr;
    std::size_t keepCount = 0;

    SubsetSystem subset;
    LeastSquaresFit fit;

    RunProgress* progress = nullptr;
    std::uint64_t decided = 0;      // subsets fitted or excluded so far
    std::uint64_t lastProgress = 0;  // 2^k − 2: the most progress may show
    bool stopped = false;
};

// The criterion a subset must not exceed to enter the list: that of the
// keepCount-th best subset so far, or the screening's starting threshold
// while the list has room (+∞ never enters).
double threshold(const Search& search) {
    return search.kept->size() < search.keepCount ? largestFinite : search.kept->front().criterion;
}

void offer(Search& search, SubsetMask mask, double criterion) {
    if (!(criterion <= largestFinite)) return;
    std::vector<RankedSubset>& kept = *search.kept;
    const RankedSubset candidate{mask, criterion};
    if (kept.size() < search.keepCount) {
        kept.push_back(candidate);
        std::push_heap(kept.begin(), kept.end(), rankedBefore);
    } else if (rankedBefore(candidate, kept.front())) {
        std::pop_heap(kept.begin(), kept.end(), rankedBefore);
        kept.back() = candidate;
        std::push_heap(kept.begin(), kept.end(), rankedBefore);
    }
}

// The exact fit of the screening, and the same ranking rules.
void fitExactly(Search& search, SubsetMask mask) {
    gatherSubsetSystem(*search.products, mask, search.subset);
    if (!solveSubsetSystem(search.subset, search.fit)) return;
    double value = 0.0;
    if (rankingCriterion(search.criterion, search.fit.rss, search.system.rows, subsetSize(mask), value)) {
        offer(search, mask, value);
    }
}

// A lower bound on the criterion of every subset of smallest … largest
// variables whose exact RSS is at least (relativeRss − Δ)·y·y. Sizes without
// residual degrees of freedom are not ranked and the empty subset does not
// count; with no rankable size left the bound is +∞. The criterion is
// monotone in RSS for a fixed size, and monotone in the size for a fixed RSS
// bound, so the least value is at one end of the range. It is computed with
// the same operations as the exact criterion, so the rounding of each is
// monotone in RSS; the margin keeps a gap far wider than the logarithm's
// rounding error.
double criterionBound(const Search& search, double relativeRss, std::size_t smallest, std::size_t largest) {
    const std::size_t n = search.system.rows;
    if (n < 3) return infinity;
    smallest = std::max<std::size_t>(smallest, 1);
    largest = std::min(largest, n - 2);
    if (smallest > largest) return infinity;
    const double rss = (relativeRss - search.system.margin) * search.system.yy;
    const double rows = static_cast<double>(n);
    switch (search.criterion) {
    case RankCriterion::ResidualSumOfSquares:
        return rss;
    case RankCriterion::ResidualMeanSquare:
        return std::min(rss / static_cast<double>(n - smallest - 1), rss / static_cast<double>(n - largest - 1));
    default:
        if (!(rss > 0.0)) return -infinity;
        return rows * std::log(rss / rows) + 2.0 * static_cast<double>(smallest);
    }
}

void reportProgress(Search& search) {
    search.progress->subsetsDone.store(static_cast<std::uint32_t>(std::min(search.decided, search.lastProgress)),
                                       std::memory_order_relaxed);
}

void expand(Search& search, std::size_t depth);

// Decides child i of node (after rankDrops) and its subtree: skips the
// subtree if no member can enter the list, otherwise fits the child exactly
// if it may enter and goes down into its own children if any of them may.
// The child's RSS bounds its whole subtree (every member is a subset of
// it); that is also the best of the per-size bounds the drop costs give,
// since every member drops v_i and otherwise only variables that cost less.
void visitChild(Search& search, std::size_t depth, std::size_t i) {
    const DropNode& node = search.levels[depth];
    const std::size_t size = node.variables() - 1;
    const std::size_t below = node.droppableCount - 1 - i;  // the child's droppable variables
    const std::size_t smallest = size - below;
    // The subsets of the child's subtree, less the empty one if it is there.
    const std::uint64_t subtree = (std::uint64_t{1} << below) - (smallest == 0 ? 1u : 0u);
    const double rss = node.childRss[i];
    if (criterionBound(search, rss, smallest, size) > threshold(search)) {
        search.decided += subtree;
        return;
    }
    if (size >= 1) {
        search.decided += 1;
        if (criterionBound(search, rss, size, size) <= threshold(search)) {
            fitExactly(search, node.mask & ~(SubsetMask{1} << node.droppable[i]));
        }
    }
    if (below == 0) return;
    if (criterionBound(search, rss, smallest, size - 1) > threshold(search)) {
        search.decided += subtree - 1;
        return;
    }
    descendDropTree(node, i, search.levels[depth + 1]);
    reportProgress(search);
    expand(search, depth + 1);
}

// Visits the children of levels[depth] and their subtrees, the cheapest
// drop first: those are the subsets closest to the node, so the list fills
// with good subsets early and the threshold falls fast (visiting the
// costliest first, the structural order, fits many times more subsets
// before the threshold is tight).
void expand(Search& search, std::size_t depth) {
    DropNode& node = search.levels[depth];
    rankDrops(node);
    for (std::size_t i = node.droppableCount; i-- > 0;) {
        if (search.progress->stopping()) search.stopped = true;
        if (search.stopped) return;
        visitChild(search, depth, i);
        reportProgress(search);
    }
}

void finish(Search& search) {
    std::sort_heap(search.kept->begin(), search.kept->end(), rankedBefore);
}

}  // namespace

bool searchBestSubsets(const DataColumn& y, const std::vector<DataColumn>& columns, std::vector<RankedSubset>& kept,
                       std::uint32_t keepCount, RankCriterion criterion, RunProgress& progress) {
    const std::size_t k = columns.size();
    if (k == 0) return screenSubsets(y, columns, kept, keepCount, criterion, progress);
    if (progress.stopping()) {
        kept.clear();
        return false;
    }
    const std::uint64_t subsets = (std::uint64_t{1} << k) - 1u;
    if (keepCount == 0) {
        // Nothing is kept: every subset is decided at once.
        kept.clear();
        progress.subsetsDone.store(static_cast<std::uint32_t>(subsets - 1u), std::memory_order_relaxed);
        return true;
    }

    CrossProducts products;
    formCrossProducts(y, columns, products);
    Search search;
    search.levels.resize(k + 1);
    if (startDropTree(products, search.system, search.levels[0]) != DropTreeTrust::Trusted) {
        return screenSubsets(y, columns, kept, keepCount, criterion, progress);
    }
    search.products = &products;
    search.criterion = criterion;
    search.kept = &kept;
    search.keepCount = keepCount;
    search.progress = &progress;
    search.lastProgress = subsets - 1u;
    kept.clear();
    // The list grows as it fills; a large keepCount is not reserved up front.
    kept.reserve(static_cast<std::size_t>(std::min<std::uint64_t>({keepCount, subsets, 4096})));

    // The root: every variable.
    search.decided = 1;
    reportProgress(search);
    fitExactly(search, search.levels[0].mask);
    expand(search, 0);
    finish(search);
    // Every subset has been decided by now: the count rests at 2^k − 2, as
    // the screening's does.
    reportProgress(search);
    return !search.stopped;
}
