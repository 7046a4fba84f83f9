#include "subset_search/bounded_search.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <limits>
#include <memory>
#include <mutex>
#include <type_traits>

#include "regression/cross_products.h"
#include "subset_search/covering_roots.h"
#include "subset_search/criterion_cut.h"
#include "subset_search/deferred_fits.h"
#include "subset_search/drop_tree.h"
#include "subset_search/node_storage.h"
#include "regression/fit_levels.h"
#include "subset_search/kept_selection.h"
#include "regression/least_squares_fit.h"
#include "subset_search/ranking_criterion.h"
#include "subset_search/scaled_system.h"
#include "subset_search/screening.h"
#include "regression/subset_mask.h"
#include "subset_search/subset_roots.h"
#include "subset_search/worker_threads.h"
#include "regression/subset_system.h"

namespace {

constexpr double largestFinite = std::numeric_limits<double>::max();
constexpr double infinity = std::numeric_limits<double>::infinity();

// A relative RSS whose lower bound is at or below this level may be one the
// exact fit takes for an exact fit (RSS 0: criterion 0, or −∞ for the
// information criterion): twice the exact fit's own level, for the
// difference between its SST and the centred y·y here.
constexpr double exactFitBoundLevel = 2.0 * exactFitLevel;

// The double path of the exact fit only reports an RSS above
// refitResidualLevel · SST (it refits anything smaller); the factor allows
// for its SST being formed from uncentred double sums.
constexpr double doublePathLeastRss = 0.99 * refitResidualLevel;

// The most subtrees a run's dependencies may split into before the search
// leaves the data to the screening. A root costs about as much as one of
// the screening's fits (its part of the plan, the estimate of its drops in
// double, and for the few it does not decide the start of its tree in
// double-double and the tree below it; measured at n = 12, k = 20 in
// processor time: 0.5 µs per root against 0.65 µs per fit), so the plan is
// taken only where the screening would fit at least rootCost times as many
// subsets as it has roots. A few exact dependencies among many rows make a
// handful of roots. With fewer rows than variables nearly every set of
// n − 1 variables is a root (subset_roots.h says why no tree can do with
// fewer than C(k, n − 2)/(n − 1)): n = 12, k = 20 makes 167,960 roots
// against 616,665 subsets of at most 10 (bounded in 0.08 s, against 0.41 s
// for the screening, 1.08 s where y is one of the columns), n = 15, k = 22
// makes 319,770 against 3.6 million (0.20 s against 3.2 s), and n = 20,
// k = 31 C(30, 18) = 86.5 million roots against 2.0 billion subsets
// (bounded in about 50 s; such roots are formed as the search
// goes, SubsetPlan::countedParts). A plan stores at most 2^24 roots
// (256 MiB) where pointers have 64 bits, 2^22 (64 MiB) in a 32-bit
// process, whose address space is shared with the host's.
constexpr std::uint64_t rootCost = 1;
constexpr std::uint64_t leastMaxRoots = 4096;
constexpr std::uint64_t mostMaxRoots = std::uint64_t{1} << (sizeof(void*) >= 8 ? 24 : 22);  // of 16 bytes each
// The most roots a plan split by count may form as the search goes (not
// stored): about an hour at 1.5 µs each. Every such plan of at most 31
// variables holds fewer (C(31, 15) = 301 million); beyond it, as with 20
// rows and 40 candidates (1.3·10^11 roots), the search is not taken.
constexpr std::uint64_t mostCountedRoots = std::uint64_t{1} << 31;

// The non-empty subsets of usable variables with at most largest of them,
// or the largest 64-bit value where that would overflow (usable up to 64).
std::uint64_t rankableSubsets(std::size_t usable, std::int64_t largest) {
    constexpr std::uint64_t most = ~std::uint64_t{0};
    std::uint64_t total = 0, count = 1;
    for (std::size_t d = 1; d <= usable && static_cast<std::int64_t>(d) <= largest; ++d) {
        const std::uint64_t factor = usable - d + 1;
        if (count > most / factor) return most;
        count = count * factor / d;
        if (total > most - count) return most;
        total += count;
    }
    return total;
}

// The least a subset must rank before to enter one list, as one thread last
// saw it. A list's threshold only ever falls, so a stale copy lets through
// more than the list itself would take, never less: a thread that prunes by
// its copy prunes only subsets the list would refuse.
struct ListThreshold {
    bool full = false;   // the list holds keepCount subsets (until then only +∞ is refused)
    RankedSubset worst;  // when full: the list's last entry
};

// The best subsets fitted so far, at most keepCount of them per list: a
// heap by rank order with the worst on top, so that the threshold is the
// exact keepCount-th best at every moment and prunes as early as it can
// (the screening's list lowers its threshold only at each cut). One list,
// or one per size (index: the size) for per-size lists. Sorted into the
// final list at the end. Shared by the threads of a run: a subset enters
// under the lock, in the same rank order whichever thread offers it, so
// the lists end the same for any number of threads and any timing.
struct SharedLists {
    std::mutex lock;
    std::vector<std::vector<RankedSubset>> lists;
    // Counts the changes, for the threads' copies. Every thread reads it at
    // every node: it has a cache line of its own, away from what is written
    // often.
    alignas(64) std::atomic<std::uint64_t> version{0};
};

// What the threads of a run share besides the lists.
struct SharedWork {
    SharedLists kept;
    // Each on a cache line of its own: the threads write the first two
    // while they read the others.
    alignas(64) std::atomic<std::uint64_t> nextTask{0};  // the next task to deal out
    alignas(64) std::atomic<std::uint64_t> decided{0};   // subsets decided, over every thread
    alignas(64) std::atomic<bool> failed{false};         // a thread has failed: the others stop
    std::atomic<bool> stopped{false};                    // a thread has stopped on the stop request
};

// What every thread of a run knows alike.
struct SearchSettings {
    const CrossProducts* products = nullptr;
    const ScaledSystem* system = nullptr;
    double offsetFactor = 1.0;  // uncentredFactor of the data
    RankCriterion criterion = RankCriterion::ResidualSumOfSquares;
    std::int64_t largestRanked = 0;  // largestRankedSize of the criterion and the rows
    bool planByRows = false;         // the plan's parts below the top were split by count (SubsetPlan::byRows)
    // Where not null, the roots searched instead of the plan's: few rows
    // and one list by a criterion that ranks the sets of n − 2 variables
    // first (coversFewRows).
    const CoveringRoots* cover = nullptr;
    SubsetMask forced = 0;           // the request's forced variables
    double cpScale = 0.0;
    bool perSize = false;
    std::size_t keepCount = 0;
    bool cutting = false;  // the criterion has cuts (AIC, BIC, AICc)
    std::size_t variables = 0;
    RunProgress* progress = nullptr;
    std::uint64_t lastProgress = 0;  // 2^k − 2: the most progress may show
    SharedWork* shared = nullptr;
    // Fits put off to the end (deferred_fits.h; off again only where one
    // fell outside its bounds), and the subsets put off before the walk
    // (listSeeds), by mask: the walk neither fits them nor puts them off
    // again.
    bool deferring = false;
    std::vector<DeferredFit> seeds;
    std::vector<SubsetMask> seeded;
};

struct Search;
void refreshLimit(Search& search, std::size_t index);

// The list a subset is offered to: its size's in a per-size search, else
// the one list.
inline std::size_t listIndex(const SearchSettings& settings, SubsetMask mask) {
    return settings.perSize ? subsetSize(mask) : 0;
}

// One thread's search.
struct Search : SearchSettings {
    // levels[j]: the node being expanded at depth j. Default-initialised
    // (each node's large arrays are written before they are read), which
    // at k = 31 spares megabytes of zeroing per search.
    NodeLevels<DropNode> levels;
    // The same for the double tree, where a subtree runs in double.
    NodeLevels<DoubleDropNode> doubleLevels;
    SearchTally tally;
    // Roots decided from estimates in double (estimateRoot): the
    // factors (64 KB, off the stack) made at the first such root.
    std::unique_ptr<RootFactorsInDouble> rootFactors;
    RootDropEstimates rootEstimates;
    // The same for the sets of a covering root's parts (searchCoveredPart),
    // apart, so that the covering roots keep the leading factors they
    // share.
    std::unique_ptr<RootFactorsInDouble> partFactors;
    RootDropEstimates partEstimates;
    // The roots of a counted part, a chunk at a time (walkCountedPart).
    std::vector<SubsetRoot> countedChunk;

    // This thread's copy of each list's threshold, as of the lists' version
    // seenVersion.
    std::vector<ListThreshold> thresholds;
    std::uint64_t seenVersion = 0;
    // For AIC and BIC: cuts[d] compares an RSS of d variables with the
    // threshold of its list (that list's worst criterion), formed again
    // whenever that threshold has moved.
    std::vector<CriterionCut> cuts;

    SubsetSystem subset;
    LeastSquaresFit fit;

    // While deferring: this thread's fits put off, one list per size, and
    // limits[s], the lower of size s's two thresholds, its list's worst
    // criterion (the largest finite double while the list has room) and
    // its ceiling (+∞ while that has room) (refreshLimit).
    std::vector<DeferredList> deferred;
    std::vector<double> limits;
    // The largest limit of every range of sizes, as a sparse table:
    // rangeLimits[p][s] the largest of limits[s … s + 2^p − 1], formed again
    // when a limit has changed since (limitsChanged).
    double rangeLimits[8][maxExplanatoryVariables + 1];
    bool limitsChanged = true;

    // Whether the first subset certainExactFit vouched for was an exact fit
    // by the exact fit itself (then the others it vouches for are taken
    // without a fit) or not (then every one is fitted).
    enum class ExactFitCheck { Untried, Confirmed, Refuted } exactFitCheck = ExactFitCheck::Untried;

    std::uint64_t decided = 0;  // subsets this thread has fitted or excluded
    std::uint64_t flushed = 0;  // the part of decided added to the shared count
    std::uint32_t reports = 0;  // reports since the last addition to it
    bool publishes = false;     // the only thread: it publishes progress itself
    bool stopped = false;

    // Dealing (with more than one thread): the tasks are numbered in the
    // order every thread walks the top of the tree alike (walkTop); this
    // thread does task taskMine and has walked past the tasks before
    // taskSeen. splitBelow: children with at least that many droppable
    // variables below them are part of the top.
    bool dealing = false;
    std::uint64_t taskSeen = 0;
    std::uint64_t taskMine = 0;
    std::size_t splitBelow = 0;

    // ownsSeeds: this thread fits the seeds put off before the walk (each
    // thread counts them in its ceilings).
    Search(const SearchSettings& settings, bool ownsSeeds)
        : SearchSettings(settings),
          levels(settings.variables + 1),
          doubleLevels(settings.variables + 1),
          thresholds(settings.shared->kept.lists.size()),
          cuts(settings.variables + 1) {
        if (!deferring) return;
        deferred.resize(thresholds.size());
        limits.assign(thresholds.size(), largestFinite);
        for (const DeferredFit& seed : seeds) {
            DeferredList& list = deferred[listIndex(*this, seed.mask)];
            if (ownsSeeds) {
                deferFit(list, keepCount, seed);
            } else {
                noteCeiling(list, keepCount, seed.most);
            }
        }
        for (std::size_t size = 0; size < limits.size(); ++size) refreshLimit(*this, size);
    }
};

void refreshLimit(Search& search, std::size_t size) {
    const ListThreshold& threshold = search.thresholds[size];
    double limit = threshold.full ? threshold.worst.criterion : largestFinite;
    const DeferredList& deferred = search.deferred[size];
    if (deferred.ceiling.size() >= search.keepCount) limit = std::min(limit, deferred.ceiling.front());
    if (!(search.limits[size] == limit)) search.limitsChanged = true;
    search.limits[size] = limit;
}

// The largest limit of sizes lowest … highest (lowest ≤ highest).
double largestLimit(Search& search, std::size_t lowest, std::size_t highest) {
    auto& table = search.rangeLimits;
    if (search.limitsChanged) {
        const std::size_t count = search.limits.size();  // at most maxExplanatoryVariables + 1
        std::copy(search.limits.begin(), search.limits.end(), table[0]);
        for (std::size_t level = 1; (std::size_t{1} << level) <= count; ++level) {
            const std::size_t half = std::size_t{1} << (level - 1);
            for (std::size_t at = 0; at + 2 * half <= count; ++at) {
                table[level][at] = std::max(table[level - 1][at], table[level - 1][at + half]);
            }
        }
        search.limitsChanged = false;
    }
    std::size_t level = 0;
    while ((std::size_t{2} << level) <= highest - lowest + 1) ++level;
    return std::max(table[level][lowest], table[level][highest + 1 - (std::size_t{1} << level)]);
}

// Copies a list's threshold from the shared lists (the lock held).
void copyThreshold(Search& search, std::size_t index) {
    const std::vector<RankedSubset>& list = search.shared->kept.lists[index];
    ListThreshold& threshold = search.thresholds[index];
    threshold.full = list.size() >= search.keepCount;
    if (threshold.full) threshold.worst = list.front();
    if (search.deferring) refreshLimit(search, index);
}

void copyThresholds(Search& search) {
    for (std::size_t index = 0; index < search.thresholds.size(); ++index) copyThreshold(search, index);
    search.seenVersion = search.shared->kept.version.load(std::memory_order_relaxed);
}

// Brings this thread's thresholds up to date where another thread has
// changed a list since (one atomic load when nothing has changed).
void refreshThresholds(Search& search) {
    SharedLists& kept = search.shared->kept;
    if (kept.version.load(std::memory_order_relaxed) == search.seenVersion) return;
    const std::lock_guard<std::mutex> hold(kept.lock);
    copyThresholds(search);
}

// Whether a subset whose criterion is at least bound, and whose mask is at
// least smallestMask, may still enter the list: its criterion may be below
// that of the keepCount-th best so far, or equal to it with a smaller mask
// (equal criteria rank by mask). While the list has room the threshold is
// the screening's starting one, the largest finite double (+∞ never
// enters).
bool mayEnter(const ListThreshold& threshold, double bound, SubsetMask smallestMask) {
    if (!threshold.full) return bound <= largestFinite;
    const RankedSubset& worst = threshold.worst;
    return bound < worst.criterion || (bound == worst.criterion && smallestMask < worst.mask);
}

// Offers a fitted subset to its list. A subset that does not rank before
// this thread's copy of the threshold cannot enter (the list's own is at
// least as low), and the lock is taken only for the others.
void offer(Search& search, SubsetMask mask, double criterion) {
    if (!(criterion <= largestFinite)) return;
    const std::size_t index = search.perSize ? subsetSize(mask) : 0;
    if (search.deferring) {
        noteCeiling(search.deferred[index], search.keepCount, criterion);
        refreshLimit(search, index);
    }
    const RankedSubset candidate{mask, criterion};
    const ListThreshold& threshold = search.thresholds[index];
    if (threshold.full && !rankedBefore(candidate, threshold.worst)) return;
    SharedLists& shared = search.shared->kept;
    const std::lock_guard<std::mutex> hold(shared.lock);
    std::vector<RankedSubset>& kept = shared.lists[index];
    const std::uint64_t version = shared.version.load(std::memory_order_relaxed);
    if (kept.size() < search.keepCount) {
        kept.push_back(candidate);
        std::push_heap(kept.begin(), kept.end(), rankedBefore);
    } else if (rankedBefore(candidate, kept.front())) {
        std::pop_heap(kept.begin(), kept.end(), rankedBefore);
        kept.back() = candidate;
        std::push_heap(kept.begin(), kept.end(), rankedBefore);
    } else {
        copyThreshold(search, index);  // another thread had moved it
        return;
    }
    shared.version.store(version + 1, std::memory_order_relaxed);
    if (version == search.seenVersion) {
        copyThreshold(search, index);
        search.seenVersion = version + 1;
    } else {
        copyThresholds(search);
    }
}

// The criterion of mask by the exact fit of the screening; false where the
// subset is not ranked.
bool exactCriterion(Search& search, SubsetMask mask, double& value, const SubsetCertainties& known = {}) {
    ++search.tally.exactFits;
    gatherSubsetSystem(*search.products, mask, search.subset);
    if (!rankSubsetSystem(search.subset, search.fit, known)) return false;
    return rankingCriterion(search.criterion, search.fit.rss, search.system->rows, subsetSize(mask), value,
                            search.cpScale);
}

bool seededBefore(const Search& search, SubsetMask mask) {
    return !search.seeded.empty() && std::binary_search(search.seeded.begin(), search.seeded.end(), mask);
}

// The exact fit of the screening, and the same ranking rules. A subset too
// large for the rows is never ranked and, like the screening, not fitted:
// with few rows every root is one (n − 1 variables, an exact fit that would
// be refitted in double-double for nothing). A seed is already pending.
void fitExactly(Search& search, SubsetMask mask, const SubsetCertainties& known = {}) {
    if (static_cast<std::int64_t>(subsetSize(mask)) > search.largestRanked) return;
    if (seededBefore(search, mask)) return;
    double value = 0.0;
    if (exactCriterion(search, mask, value, known)) offer(search, mask, value);
}

// A lower bound on the criterion of every subset of smallest … largest
// variables below a node with relative RSS relativeRss and margins Δ. A
// member's exact RSS (relative) is at least relativeRss − Δ_double if its
// fit takes the double path, and then also above doublePathLeastRss; and at
// least relativeRss − Δ_refit if it is refitted. So it is at least
// min(max(relativeRss − Δ_double, doublePathLeastRss), relativeRss −
// Δ_refit): near-exact fits are told apart to the refit's precision. Where
// that is so small that the exact fit may take it for an exact fit, the
// bound is that of RSS 0. Sizes beyond largestRankedSize are not ranked
// and the empty subset does not count;
// with no rankable size left the bound is +∞. The criterion is monotone in
// RSS for a fixed size, and monotone in the size for a fixed RSS bound, so
// the least value is at one end of the range. It is computed with the same
// operations as the exact criterion, so the rounding of each is monotone in
// RSS; the margin keeps a gap far wider than the logarithm's rounding error.
double leastRelativeRss(double relativeRss, const DropMargin& margin) {
    return std::min(std::max(relativeRss - margin.doublePath, doublePathLeastRss), relativeRss - margin.refitPath);
}

inline __attribute__((always_inline)) double criterionBound(const Search& search, double relativeRss,
                                                            const DropMargin& margin, std::size_t smallest,
                                                            std::size_t largest) {
    const std::int64_t largestRanked = search.largestRanked;
    if (largestRanked < 1) return infinity;
    smallest = std::max<std::size_t>(smallest, 1);
    largest = std::min(largest, static_cast<std::size_t>(largestRanked));
    if (smallest > largest) return infinity;
    const std::size_t n = search.system->rows;
    const double relative = leastRelativeRss(relativeRss, margin);
    double rss = relative * search.system->yy;
    // The exact fit never reports a negative RSS: one at or below its
    // exact-fit level is 0, so 0 is the bound of every possible exact fit.
    const bool logarithmic = search.criterion == RankCriterion::InformationCriterion ||
                             search.criterion == RankCriterion::BayesInformationCriterion ||
                             search.criterion == RankCriterion::CorrectedInformationCriterion;
    if (!(relative > exactFitBoundLevel)) {
        if (logarithmic) return -infinity;
        rss = 0.0;
    }
    if (logarithmic && !(rss > 0.0)) return -infinity;
    if (search.criterion == RankCriterion::ResidualMeanSquare) {
        // rss ≥ 0 here, and n − smallest − 1 ≥ n − largest − 1 > 0: the
        // quotient at the smallest size is the least (a rounded division
        // is monotone in its divisor).
        return rss / static_cast<double>(n - smallest - 1);
    }
    // Every other criterion grows with the size for a fixed RSS (ln n > 0
    // for n ≥ 3), so the smallest size gives the least value.
    double value = rss;
    rankingCriterion(search.criterion, rss, n, smallest, value, search.cpScale);
    return value;
}

// mayEnter for the bound criterionBound gives, for the list index, and,
// while fits are put off, its ceiling's answer beside it; deciding from a
// cut where it can. The cut is asked only where criterionBound would take
// the criterion of a positive RSS at one size (the list or the ceiling
// full, the threshold finite, the size rankable, the RSS above the exact
// fits'); it then answers as that criterion would, strictly below or above
// the threshold (criterion_cut.h), so the mask never comes into it. The
// threshold is the list's worst criterion, or while deferring the lower of
// that and the ceiling (the limit): a criterion strictly below it passes
// both, one strictly above it fails one of them. Everything else, and the
// band around the threshold, is left to criterionBound.
inline __attribute__((always_inline)) bool boundMayEnter(Search& search, std::size_t index, double relativeRss,
                                                         const DropMargin& margin, std::size_t smallest,
                                                         std::size_t largest, SubsetMask smallestMask) {
    const ListThreshold& list = search.thresholds[index];
    const bool ceilingFull = search.deferring && search.deferred[index].ceiling.size() >= search.keepCount;
    const std::size_t n = search.system->rows;
    if (search.cutting && (list.full || ceilingFull) && n >= 3) {
        const std::size_t size = std::max<std::size_t>(smallest, 1);
        const double relative = leastRelativeRss(relativeRss, margin);
        const double rss = relative * search.system->yy;
        const double threshold = search.deferring ? search.limits[index] : list.worst.criterion;
        if (size <= std::min(largest, n - 2) && relative > exactFitBoundLevel && rss > 0.0 &&
            std::isfinite(threshold)) {
            CriterionCut& cut = search.cuts[size];
            if (!(cut.threshold == threshold)) cut = formCriterionCut(search.criterion, n, size, threshold);
            const int side = compareWithCut(cut, rss);
            if (side != 0) return side < 0;
        }
    }
    const double bound = criterionBound(search, relativeRss, margin, smallest, largest);
    return mayEnter(list, bound, smallestMask) &&
           (!ceilingFull || ceilingAllows(search.deferred[index], search.keepCount, bound));
}

// Lower bounds on the relative RSS of a subtree's members by their size,
// beyond the one of the whole subtree: a member drops variables from the
// node's set S, and its RSS is at least that of S without any one of them.
// A member of child i's subtree that has q variables fewer than the child
// drops q of the variables after i, so its RSS is at least the q-th least
// of those children's lower bounds (ascending[q − 1]). Where the children
// are ranked by their RSS, every one after i costs less than child i, and
// this adds nothing: it is formed only where they go by index, at nodes
// that may be exact fits. There the variables that the exact fit needs
// cost far more than the others, and a member small enough that it must
// drop one of them is set aside at once: without it every subtree of an
// exact fit would be entered for the lists of the sizes below the exact
// fit's, which such a subtree can only reach after a costly drop.
struct SizeBounds {
    const double* ascending = nullptr;  // the bounds of the children after the current one, ascending
    std::size_t count = 0;              // 0: no bound beyond the subtree's
    std::size_t top = 0;                // the size of the current child

    // The lower bound of the members of size (≤ top), from relative, the
    // bound of the whole subtree.
    double atSize(double relative, std::size_t size) const {
        const std::size_t fewer = top - size;
        if (fewer == 0 || fewer > count) return relative;
        return std::max(relative, ascending[fewer - 1]);
    }
};

// The least masks of a subtree's members size by size: the subtree's least
// mask with the lowest of its droppable variables added, one more at each
// size (masks compare as numbers, so the lower the bits the smaller).
struct LeastMasks {
    SubsetMask mask;  // the least mask of the current size
    SubsetMask rest;  // the droppable variables not in it

    // Starts at size smallest + count.
    LeastMasks(SubsetMask smallestMask, SubsetMask droppable, std::size_t count)
        : mask(smallestMask), rest(droppable) {
        for (; count > 0; --count) grow();
    }
    // Moves on to the next size.
    void grow() {
        mask |= rest & (~rest + 1u);  // the lowest droppable variable left (none: 0)
        rest = withoutLowestVariable(rest);
    }
};

// Whether any subset of smallest … largest variables below a node (RSS
// bound relativeRss, margins Δ, and by size sizes) may enter its list. The
// subsets are smallestMask (of smallest variables) with any of the
// variables in droppable added. Per size, each size is asked of its own
// list, with the bound of that size and the least mask of that size:
// smallestMask with the lowest droppable variables added.
inline __attribute__((always_inline)) bool subtreeMayEnter(Search& search, double relativeRss,
                                                           const DropMargin& margin, std::size_t smallest,
                                                           std::size_t largest, SubsetMask smallestMask,
                                                           SubsetMask droppable, const SizeBounds& sizes) {
    if (!search.perSize) {
        return boundMayEnter(search, 0, relativeRss, margin, smallest, largest, smallestMask);
    }
    if (search.criterion == RankCriterion::ResidualSumOfSquares) {
        // By RSS the bound is the same number at every rankable size (the
        // criterion is the RSS itself, whatever the size), and above the
        // largest rankable size it is +∞, which never enters: it is formed
        // once and asked of each size's list, the same answers as below at
        // a fraction of the cost (this runs for every child of every node).
        // Bounds by size only raise it at some sizes.
        const std::size_t lowest = std::max<std::size_t>(smallest, 1);
        if (search.largestRanked < 1) return false;
        const std::size_t highest = std::min(largest, static_cast<std::size_t>(search.largestRanked));
        if (lowest > highest) return false;
        const double relative = leastRelativeRss(relativeRss, margin);
        if (search.deferring) {
            // criterionBound by RSS, in short: the RSS of the least relative
            // RSS, or 0 where that may be an exact fit's.
            const auto rssBound = [&](double least) {
                return least > exactFitBoundLevel ? least * search.system->yy : 0.0;
            };
            // A bound below a size's limit may enter its list and is allowed
            // by its ceiling; one above it is refused by one of the two; only
            // one equal to it needs the mask and the two asked in full. So a
            // bound below the largest limit of the range may enter (unless
            // the bounds by size are higher), one above it may not, and
            // otherwise each size is asked.
            const double bound = rssBound(relative);
            const double loosest = largestLimit(search, lowest, highest);
            if (bound > loosest) return false;
            if (bound < loosest && sizes.count == 0) return true;
            LeastMasks least(smallestMask, droppable, lowest - smallest);
            for (std::size_t size = lowest; size <= highest; ++size, least.grow()) {
                const double limit = search.limits[size];
                const double atSize = rssBound(sizes.atSize(relative, size));
                if (atSize < limit) return true;
                if (atSize == limit && mayEnter(search.thresholds[size], atSize, least.mask) &&
                    ceilingAllows(search.deferred[size], search.keepCount, atSize)) {
                    return true;
                }
            }
            return false;
        }
        LeastMasks least(smallestMask, droppable, lowest - smallest);
        for (std::size_t size = lowest; size <= highest; ++size, least.grow()) {
            const DropMargin none;
            const double bound = criterionBound(search, sizes.atSize(relative, size), none, lowest, highest);
            if (mayEnter(search.thresholds[size], bound, least.mask)) return true;
        }
        return false;
    }
    const double relative = leastRelativeRss(relativeRss, margin);
    const std::size_t lowest = std::max<std::size_t>(smallest, 1);
    LeastMasks least(smallestMask, droppable, lowest - smallest);
    for (std::size_t size = lowest; size <= largest; ++size, least.grow()) {
        // A raised bound stands as an RSS known to that precision (no
        // margin): leastRelativeRss gives it back unchanged.
        const double atSize = sizes.atSize(relative, size);
        const bool raised = atSize > relative;
        if (boundMayEnter(search, size, raised ? atSize : relativeRss, raised ? DropMargin{} : margin, size, size,
                          least.mask)) {
            return true;
        }
    }
    return false;
}

// Bounds on the exact criterion of the subset mask of a node with relative
// RSS relativeRss and margins Δ, for putting its fit off. The upper bound on
// the RSS: either path of the exact fit ends within Δ_double of the tree's
// RSS (Δ_refit ≤ Δ_double), and 2^-40 covers the rounding of the sum and of
// the product with y·y (the lower bound's rounding is within the margin's
// own allowance). The criterion's: every criterion is computed from the RSS
// by a quotient, a logarithm, products and sums with numbers that depend on
// n and the size alone, each rounded monotonically, so the criterion of
// the upper RSS is at least the exact fit's (criterionBound relies on the
// same for the lower bound; fitDeferred checks it all the same). False
// where the fit is better made at once: sizes that are never ranked,
// subsets that may be exact fits (a least RSS of 0: they rank by mask), and
// RSS bounds more than 2^-10 apart (near-exact fits, whose margin is large
// against their RSS: a pending subset counts in the ceiling with its upper
// bound, and the fitted one with its criterion, which there prunes far
// better).
constexpr double deferredSpread = 0x1p-10;
bool deferredBounds(const Search& search, SubsetMask mask, double relativeRss, const DropMargin& margin,
                    DeferredFit& fit) {
    const std::size_t size = subsetSize(mask);
    if (static_cast<std::int64_t>(size) > search.largestRanked) return false;
    const double relative = leastRelativeRss(relativeRss, margin);
    const double leastRss = relative > exactFitBoundLevel ? relative * search.system->yy : 0.0;
    const double mostRss = (relativeRss + margin.doublePath) * search.system->yy * (1.0 + 0x1p-40);
    if (!(leastRss > 0.0 && mostRss <= largestFinite && mostRss - leastRss <= deferredSpread * leastRss)) return false;
    fit.mask = mask;
    fit.least = criterionBound(search, relativeRss, margin, size, size);
    if (search.criterion == RankCriterion::ResidualSumOfSquares) {
        fit.most = mostRss;
        return true;
    }
    return rankingCriterion(search.criterion, mostRss, search.system->rows, size, fit.most, search.cpScale) &&
           fit.most <= largestFinite;
}

// The most trace of a subset's inverse for which the tree vouches that the
// rank rule holds (certaintiesOf): far inside every limit of the exact
// fit's verdicts (see there).
constexpr double certainIndependenceTrace = 1e6;

// What the tree makes certain of the exact fit of the subset mask, a node
// with relative RSS relativeRss, margins Δ and trace bound trace, step by
// step (SubsetCertainties):
// - refitted: the double path reports only an RSS above refitResidualLevel
//   of its SST, and within Δ_double of the tree's; with relativeRss +
//   Δ_double below doublePathLeastRss it cannot, and the subset is refitted.
// - independent: the refit's pivots and its 1 − R²_j are at least
//   1 / trace (the scaled system has a unit diagonal, so G_jj is
//   1 / (1 − R²_j) and at most the trace), computed to a relative error of
//   order e·u₂·trace: at a trace of at most 1e6 nowhere near rankTolerance
//   (1e-12). So the rank rule holds, and no dependent set of the run
//   (1 − R² ≤ rankTolerance) is held whole. The tree only runs on columns
//   near their centre (maxUncentredFactor) with sums of squares within
//   2^±200: every centred sum of squares is within 2^±201 and every mean
//   below 2^100, as RankingIndependent asks. A subset that holds a constant
//   column (the tree's unit column, the exact fit's rounding) is left to
//   the whole ranking.
SubsetCertainties certaintiesOf(const Search& search, SubsetMask mask, double relativeRss, const DropMargin& margin,
                                double trace) {
    SubsetCertainties known;
    known.refitted = relativeRss + margin.doublePath < doublePathLeastRss;
    known.independent = (mask & search.system->constant) == 0 && trace <= certainIndependenceTrace;
    return known;
}

// The largest trace bound of a subset whose fit is put off: the scaled
// system's 1 − R²_j are then at least 1e-10, a hundred times the rank
// rule's tolerance, so the exact fit ranks it (far beyond certaintiesOf's
// bound, which lets the fit skip its own checks, and so not certain in the
// same way). One that is not ranked after all makes the search run again
// without putting fits off (fitDeferred); a dependent set, whose trace
// bound is far larger, would do that every time.
constexpr double deferredTraceBound = 1e10;

bool surelyRanked(const Search& search, SubsetMask mask, double trace) {
    return (mask & search.system->constant) == 0 && trace <= deferredTraceBound;
}

// Whether the exact fit is certain to take a subset for an exact fit
// (RSS 0), which it then ranks as every exact fit (by its criterion of
// RSS 0, and by mask): so its fit, a double-double refit, can be spared.
// Refitted and independent (certaintiesOf), its coefficients, intercept
// and the bound on the intercept row stay finite (the scaled coefficients
// have ‖β̃‖² ≤ trace, and the scales above keep every unscaled value below
// 2^500); the refit's RSS is within Δ_refit of the tree's and its SST within
// rounding of the centred y·y, so an RSS below half the exact-fit level of
// y·y is at most that level of its SST. Whether y has a variance is the
// same question for every subset: the first subset vouched for is fitted,
// and the rest are taken only where it was an exact fit
// (Search::exactFitCheck).
bool certainExactFit(const SubsetCertainties& known, double relativeRss, const DropMargin& margin) {
    return known.refitted && known.independent && relativeRss + margin.refitPath <= 0.5 * exactFitLevel;
}

// Ranks mask as an exact fit (certainExactFit), as fitExactly would, once
// the first such subset has been fitted and found one.
void takeExactFit(Search& search, SubsetMask mask, const SubsetCertainties& known) {
    if (static_cast<std::int64_t>(subsetSize(mask)) > search.largestRanked) return;
    if (seededBefore(search, mask)) return;
    double value = 0.0;
    switch (search.exactFitCheck) {
    case Search::ExactFitCheck::Confirmed:
        ++search.tally.exactFitsTaken;
        if (rankingCriterion(search.criterion, 0.0, search.system->rows, subsetSize(mask), value, search.cpScale)) {
            offer(search, mask, value);
        }
        return;
    case Search::ExactFitCheck::Untried: {
        const bool ranked = exactCriterion(search, mask, value, known);
        search.exactFitCheck = ranked && search.fit.exactFit ? Search::ExactFitCheck::Confirmed
                                                             : Search::ExactFitCheck::Refuted;
        if (ranked) offer(search, mask, value);
        return;
    }
    case Search::ExactFitCheck::Refuted:
        if (exactCriterion(search, mask, value, known)) offer(search, mask, value);
        return;
    }
}

// Fits the subset mask of a node (it may enter its list), or puts the fit
// off where deferredBounds allows and the subset is surely ranked
// (surelyRanked: one that is not would leave its upper bound in the ceiling
// for a subset that never enters, and the whole search would run again), or
// takes it for an exact fit where that is certain (trace: the node's trace
// bound). The seeds are pending already.
void fitOrDefer(Search& search, SubsetMask mask, double relativeRss, const DropMargin& margin, double trace) {
    const SubsetCertainties known = certaintiesOf(search, mask, relativeRss, margin, trace);
    if (certainExactFit(known, relativeRss, margin)) {
        takeExactFit(search, mask, known);
        return;
    }
    DeferredFit fit;
    if (!search.deferring || !surelyRanked(search, mask, trace) || seededBefore(search, mask) ||
        !deferredBounds(search, mask, relativeRss, margin, fit)) {
        fitExactly(search, mask, known);
        return;
    }
    fit.known = known;
    const std::size_t index = listIndex(search, mask);
    deferFit(search.deferred[index], search.keepCount, fit);
    refreshLimit(search, index);
}

// Fits this thread's pending subsets that may still enter their lists and
// offers them, the least bound first: as the list fills with exact criteria
// its own threshold (mayEnter, masks and all) turns away the rest, beside
// the ceiling. A ceiling stands for keepCount distinct subsets whose exact
// criteria are at most it, whichever thread fits them, so each thread's
// own ceiling rules out what it put off. False if one of them fits outside
// its bounds or is not ranked after all (not expected: its bounds are the
// margin's): the ceilings may then have decided subsets wrongly, and the
// caller searches again without putting fits off.
bool stopping(Search& search);

bool fitDeferred(Search& search) {
    // The ceilings stay as the walk left them: each counts every subset once,
    // fitted or pending, and a pending subset offered now must not count
    // again with its exact criterion.
    search.deferring = false;
    refreshThresholds(search);
    for (std::size_t size = 0; size < search.deferred.size(); ++size) {
        DeferredList& list = search.deferred[size];
        std::vector<DeferredFit> pending = std::move(list.pending);
        list.pending.clear();
        std::sort(pending.begin(), pending.end(), [](const DeferredFit& a, const DeferredFit& b) {
            return a.least < b.least || (a.least == b.least && a.mask < b.mask);
        });
        for (const DeferredFit& fit : pending) {
            if (stopping(search)) return true;
            refreshThresholds(search);
            if (!ceilingAllows(list, search.keepCount, fit.least)) break;  // nor any after it
            if (!mayEnter(search.thresholds[size], fit.least, fit.mask)) continue;
            double value = 0.0;
            if (!exactCriterion(search, fit.mask, value, fit.known) || !(value <= fit.most)) return false;
            offer(search, fit.mask, value);
        }
    }
    return true;
}

// A thread of several adds what it has decided to the run's count at every
// this many reports (a tenth of a millisecond to a few milliseconds of
// work), and the watching thread publishes it. Not at every report: the
// count is written by every thread, and its cache line would pass between
// them at every child of every node.
constexpr std::uint32_t progressReports = 1024;

void flushProgress(Search& search) {
    search.shared->decided.fetch_add(search.decided - search.flushed, std::memory_order_relaxed);
    search.flushed = search.decided;
}

void reportProgress(Search& search) {
    if (search.publishes) {
        search.progress->publishDecided(std::min(search.decided, search.lastProgress));
    } else if (++search.reports >= progressReports) {
        search.reports = 0;
        flushProgress(search);
    }
}

// Whether to stop: on the stop request, or when another thread has failed.
bool stopping(Search& search) {
    if (search.progress->stopping() || search.shared->failed.load(std::memory_order_relaxed)) search.stopped = true;
    return search.stopped;
}

// With several threads: whether the next task in the walk's order is this
// thread's (it then takes the next free number for itself). Every task is
// taken by exactly one thread, the one that drew its number. With one
// thread every task is its own.
bool takeTask(Search& search) {
    if (!search.dealing) return true;
    const std::uint64_t task = search.taskSeen++;
    if (task != search.taskMine) return false;
    search.taskMine = search.shared->nextTask.fetch_add(1, std::memory_order_relaxed);
    return true;
}

template <class Node>
Node* levelsOf(Search& search) {
    if constexpr (std::is_same_v<Node, DropNode>) {
        return search.levels.get();
    } else {
        return search.doubleLevels.get();
    }
}

template <class Node>
void expand(Search& search, std::size_t depth);
template <class Node>
void walkTop(Search& search, std::size_t depth);

// Expands levels[depth] as the top of the tree (walkTop) or below it.
template <bool top, class Node>
void expandAt(Search& search, std::size_t depth) {
    if constexpr (top) {
        walkTop<Node>(search, depth);
    } else {
        expand<Node>(search, depth);
    }
}

// Goes down into child i of node, in double where the child's subtree is
// conditioned well enough (doubleTreeSuffices), and expands it.
template <bool top>
void goDown(Search& search, std::size_t depth, const DropNode& node, std::size_t i) {
    // In units of y·y where that suffices, else of the subtree's own scale.
    const std::size_t k = search.system->variables;
    const double rss = toDouble(node.childRss[i]);
    double scale = 1.0;
    if (!doubleTreeSuffices(k, node.childTrace[i], rss)) {
        scale = doubleSubtreeScale(node, i, doubleSubtreeScaleWanted(k, node.childTrace[i], rss));
    }
    if (doubleTreeSuffices(k, node.childTrace[i], rss, scale) &&
        startDoubleSubtree(node, i, search.doubleLevels[depth + 1], scale)) {
        reportProgress(search);
        expandAt<top, DoubleDropNode>(search, depth + 1);
        return;
    }
    descendDropTree(node, i, search.levels[depth + 1]);
    reportProgress(search);
    expandAt<top, DropNode>(search, depth + 1);
}

template <bool top>
void goDown(Search& search, std::size_t depth, const DoubleDropNode&, std::size_t i) {
    descendDropTree(search.doubleLevels[depth], i, search.doubleLevels[depth + 1]);
    reportProgress(search);
    expandAt<top, DoubleDropNode>(search, depth + 1);
}

// A bound on the trace of child i of node (after rankDrops): the double
// tree's children keep the node's.
template <class Node>
double childTraceBound(const Node& node, std::size_t i) {
    if constexpr (std::is_same_v<Node, DropNode>) {
        return node.childTrace[i];
    } else {
        return node.trace;
    }
}

// The margin of child i of node (after rankDrops). shared: in the double
// tree, the margin terms of every child of the node (they all keep its
// trace bounds and share one error bound).
template <class Node>
DropMargin childMargin(const Search& search, const Node& node, std::size_t i, const MarginTerms& shared) {
    MarginTerms terms = shared;
    if constexpr (std::is_same_v<Node, DropNode>) {
        terms = dropTreeMarginTerms(search.system->variables, search.system->rows, node.childTrace[i],
                                    node.childDoubleTrace[i], node.childError[i], search.offsetFactor);
    }
    return dropTreeMargin(terms, toDouble(node.childRss[i]));
}

// The children of a node in the order they are visited, with what each
// needs: the cheapest drop first, as those are the subsets closest to the
// node, so the list fills with good subsets early and the threshold falls
// fast (visiting the costliest first, the structural order, fits many times
// more subsets before the threshold is tight).
//
// Where the node itself may be an exact fit, so may every member that
// keeps what fits y exactly, and those rank by mask alone: the children are
// then taken in the order of their variables, highest first (rankDrops).
// By index, child 0 (without the highest variable) holds the smallest
// masks and goes first.
struct ChildOrder {
    bool byIndex = false;
    std::size_t count = 0;
    // after[i]: the droppable variables after i, child i's droppable set
    // (the node stays in place while its children are visited).
    SubsetMask after[maxExplanatoryVariables];
    MarginTerms shared;  // in the double tree: the margin terms of every child
    // By index: the lower bounds of the children's RSS (least[i], for
    // SizeBounds), and those of the children after the one being visited,
    // ascending (removed one by one as the visit moves on: next).
    double least[maxExplanatoryVariables];
    double ascending[maxExplanatoryVariables];
    std::size_t ascendingCount = 0;

    std::size_t child(std::size_t step) const { return byIndex ? step : count - 1 - step; }

    // Moves the bounds by size on to child i, the next in the order.
    void next(std::size_t i) {
        if (!byIndex || i == 0 || ascendingCount == 0) return;
        double* end = ascending + ascendingCount;
        double* at = std::find(ascending, end, least[i]);
        if (at == end) return;  // not expected: every child after the first is in the list
        std::copy(at + 1, end, at);
        --ascendingCount;
    }
    // The bounds by size of child i's subtree (a child of size top).
    SizeBounds sizeBounds(std::size_t top) const { return SizeBounds{ascending, ascendingCount, top}; }
};

// Decides child i of node (after rankDrops) and its subtree: skips the
// subtree if no member can enter the list, otherwise fits the child exactly
// if it may enter and goes down into its own children if any of them may.
// The child's RSS bounds its whole subtree (every member is a subset of
// it). Where the children go by cost that is also the best of the per-size
// bounds the drop costs give, since every member drops v_i and otherwise
// only variables that cost less; where they go by index, the order's
// SizeBounds give the rest.
// order: the node's (with the child's droppable set, the node's droppable
// variables after i, and the bounds by size).
template <class Node>
void visitChild(Search& search, std::size_t depth, std::size_t i, const ChildOrder& order) {
    const Node& node = levelsOf<Node>(search)[depth];
    const SubsetMask droppable = order.after[i];
    const MarginTerms& shared = order.shared;
    const std::size_t size = node.variables() - 1;
    const std::size_t below = node.droppableCount - 1 - i;  // the child's droppable variables
    const std::size_t smallest = size - below;
    const SubsetMask mask = node.mask & ~variableMask(node.droppable[i]);
    const SubsetMask smallestMask = mask & ~droppable;  // the least mask below the child (0: the empty one)
    // The subsets of the child's subtree, less the empty one if it is there
    // (below ≤ 63: the child has dropped a variable).
    const std::uint64_t subtree = (std::uint64_t{1} << below) - (smallest == 0 ? 1u : 0u);
    const double rss = toDouble(node.childRss[i]);
    const DropMargin margin = childMargin(search, node, i, shared);
    const SizeBounds sizes = order.sizeBounds(size);
    if (!subtreeMayEnter(search, rss, margin, smallest, size, smallestMask, droppable, sizes)) {
        search.decided += subtree;
        return;
    }
    if (size >= 1) {
        search.decided += 1;
        if (subtreeMayEnter(search, rss, margin, size, size, mask, 0, SizeBounds{})) {
            fitOrDefer(search, mask, rss, margin, childTraceBound(node, i));
        }
    }
    if (below == 0) return;
    if (!subtreeMayEnter(search, rss, margin, smallest, size - 1, smallestMask, droppable, sizes)) {
        search.decided += subtree - 1;
        return;
    }
    goDown<false>(search, depth, node, i);
}

template <class Node>
void orderChildren(Search& search, Node& node, ChildOrder& order) {
    ++(std::is_same_v<Node, DropNode> ? search.tally.extendedNodes : search.tally.doubleNodes);
    const double rss = toDouble(node.rss);
    const DropMargin margin =
        dropTreeMargin(search.system->variables, search.system->rows, node.trace, node.doubleTrace, node.rssError,
                       rss, search.offsetFactor);
    order.byIndex = rss - margin.refitPath <= exactFitBoundLevel;
    rankDrops(node, order.byIndex);
    order.count = node.droppableCount;
    SubsetMask rest = 0;
    for (std::size_t i = order.count; i-- > 0;) {
        order.after[i] = rest;
        rest |= SubsetMask{1} << node.droppable[i];
    }
    if (std::is_same_v<Node, DoubleDropNode> && order.count > 0) {
        order.shared = dropTreeMarginTerms(search.system->variables, search.system->rows, node.childTrace[0],
                                           node.childDoubleTrace[0], node.childError[0], search.offsetFactor);
    }
    order.ascendingCount = 0;
    // (A root may have nothing to drop: a copy forced into its part, with
    // the variable it copies the only candidate left.)
    if (!order.byIndex || !search.perSize || order.count == 0) return;
    for (std::size_t i = 0; i < order.count; ++i) {
        const double least = leastRelativeRss(toDouble(node.childRss[i]), childMargin(search, node, i, order.shared));
        order.least[i] = least > -infinity ? least : -infinity;  // NaN: no bound
    }
    // The bounds of child 0's subtree: those of every child after it.
    order.ascendingCount = order.count - 1;
    std::copy(order.least + 1, order.least + order.count, order.ascending);
    std::sort(order.ascending, order.ascending + order.ascendingCount);
}

// Readies levels[depth] for its children to be visited: this thread's
// thresholds brought up to date, the children ranked into order.
template <class Node>
Node& startExpansion(Search& search, std::size_t depth, ChildOrder& order) {
    Node& node = levelsOf<Node>(search)[depth];
    refreshThresholds(search);
    orderChildren(search, node, order);
    return node;
}

// Visits the children of levels[depth] and their subtrees (ChildOrder).
template <class Node>
void expand(Search& search, std::size_t depth) {
    ChildOrder order;
    startExpansion<Node>(search, depth, order);
    for (std::size_t step = 0; step < order.count; ++step) {
        if (stopping(search)) return;
        const std::size_t i = order.child(step);
        order.next(i);
        visitChild<Node>(search, depth, i, order);
        reportProgress(search);
    }
}

// The top of a tree, walked by every thread of a run alike, for dealing out
// its parts: a child with a large subtree (at least splitBelow droppable
// variables below it) is gone down into by every thread, and its own fit is
// one task; every other child, with its whole subtree, is one task. The
// walk does not depend on the lists (the order of each node's children and
// its arithmetic are functions of the data alone), so every thread numbers
// the tasks alike. The large children are not skipped as a whole; the tasks
// below them are, each by its own bound, which is at least theirs. Their
// subtrees are the bulk of the tree, cut into pieces of at most
// 2^splitBelow subsets.
template <class Node>
void walkTop(Search& search, std::size_t depth) {
    ChildOrder order;
    Node& node = startExpansion<Node>(search, depth, order);
    for (std::size_t step = 0; step < order.count; ++step) {
        if (stopping(search)) return;
        const std::size_t i = order.child(step);
        order.next(i);
        if (order.count - 1 - i >= search.splitBelow) {
            if (takeTask(search)) {
                // The child's own fit: a large child has variables left.
                const SubsetMask mask = node.mask & ~variableMask(node.droppable[i]);
                const std::size_t size = node.variables() - 1;
                const DropMargin margin = childMargin(search, node, i, order.shared);
                const double rss = toDouble(node.childRss[i]);
                search.decided += 1;
                if (subtreeMayEnter(search, rss, margin, size, size, mask, 0, SizeBounds{})) {
                    fitOrDefer(search, mask, rss, margin, childTraceBound(node, i));
                }
            }
            goDown<true>(search, depth, node, i);
        } else if (takeTask(search)) {
            visitChild<Node>(search, depth, i, order);
        }
        reportProgress(search);
    }
}

// Every member of one root's subtree, fitted exactly: for a root whose
// factorisation fails after all (its system was judged positive definite
// by the pivoted factorisation, so this is not expected).
void fitEveryMember(Search& search, const SubsetRoot& root) {
    SubsetMask dropped = root.droppable;
    while (true) {
        if (stopping(search)) return;
        const SubsetMask mask = root.mask & ~dropped;
        if (mask != 0) {
            search.decided += 1;
            fitExactly(search, mask);
            reportProgress(search);
        }
        if (dropped == 0) return;
        dropped = (dropped - 1u) & root.droppable;
    }
}

// The subsets below root: mask ∖ R for every R ⊆ droppable, less the empty
// subset when it is one of them.
std::uint64_t rootMembers(const SubsetRoot& root) {
    // 2^d − 1, plus the subset with nothing dropped when it is not empty
    // (2^64 − 1 at most: all 64 variables droppable).
    return nonEmptySubsets(subsetSize(root.droppable)) + (root.droppable == root.mask ? 0u : 1u);
}

// A root of a plan split by count whose trace, computed in double, is at
// most this is not singular for the plan: the computed trace is then
// within a factor 2 of the exact one (its relative error, 4·e·γ·t, is at
// most about 0.1 at e = 64), so every 1 − R²_j of the root is above
// 1/(2·1e10), far above dependentLevel, and an exact plan of its part
// would make it a root again.
constexpr double possiblySingularTrace = 1e10;

// What the estimate of a root in double (estimateRootDrops) made of it.
enum class RootEstimate {
    Decided,  // no list can take anything from it: decided whole
    Open,     // to be searched
    Failed,   // the estimate failed (a pivot not positive, or a trace too large for it)
};

// Whether any child's subtree of a root estimated in double (estimates,
// its drops ranked; the children's subtrees are the tree's, in that order)
// may enter a list, cheapest child first, the likeliest to be let in. With
// factors (those of the estimate), a child the estimate lets in is asked
// again with its RSS refined in double-double (refinedOut).
bool estimatedChildrenMayEnter(Search& search, SubsetMask mask, const RootDropEstimates& estimates,
                               const RootFactorsInDouble* factors = nullptr);

// Decides a root without starting it where its own set is not ranked (with
// few rows, every root of n − 1 variables) and, by estimates in double of
// its children (estimateRootDrops) with the margins of the tree, no list
// can take anything from any child's subtree: a fraction of the cost of
// the extended start, which most such roots only need to find that out.
// The children's subtrees are the tree's, in the estimates' order (any
// order splits the members alike; each child's RSS bounds its own). In a
// plan split by count the ranked roots are estimated too, for the estimate
// to find those that a dependency makes singular.
RootEstimate estimateRoot(Search& search, const SubsetRoot& root) {
    const std::size_t order = subsetSize(root.mask);
    const bool ranked = static_cast<std::int64_t>(order) <= search.largestRanked;
    if (ranked && !search.planByRows) return RootEstimate::Open;
    RootDropEstimates& estimates = search.rootEstimates;
    if (!search.rootFactors) search.rootFactors = std::make_unique<RootFactorsInDouble>();
    if (!estimateRootDrops(*search.system, root.mask, root.droppable, *search.rootFactors, estimates)) {
        return RootEstimate::Failed;
    }
    ++search.tally.rootsEstimated;
    if (ranked) return RootEstimate::Open;
    refreshThresholds(search);
    if (estimatedChildrenMayEnter(search, root.mask, estimates)) return RootEstimate::Open;
    ++search.tally.rootsDecidedInDouble;
    search.decided += rootMembers(root);
    reportProgress(search);
    return RootEstimate::Decided;
}

// Searches the tree of one root from its extended start. split: with
// several threads, every thread starts the root and walks the top of its
// tree, and the parts are dealt out (walkTop); otherwise the whole root is
// this thread's.
void searchRootTree(Search& search, const SubsetRoot& root, bool split) {
    DropNode& node = search.levels[0];
    // The node is this thread's own: a root started after another keeps the
    // leading factor they share.
    if (!startDropTree(*search.system, root.mask, root.droppable, node, true)) {
        if (!split || takeTask(search)) fitEveryMember(search, root);
        return;
    }
    if (!split || takeTask(search)) {
        search.decided += 1;
        reportProgress(search);
        fitExactly(search, root.mask);
    }
    // Children with fewer droppable variables below them than this are
    // tasks: the top is about 2^11 nodes, and the tasks some tens of
    // thousands, small enough that the threads end together (on Sonar's
    // 48 bands by BIC two threads took 0.84 s against 0.95 s with a top of
    // 2^8 nodes, and 0.86 s with 2^14; one thread 1.63 s).
    search.splitBelow = std::max<std::size_t>(node.droppableCount, 16) - 11;
    if (doubleTreeSuffices(search.system->variables, node.trace, toDouble(node.rss)) &&
        startDoubleSubtree(node, search.doubleLevels[0])) {
        split ? walkTop<DoubleDropNode>(search, 0) : expand<DoubleDropNode>(search, 0);
        return;
    }
    split ? walkTop<DropNode>(search, 0) : expand<DropNode>(search, 0);
}

// A root of a plan split by count whose estimate failed: a dependency of a
// few variables may make it singular. Its part is planned exactly
// (planSubsetPart), which leaves out what that dependency makes singular,
// and each of that plan's roots is searched as a root of an exact plan.
void searchPartExactly(Search& search, const SubsetRoot& root) {
    ++search.tally.partsPlannedExactly;
    SubsetPlan part;
    const std::size_t largest = search.largestRanked > 0 ? static_cast<std::size_t>(search.largestRanked) : 0;
    if (!planSubsetPart(*search.system, root.mask & ~root.droppable, root.droppable, mostMaxRoots, part, largest)) {
        fitEveryMember(search, root);
        return;
    }
    search.decided += part.rejected;
    reportProgress(search);
    for (const SubsetRoot& each : part.roots) {
        if (stopping(search)) return;
        if (estimateRoot(search, each) == RootEstimate::Decided) continue;
        searchRootTree(search, each, false);
    }
}

// Searches a root this thread has taken whole: estimated first.
void searchTakenRoot(Search& search, const SubsetRoot& root) {
    const RootEstimate estimate = estimateRoot(search, root);
    if (estimate == RootEstimate::Decided) return;
    // Only a root that may be singular: at a trace up to
    // possiblySingularTrace its part would be planned the same again.
    if (estimate == RootEstimate::Failed && search.planByRows &&
        !(search.rootEstimates.trace <= possiblySingularTrace)) {
        searchPartExactly(search, root);
        return;
    }
    searchRootTree(search, root, false);
}

// The part of a covering root's drop of v (covering_roots.h): the set
// without v, and every set that drops some of its initial run.
SubsetRoot coveredPart(const Search& search, SubsetMask root, std::size_t v) {
    const SubsetMask set = root & ~variableMask(v);
    return SubsetRoot{set, runOf(search.cover->candidates, set)};
}

// Whether the subtree of drop i of the root last estimated in factors
// (members of smallest … largest variables: smallestMask with any of
// droppable) is ruled out by that drop's RSS refined in double-double
// (refineRootDrop), where its estimate in double could not rule it out.
bool refinedOut(Search& search, const RootFactorsInDouble& factors, const RootDropEstimates& estimates,
                std::size_t i, std::size_t smallest, std::size_t largest, SubsetMask smallestMask,
                SubsetMask droppable) {
    RefinedDrop refined;
    if (!refineRootDrop(*search.system, factors, estimates.variable[i], estimates.trace, refined) ||
        !(refined.error < estimates.error)) {
        return false;
    }
    const MarginTerms terms = dropTreeMarginTerms(search.system->variables, search.system->rows, estimates.trace,
                                                  estimates.doubleTrace, refined.error, search.offsetFactor);
    return !subtreeMayEnter(search, refined.rss, dropTreeMargin(terms, refined.rss), smallest, largest, smallestMask,
                            droppable, SizeBounds{});
}

bool estimatedChildrenMayEnter(Search& search, SubsetMask mask, const RootDropEstimates& estimates,
                               const RootFactorsInDouble* factors) {
    const std::size_t size = subsetSize(mask);
    const MarginTerms terms = dropTreeMarginTerms(search.system->variables, search.system->rows, estimates.trace,
                                                  estimates.doubleTrace, estimates.error, search.offsetFactor);
    SubsetMask after = 0;  // the droppable variables after child i: its own
    for (std::size_t i = estimates.count; i-- > 0;) {
        const std::size_t lowest = size - estimates.count + i;  // the child's size less those after it
        const SubsetMask child = mask & ~variableMask(estimates.variable[i]);
        const double rss = estimates.rss[i];
        if (subtreeMayEnter(search, rss, dropTreeMargin(terms, rss), lowest, size - 1, child & ~after, after,
                            SizeBounds{}) &&
            (factors == nullptr || !refinedOut(search, *factors, estimates, i, lowest, size - 1, child & ~after,
                                               after))) {
            return true;
        }
        after |= variableMask(estimates.variable[i]);
    }
    return false;
}

// A part of a covering root that its estimate could not decide: the part,
// its set's RSS refined in double-double (refineRootDrop) and the margin
// terms of that RSS.
struct OpenPart {
    SubsetRoot part;
    double rss = 0.0;
    MarginTerms terms;
};

// Searches one part of a covering root that its bounds from the refined
// RSS of its set (trace bound trace) may not decide. The set itself is
// fitted (or put off) as a node of the tree would be. The sets below it,
// where that bound lets them in, are estimated from the set's own drops in
// double, each child's subtree with its own bound as a root's are
// (estimateRoot); where one of them may still enter, or that estimate
// fails, the whole part is searched as a root of the plan split by count
// (with the set, which it fits).
void searchCoveredPart(Search& search, const OpenPart& open, double trace) {
    const SubsetRoot& part = open.part;
    const DropMargin margin = dropTreeMargin(open.terms, open.rss);
    const std::size_t size = subsetSize(part.mask);
    const std::size_t runs = subsetSize(part.droppable);
    const SubsetMask fixed = part.mask & ~part.droppable;
    if (runs > 0 &&
        subtreeMayEnter(search, open.rss, margin, size - runs, size - 1, fixed, part.droppable, SizeBounds{})) {
        RootDropEstimates& estimates = search.partEstimates;
        if (!search.partFactors) search.partFactors = std::make_unique<RootFactorsInDouble>();
        if (!estimateRootDrops(*search.system, part.mask, part.droppable, *search.partFactors, estimates)) {
            searchTakenRoot(search, part);
            return;
        }
        if (estimatedChildrenMayEnter(search, part.mask, estimates, search.partFactors.get())) {
            searchRootTree(search, part, false);
            return;
        }
    }
    search.decided += rootMembers(part);
    if (subtreeMayEnter(search, open.rss, margin, size, size, part.mask, 0, SizeBounds{})) {
        fitOrDefer(search, part.mask, open.rss, margin, trace);
    }
}

// A covering root whose estimate in double failed: a trace too large for
// it (19 columns in 19 dimensions are often conditioned badly), or a
// dependency. The root is started in double-double, whose drops decide
// most parts at once (the estimate of each part's own set, alike
// conditioned, would fail again and start each one in double-double);
// the parts they leave open, or all of them where the start fails, are
// searched as roots of the plan split by count (searchTakenRoot), which
// plans a singular part exactly.
void searchIllConditionedRoot(Search& search, const SubsetRoot& root) {
    SubsetRoot open[maxExplanatoryVariables];
    std::size_t opened = 0;
    DropNode& node = search.levels[0];
    if (startDropTree(*search.system, root.mask, root.droppable, node, true)) {
        refreshThresholds(search);
        rankDrops(node);
        for (std::size_t i = node.droppableCount; i-- > 0;) {
            const SubsetRoot part = coveredPart(search, root.mask, node.droppable[i]);
            const double rss = toDouble(node.childRss[i]);
            const DropMargin margin = dropTreeMargin(search.system->variables, search.system->rows, node.childTrace[i],
                                                     node.childDoubleTrace[i], node.childError[i], rss,
                                                     search.offsetFactor);
            const std::size_t size = subsetSize(part.mask);
            if (subtreeMayEnter(search, rss, margin, size - subsetSize(part.droppable), size,
                                part.mask & ~part.droppable, part.droppable, SizeBounds{})) {
                open[opened++] = part;
            } else {
                search.decided += rootMembers(part);
            }
        }
    } else {
        for (SubsetMask rest = root.droppable; rest != 0; rest = withoutLowestVariable(rest)) {
            open[opened++] = coveredPart(search, root.mask, lowestVariable(rest));
        }
    }
    // (Each of these starts its own tree in the levels.)
    for (std::size_t i = 0; i < opened; ++i) {
        searchTakenRoot(search, open[i]);
        if (search.stopped) return;
    }
    reportProgress(search);
}

// Searches the parts of the drops a covering root owns (root.droppable).
// The root is estimated in double as a root of a plan split by count is,
// and each part is decided by its set's estimated RSS and the margins of
// the tree where no list can take anything from it. The others have their
// set's RSS refined (refineRootDrop, from the root's factors, so before
// any of them is searched) and are searched by that (searchCoveredPart).
// Where the estimate fails, each part is searched as a root of that plan
// would be: a dependency among a few variables may make the root
// singular, and some of the parts with it.
void searchCoveringRoot(Search& search, const SubsetRoot& root) {
    ++search.tally.coveringRoots;
    RootDropEstimates& estimates = search.rootEstimates;
    if (!search.rootFactors) search.rootFactors = std::make_unique<RootFactorsInDouble>();
    if (!estimateRootDrops(*search.system, root.mask, root.droppable, *search.rootFactors, estimates, false)) {
        searchIllConditionedRoot(search, root);
        return;
    }
    ++search.tally.rootsEstimated;
    refreshThresholds(search);
    const std::size_t k = search.system->variables;
    const std::size_t n = search.system->rows;
    const double trace = estimates.trace;
    const MarginTerms terms =
        dropTreeMarginTerms(k, n, trace, estimates.doubleTrace, estimates.error, search.offsetFactor);
    // The members of every part lie within the sizes of the root's own
    // parts: a set without a variable of the root's initial run has the
    // run below that variable, one without any other has the root's run.
    // So where the cheapest drop's bound over those sizes (and the least
    // mask) cannot enter, no part can: the root is decided at once.
    // (A drop that is not a number is taken as the least: it may enter.)
    double least = estimates.rss[0];
    for (std::size_t i = 1; i < estimates.count; ++i) {
        if (!(estimates.rss[i] >= least)) least = estimates.rss[i];
    }
    const std::size_t setSize = search.cover->rootSize - 1;
    const std::size_t longestRun = subsetSize(runOf(search.cover->candidates, root.mask));
    if (!subtreeMayEnter(search, least, dropTreeMargin(terms, least), setSize - std::min(longestRun, setSize),
                         setSize, 0, 0, SizeBounds{})) {
        search.decided += coveredMembers(*search.cover, root.mask, root.droppable);
        ++search.tally.rootsDecidedInDouble;
        reportProgress(search);
        return;
    }
    OpenPart open[maxExplanatoryVariables];
    std::size_t opened = 0;
    // (The drops by variable: the order does not change what is decided.)
    for (std::size_t i = 0; i < estimates.count; ++i) {
        const SubsetRoot part = coveredPart(search, root.mask, estimates.variable[i]);
        const double rss = estimates.rss[i];
        const std::size_t size = subsetSize(part.mask);
        const std::size_t lowest = size - subsetSize(part.droppable);
        const SubsetMask fixed = part.mask & ~part.droppable;
        if (!subtreeMayEnter(search, rss, dropTreeMargin(terms, rss), lowest, size, fixed, part.droppable,
                             SizeBounds{})) {
            search.decided += rootMembers(part);
            continue;
        }
        OpenPart& next = open[opened];
        next.part = part;
        next.rss = rss;
        next.terms = terms;
        RefinedDrop refined;
        if (refineRootDrop(*search.system, *search.rootFactors, estimates.variable[i], trace, refined) &&
            refined.error < estimates.error) {
            next.rss = refined.rss;
            next.terms = dropTreeMarginTerms(k, n, trace, estimates.doubleTrace, refined.error, search.offsetFactor);
            if (!subtreeMayEnter(search, next.rss, dropTreeMargin(next.terms, next.rss), lowest, size, fixed,
                                 part.droppable, SizeBounds{})) {
                search.decided += rootMembers(part);
                continue;
            }
        }
        ++opened;
    }
    if (opened == 0) ++search.tally.rootsDecidedInDouble;
    for (std::size_t i = 0; i < opened; ++i) {
        searchCoveredPart(search, open[i], trace);
        if (search.stopped) return;
    }
    reportProgress(search);
}

// Searches the subtree of one root. split: with several threads, every
// thread starts the root and walks the top of its tree, and the parts are
// dealt out (walkTop); otherwise the whole root is one task.
void searchRoot(Search& search, const SubsetRoot& root, bool split) {
    if (split) {
        searchRootTree(search, root, true);
    } else if (takeTask(search)) {
        searchTakenRoot(search, root);
    }
}


// Keeps the roots' members that hold every forced variable: a root without
// one of them has none, and elsewhere the forced variables are no longer
// droppable. The members left out count as decided.
void restrictToForced(SubsetMask forced, std::vector<SubsetRoot>& roots, std::uint64_t& decided) {
    if (forced == 0) return;
    std::size_t kept = 0;
    for (SubsetRoot root : roots) {
        const std::uint64_t before = rootMembers(root);
        if ((root.mask & forced) != forced) {
            decided += before;
            continue;
        }
        root.droppable &= ~forced;
        decided += before - rootMembers(root);
        roots[kept++] = root;
    }
    roots.resize(kept);
}

// Sorts the lists into kept: one list, or the lists of each size joined,
// smaller sizes first.
void finish(SharedLists& shared, bool perSize, std::vector<RankedSubset>& kept) {
    for (std::vector<RankedSubset>& list : shared.lists) std::sort_heap(list.begin(), list.end(), rankedBefore);
    if (!perSize) {
        kept = std::move(shared.lists[0]);
        return;
    }
    kept.clear();
    for (const std::vector<RankedSubset>& list : shared.lists) kept.insert(kept.end(), list.begin(), list.end());
}

// Before the walk, every list's ceiling is handed subsets likely to be among
// its best, so that it is finite and close to its final value from the
// start. The walk visits the small subtrees first, the large sets, and the
// lists of the small sizes would otherwise fill only with whatever it meets
// first deep down: on squares and products of measurements (n = 203,
// k = 31, the 10 best of each size) the walk fitted 2,105 subsets exactly,
// against 224 when the lists start out holding their final members. The
// seeds are the path of cheapest drops from the root (backward elimination
// on the tree's RSS) and, at each node of it, its cheapest keepCount
// children. Each is put off like a subset the walk reaches (deferredBounds,
// with the margin of its place in the tree, and only where surelyRanked),
// so it costs no fit unless it may still enter at the end; one that cannot
// be put off is left to the walk. The walk skips the seeds
// (search.seeded). Every seed is a member of the root's subtree, so it
// holds the forced variables and is a subset the screening ranks, and it
// is offered once (by the thread that owns the seeds): the lists end as
// they would without them. Returns the seeds by mask.
std::vector<DeferredFit> listSeeds(Search& search, const SubsetRoot& root) {
    std::vector<DeferredFit> seeds;
    DropNode* node = &search.levels[0];
    DropNode* next = &search.levels[1];
    if (!startDropTree(*search.system, root.mask, root.droppable, *node)) return seeds;
    const std::size_t k = search.system->variables;
    const std::size_t n = search.system->rows;
    // A subset is put off as fitOrDefer would put it off: only where it is
    // surely ranked.
    const auto offer = [&](SubsetMask mask, double rss, const DropMargin& margin, double trace) {
        DeferredFit fit;
        if (mask == 0 || !surelyRanked(search, mask, trace) || !deferredBounds(search, mask, rss, margin, fit)) return;
        fit.known = certaintiesOf(search, mask, rss, margin, trace);
        seeds.push_back(fit);
    };
    const double rootRss = toDouble(node->rss);
    offer(root.mask, rootRss,
          dropTreeMargin(k, n, node->trace, node->doubleTrace, node->rssError, rootRss, search.offsetFactor),
          node->trace);
    while (node->droppableCount > 0) {
        rankDrops(*node);
        const std::size_t count = node->droppableCount;
        for (std::size_t step = 0; step < std::min<std::size_t>(count, search.keepCount); ++step) {
            const std::size_t i = count - 1 - step;
            const SubsetMask mask = node->mask & ~variableMask(node->droppable[i]);
            const double rss = toDouble(node->childRss[i]);
            const DropMargin margin = dropTreeMargin(k, n, node->childTrace[i], node->childDoubleTrace[i],
                                                     node->childError[i], rss, search.offsetFactor);
            offer(mask, rss, margin, node->childTrace[i]);
        }
        // Down into the cheapest drop with every other droppable variable
        // still droppable: it moves to the front, where child 0 keeps all
        // the others (its drop cost, trace bounds and error move with it).
        const auto toFront = [count](auto* entries) { std::rotate(entries, entries + count - 1, entries + count); };
        toFront(node->droppable);
        toFront(node->childRss);
        toFront(node->childTrace);
        toFront(node->childDoubleTrace);
        toFront(node->childError);
        descendDropTree(*node, 0, *next);
        std::swap(node, next);
    }
    // A subset met twice (a path node is its parent's cheapest child) is
    // put off once.
    std::sort(seeds.begin(), seeds.end(), [](const DeferredFit& a, const DeferredFit& b) { return a.mask < b.mask; });
    seeds.erase(std::unique(seeds.begin(), seeds.end(),
                            [](const DeferredFit& a, const DeferredFit& b) { return a.mask == b.mask; }),
                seeds.end());
    return seeds;
}

// The root the lists are seeded from (listSeeds), the widest; null where
// they are not seeded. Not the one list by RSS: its best are the largest
// sets, at the top of the tree, which the walk meets first, and the seeds'
// descent only adds to the search (9.5 M instructions against 7.3 M
// without it on noise at k = 31). The other criteria put their best in the
// middle sizes, deep down (AIC on noise: 18% fewer instructions with the
// seeds at k = 22, 11% at k = 31).
const SubsetRoot* seedRoot(const SearchSettings& settings, const SubsetPlan& plan) {
    if (!settings.deferring || plan.roots.empty()) return nullptr;
    if (!settings.perSize && settings.criterion == RankCriterion::ResidualSumOfSquares) return nullptr;
    return &*std::max_element(plan.roots.begin(), plan.roots.end(), [](const SubsetRoot& a, const SubsetRoot& b) {
        return subsetSize(a.droppable) < subsetSize(b.droppable);
    });
}

// Seeds the lists of a search on several threads before they start; each
// thread's Search counts the seeds in its ceilings.
void seedLists(SearchSettings& settings, const SubsetPlan& plan) {
    const SubsetRoot* root = seedRoot(settings, plan);
    if (root == nullptr) return;
    Search seeder(settings, false);
    settings.seeds = listSeeds(seeder, *root);
    for (const DeferredFit& seed : settings.seeds) settings.seeded.push_back(seed.mask);
}

// The same for a search on this thread alone, in the levels of its own
// tree: a seeder's levels would be a second block, whose pages a short
// search pays to fault in afresh each time (18 faults of a search of 1 ms,
// a third of its time).
void seedOwnLists(Search& search, const SubsetPlan& plan) {
    const SubsetRoot* root = seedRoot(search, plan);
    if (root == nullptr) return;
    search.seeds = listSeeds(search, *root);
    for (const DeferredFit& seed : search.seeds) {
        search.seeded.push_back(seed.mask);  // ascending: listSeeds sorts them by mask
        const std::size_t index = listIndex(search, seed.mask);
        deferFit(search.deferred[index], search.keepCount, seed);
        refreshLimit(search, index);
    }
}

// Walks this thread's share of the roots' trees and, where fits were put
// off, fits those that may still enter. deferralFailed: one of those fell
// outside its bounds (fitDeferred).
// The roots of a counted part are searched a chunk at a time: each chunk
// sorted as a plan's roots are (rootBefore), for the shared leading
// factors, in at most 1 MiB.
constexpr std::size_t countedChunkRoots = std::size_t{1} << 16;
// Consecutive roots of a chunk are one task, so that each thread estimates
// runs of roots that share leading factors (RootFactorsInDouble) rather
// than every other root: n = 20, k = 27 on two threads took 0.70 s with a
// task per root and 0.58 to 0.65 s with 32 (one thread: 1.0 s); 128 and
// 512 took the same as 32.
constexpr std::size_t countedRootsPerTask = 32;

// Takes the roots of a counted part (forEachCountedRoot) into chunks and
// searches each chunk's roots in turn, countedRootsPerTask consecutive
// roots one task. Every thread of a run forms the same chunks alike; what
// a chunk leaves out (for size, or without the request's forced variables)
// is one task, counted as decided by the thread that takes it. The same
// for covering roots (forEachCoveringRoot, covering: true), which come in
// order already and leave nothing out.
struct CountedRoots {
    Search& search;
    bool covering = false;
    std::uint64_t leftOutCount = 0;

    bool root(const SubsetRoot& root) {
        search.countedChunk.push_back(root);
        return search.countedChunk.size() < countedChunkRoots || searchChunk();
    }
    void leftOut(std::uint64_t count) { leftOutCount += count; }

    // False if the search stopped.
    bool searchChunk() {
        std::vector<SubsetRoot>& chunk = search.countedChunk;
        if (!covering) {
            sortRoots(chunk.begin(), chunk.end());
            std::uint64_t decided = leftOutCount;
            leftOutCount = 0;
            restrictToForced(search.forced, chunk, decided);
            if (takeTask(search)) {
                search.decided += decided;
                reportProgress(search);
            }
        }
        for (std::size_t first = 0; first < chunk.size(); first += countedRootsPerTask) {
            if (!takeTask(search)) continue;
            const std::size_t last = std::min(chunk.size(), first + countedRootsPerTask);
            for (std::size_t at = first; at < last; ++at) {
                covering ? searchCoveringRoot(search, chunk[at]) : searchTakenRoot(search, chunk[at]);
                if (search.stopped) return false;
            }
        }
        chunk.clear();
        return true;
    }
};

// The roots of one counted part of the plan; false if the search stopped.
bool walkCountedPart(Search& search, const SubsetPlan& plan, const CountedPart& part) {
    if (search.countedChunk.capacity() == 0) search.countedChunk.reserve(countedChunkRoots);
    CountedRoots sink{search};
    if (!forEachCountedRoot(plan, part.forced, part.candidates, sink)) return false;
    return sink.searchChunk();
}

// The covering roots, in chunks as a counted part's; false if the search
// stopped.
bool walkCoveringRoots(Search& search) {
    if (search.countedChunk.capacity() == 0) search.countedChunk.reserve(countedChunkRoots);
    CountedRoots sink{search, true};
    if (!forEachCoveringRoot(*search.cover, sink)) return false;
    return sink.searchChunk();
}

void walkRoots(Search& search, const SubsetPlan& plan, bool split, bool& deferralFailed) {
    if (search.cover != nullptr) {
        if (walkCoveringRoots(search) && search.deferring && !fitDeferred(search)) deferralFailed = true;
        return;
    }
    for (const SubsetRoot& root : plan.roots) {
        searchRoot(search, root, split);
        if (search.stopped) return;
    }
    for (const CountedPart& part : plan.countedParts) {
        if (!walkCountedPart(search, plan, part)) return;
    }
    if (search.deferring && !fitDeferred(search)) deferralFailed = true;
}

// The plan's roots with one thread: the search as it always ran, each
// subtree walked in order, progress published as it goes. Answers whether
// it finished (not stopped).
bool searchOnThisThread(const SearchSettings& settings, const SubsetPlan& plan, std::uint64_t decided,
                        SearchTally& tally, bool& deferralFailed) {
    Search search(settings, true);
    seedOwnLists(search, plan);
    search.decided = decided;
    search.publishes = true;
    reportProgress(search);
    walkRoots(search, plan, false, deferralFailed);
    tally = search.tally;
    return !search.stopped;
}

// The most roots whose trees are each dealt out in parts; with more, each
// root is one task (a root's start costs as much as many of its members'
// fits, and every thread would start every root).
constexpr std::size_t mostSplitRoots = 64;

// How often the watching thread publishes the workers' progress.
constexpr std::chrono::milliseconds progressInterval{25};

// The same on threads threads, the parts of the trees dealt out among them.
// Each thread fits what it put off as soon as its walk is done.
bool searchOnThreads(const SearchSettings& settings, const SubsetPlan& plan, std::uint64_t decided,
                     std::size_t threads, SearchTally& tally, bool& deferralFailed) {
    SharedWork& work = *settings.shared;
    work.decided.store(decided, std::memory_order_relaxed);
    work.nextTask.store(0, std::memory_order_relaxed);
    // (A plan split by count may plan a root's part again: each of its
    // roots is one thread's.)
    const bool split = plan.roots.size() <= mostSplitRoots && !plan.byRows;
    std::vector<SearchTally> tallies(threads);
    std::atomic<bool> anyDeferralFailed{false};
    const auto searchPart = [&](std::size_t index) {
        try {
            Search search(settings, index == 0);
            search.dealing = true;
            search.taskMine = work.nextTask.fetch_add(1, std::memory_order_relaxed);
            bool failed = false;
            walkRoots(search, plan, split, failed);
            if (failed) anyDeferralFailed.store(true, std::memory_order_relaxed);
            flushProgress(search);
            tallies[index] = search.tally;
            if (search.stopped) work.stopped.store(true, std::memory_order_relaxed);
        } catch (...) {
            work.failed.store(true, std::memory_order_relaxed);
            throw;
        }
    };
    RunProgress& progress = *settings.progress;
    runOnWorkerThreads(threads, searchPart, progressInterval, [&] {
        progress.publishDecided(std::min(work.decided.load(std::memory_order_relaxed), settings.lastProgress));
    });
    for (const SearchTally& part : tallies) {
        tally.extendedNodes += part.extendedNodes;
        tally.doubleNodes += part.doubleNodes;
        tally.exactFits += part.exactFits;
        tally.exactFitsTaken += part.exactFitsTaken;
        tally.rootsEstimated += part.rootsEstimated;
        tally.rootsDecidedInDouble += part.rootsDecidedInDouble;
        tally.partsPlannedExactly += part.partsPlannedExactly;
        tally.coveringRoots += part.coveringRoots;
    }
    deferralFailed = anyDeferralFailed.load(std::memory_order_relaxed);
    return !work.stopped.load(std::memory_order_relaxed);
}

// The search of the plan on the request's threads. Where a fit put off
// fell outside its bounds (not expected), the whole search again, each
// subset fitted as it is reached.
bool searchPlan(SearchSettings& settings, const SubsetPlan& plan, std::uint64_t decided, std::uint32_t threads,
                SearchTally& tally) {
    if (threads > 1) seedLists(settings, plan);
    for (std::uint64_t repeated = 0;; ++repeated) {
        bool deferralFailed = false;
        const bool finished = threads <= 1
                                  ? searchOnThisThread(settings, plan, decided, tally, deferralFailed)
                                  : searchOnThreads(settings, plan, decided, threads, tally, deferralFailed);
        if (!finished || !deferralFailed) {
            tally.searchesRepeated = repeated;
            return finished;
        }
        SharedLists& kept = settings.shared->kept;
        for (std::vector<RankedSubset>& list : kept.lists) list.clear();
        kept.version.fetch_add(1, std::memory_order_relaxed);
        settings.deferring = false;
        settings.seeds.clear();
        settings.seeded.clear();
    }
}

// Whether a search covers the sets of n − 2 variables with overlapping
// roots (covering_roots.h) instead of the plan's parts split by count:
// where the rows fix the rank, for one list by a criterion whose list the
// sets of n − 2 head on such data (one residual degree of freedom and an
// RSS near 0: the RSS, the mean square, AIC and BIC), so that their RSS
// decides nearly every part below them at once. Per-size lists, AICc and
// Cp rank smaller sets, whose parts would mostly be searched, each from an
// extended start of its own; forced variables leave the plan's parts.
bool coversFewRows(const SubsetPlan& plan, const SubsetRequest& request, std::int64_t largestRanked) {
    if (!plan.byRows || request.perSize > 0 || request.forced != 0) return false;
    if (largestRanked + 2 != static_cast<std::int64_t>(plan.rows)) return false;
    switch (request.criterion) {
    case RankCriterion::ResidualSumOfSquares:
    case RankCriterion::ResidualMeanSquare:
    case RankCriterion::InformationCriterion:
    case RankCriterion::BayesInformationCriterion:
        return true;
    default:
        return false;
    }
}

// A y whose centred sum of squares is at most this share of its uncentred
// one is surely constant for the exact fit (its level is 2^-80, decided in
// double-double to far better than this factor of 2), and one above
// noVarianceShare·4 surely is not; in between the search leaves the verdict
// to the screening.
constexpr double noVarianceShare = 0x1p-81;

// Checks the data and plans the subtrees; the verdict says whether the
// bound can be used. noVariance: y is constant, so no subset is a model.
DropTreeTrust prepare(const DataColumn& y, const std::vector<DataColumn>& columns, const CrossProducts& products,
                      RankCriterion criterion, ScaledSystem& system, SubsetMask& excluded, SubsetPlan& plan,
                      bool& noVariance) {
    noVariance = false;
    if (products.at(products.yIndex(), products.yIndex()) == 0.0) {
        noVariance = true;
        return DropTreeTrust::Trusted;
    }
    // The scales first (the pivoting check is left for when the constant
    // columns are known), so that the double-double sums stay in range.
    SubsetMask zeroColumns = 0;
    const SubsetMask every = firstVariables(columns.size());
    if (checkDropTree(products, every, zeroColumns) != DropTreeTrust::Trusted) return DropTreeTrust::ScaleOutOfRange;
    // The double-double sums the scaled system is formed from are the
    // extended cross-products the refits take: formed once, and offered.
    const auto extended = std::make_shared<ExtendedCrossProducts>();
    formExtendedCrossProducts(products, *extended);
    offerExtendedCrossProducts(products, extended);
    if (!formScaledSystem(*extended, system) || system.yShare <= noVarianceShare) {
        noVariance = true;
        return DropTreeTrust::Trusted;
    }
    const DropTreeTrust trust = checkDropTree(products, system.constant, zeroColumns);
    if (trust != DropTreeTrust::Trusted) return trust;
    if (system.yShare <= 4.0 * noVarianceShare) return DropTreeTrust::ScaleOutOfRange;
    const std::size_t k = columns.size();
    const SubsetMask all = firstVariables(k);
    excluded = zeroColumns;
    if (!(uncentredFactor(products, zeroColumns | system.constant) <= maxUncentredFactor)) {
        return DropTreeTrust::Uncentred;
    }
    const std::int64_t largest = std::max<std::int64_t>(largestRankedSize(criterion, y.size()), 0);
    // The roots worth bounding, and those a plan may store.
    const std::uint64_t costRoots =
        std::max(rankableSubsets(k - subsetSize(excluded), largest) / rootCost, leastMaxRoots);
    const std::uint64_t maxRoots = std::min(costRoots, mostMaxRoots);
    if (!planSubsetRoots(system, all & ~excluded, static_cast<std::size_t>(maxRoots), plan,
                         static_cast<std::size_t>(largest), std::min(costRoots, mostCountedRoots))) {
        return DropTreeTrust::TooManyRoots;
    }
    return DropTreeTrust::Trusted;
}

}  // namespace

DropTreeTrust boundedSearchVerdict(const DataColumn& y, const std::vector<DataColumn>& columns,
                                   RankCriterion criterion) {
    if (columns.empty()) return DropTreeTrust::Trusted;
    CrossProducts products;
    formCrossProducts(y, columns, products);
    const auto system = std::make_unique<ScaledSystem>();
    SubsetMask excluded = 0;
    SubsetPlan plan;
    bool noVariance = false;
    return prepare(y, columns, products, criterion, *system, excluded, plan, noVariance);
}

bool searchBestSubsets(const DataColumn& y, const std::vector<DataColumn>& columns, std::vector<RankedSubset>& kept,
                       std::uint32_t keepCount, RankCriterion criterion, RunProgress& progress) {
    return searchBestSubsets(y, columns, kept, overallRequest(keepCount, criterion), progress);
}

bool searchBestSubsets(const DataColumn& y, const std::vector<DataColumn>& columns, std::vector<RankedSubset>& kept,
                       const SubsetRequest& request, RunProgress& progress, SearchTally* tally) {
    const std::size_t k = columns.size();
    const std::uint32_t keepCount = listCapacity(request);
    if (k == 0) return screenSubsets(y, columns, kept, request, progress);
    if (progress.stopping()) {
        kept.clear();
        return false;
    }
    const std::uint64_t subsets = nonEmptySubsets(k);
    if (keepCount == 0) {
        // Nothing is kept: every subset is decided at once.
        kept.clear();
        progress.publishDecided(subsets - 1u);
        return true;
    }

    CrossProducts products;
    formCrossProducts(y, columns, products);
    const auto system = std::make_unique<ScaledSystem>();
    SubsetMask excluded = 0;
    SubsetPlan plan;
    bool noVariance = false;
    if (prepare(y, columns, products, request.criterion, *system, excluded, plan, noVariance) !=
        DropTreeTrust::Trusted) {
        return screenSubsets(y, columns, kept, request, progress);
    }
    if (noVariance) {
        kept.clear();
        progress.publishDecided(subsets - 1u);
        return true;
    }
    SharedWork work;
    SearchSettings settings;
    settings.products = &products;
    settings.system = system.get();
    settings.offsetFactor = uncentredFactor(products, excluded | system->constant);
    settings.criterion = request.criterion;
    settings.largestRanked = largestRankedSize(request.criterion, y.size());
    settings.cpScale = request.cpScale;
    settings.perSize = request.perSize > 0;
    settings.keepCount = keepCount;
    settings.cutting = criterionHasCut(request.criterion);
    settings.variables = k;
    settings.progress = &progress;
    settings.lastProgress = subsets - 1u;
    settings.shared = &work;
    kept.clear();
    // The lists grow as they fill; a large keepCount is not reserved up front.
    work.kept.lists.resize(settings.perSize ? k + 1 : 1);
    for (std::vector<RankedSubset>& list : work.kept.lists) {
        list.reserve(static_cast<std::size_t>(std::min<std::uint64_t>({keepCount, subsets, 4096})));
    }

    // Subsets that hold a zero column, and those the plan found singular,
    // are decided without a fit.
    const std::size_t usable = k - subsetSize(excluded);
    std::uint64_t decided = (subsets - nonEmptySubsets(usable)) + plan.rejected;
    restrictToForced(request.forced, plan.roots, decided);
    CoveringRoots cover;
    if (coversFewRows(plan, request, settings.largestRanked)) {
        cover = coveringRoots(firstVariables(k) & ~excluded, plan.rows - 1);
        if (cover.modulus > 1) {
            // The sets of n − 1 variables or more are never ranked; the
            // cover's parts hold every smaller one.
            settings.cover = &cover;
            decided = subsets - nonEmptySubsets(usable);
            for (std::size_t size = plan.rows - 1; size <= usable; ++size) decided += subsetsOfSize(usable, size);
        }
    }
    // Exact fits are put off (deferred_fits.h).
    settings.deferring = true;
    settings.planByRows = plan.byRows;
    settings.forced = request.forced;
    SearchTally counted;
    const bool finished = searchPlan(settings, plan, decided, request.threads, counted);
    if (tally != nullptr) {
        tally->extendedNodes += counted.extendedNodes;
        tally->doubleNodes += counted.doubleNodes;
        tally->exactFits += counted.exactFits;
        tally->exactFitsTaken += counted.exactFitsTaken;
        tally->searchesRepeated += counted.searchesRepeated;
        tally->rootsEstimated += counted.rootsEstimated;
        tally->rootsDecidedInDouble += counted.rootsDecidedInDouble;
        tally->partsPlannedExactly += counted.partsPlannedExactly;
        tally->coveringRoots += counted.coveringRoots;
    }
    finish(work.kept, settings.perSize, kept);
    if (!finished) return false;
    // Every subset has been decided by now: the count rests at 2^k − 2, as
    // the screening's does.
    progress.publishDecided(settings.lastProgress);
    return true;
}
