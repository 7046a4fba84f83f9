#include "subset_search/subset_roots.h"

#include <utility>

#include "regression/scratch_array.h"
#include "regression/subset_mask.h"

namespace {

struct Planner {
    const ScaledSystem* system = nullptr;
    std::size_t maxRoots = 0;
    std::size_t largestSize = 0;
    SubsetPlan* plan = nullptr;
};

// The variables of mask in ascending order; answers how many.
std::size_t variablesOf(SubsetMask mask, std::size_t* into) {
    std::size_t count = 0;
    for (SubsetMask rest = mask; rest != 0; rest = withoutLowestVariable(rest)) into[count++] = lowestVariable(rest);
    return count;
}

// The variables of candidates that are dependent on forced and the
// independent part of candidates before them, by a Cholesky factorisation
// of the scaled system of forced ∪ candidates with forced first (in
// ascending order) and then the candidate of largest remaining pivot. False
// when a forced variable is itself dependent on the forced ones before it.
bool dependentVariables(const ScaledSystem& system, SubsetMask forced, SubsetMask candidates, SubsetMask& dependent) {
    std::size_t order[maxExplanatoryVariables];
    const std::size_t forcedCount = variablesOf(forced, order);
    const std::size_t count = forcedCount + variablesOf(candidates, order + forcedCount);
    // The Schur complement of the variables factorised so far, in place.
    // (Unset storage: only the count × count part is written and read.)
    ScratchArray<DoubleDouble[maxExplanatoryVariables], maxExplanatoryVariables> a;
    for (std::size_t i = 0; i < count; ++i) {
        for (std::size_t j = 0; j < count; ++j) a[i][j] = system.at(order[i], order[j]);
    }
    dependent = 0;
    for (std::size_t p = 0; p < count; ++p) {
        std::size_t q = p;
        if (p >= forcedCount) {
            for (std::size_t r = p + 1; r < count; ++r) {
                if (a[r][r].hi > a[q][q].hi) q = r;
            }
        }
        if (!(a[q][q].hi > dependentLevel)) {
            if (p < forcedCount) return false;
            for (std::size_t r = p; r < count; ++r) dependent |= variableMask(order[r]);
            return true;
        }
        if (q != p) {
            std::swap(order[p], order[q]);
            for (std::size_t r = 0; r < count; ++r) std::swap(a[p][r], a[q][r]);
            for (std::size_t r = 0; r < count; ++r) std::swap(a[r][p], a[r][q]);
        }
        const DoubleDouble pivot = a[p][p];
        for (std::size_t i = p + 1; i < count; ++i) {
            const DoubleDouble factor = a[i][p] / pivot;
            for (std::size_t j = p + 1; j < count; ++j) a[i][j] = a[i][j] - factor * a[p][j];
        }
    }
    return true;
}

bool split(Planner& planner, SubsetMask forced, SubsetMask candidates) {
    SubsetPlan& plan = *planner.plan;
    if (subsetSize(forced) > planner.largestSize) {
        // Every member holds more variables than a ranked subset can.
        // forced is not empty here, so candidates hold at most 63 variables.
        plan.rejected += std::uint64_t{1} << subsetSize(candidates);
        return true;
    }
    SubsetMask dependent = 0;
    if (!dependentVariables(*planner.system, forced, candidates, dependent)) {
        plan.rejected += std::uint64_t{1} << subsetSize(candidates);
        return true;
    }
    const SubsetMask independent = candidates & ~dependent;
    if (forced == 0 && dependent != 0 && subsetSize(independent) + 1 >= planner.system->rows &&
        subsetsOfSize(subsetSize(candidates), subsetSize(independent)) > planner.maxRoots) {
        // The rank is that of the rows (n − 1), so nearly every set of
        // n − 1 variables becomes a root: known too many before the work.
        return false;
    }
    if (plan.roots.size() >= planner.maxRoots) return false;
    plan.roots.push_back({forced | independent, independent});
    SubsetMask later = dependent;
    for (SubsetMask rest = dependent; rest != 0; rest = withoutLowestVariable(rest)) {
        const SubsetMask first = rest & (~rest + 1u);
        later &= ~first;
        if (!split(planner, forced | first, independent | later)) return false;
    }
    return true;
}

}  // namespace

bool planSubsetRoots(const ScaledSystem& system, SubsetMask candidates, std::size_t maxRoots, SubsetPlan& plan,
                     std::size_t largestSize) {
    plan.roots.clear();
    plan.rejected = 0;
    if (candidates == 0) return true;
    Planner planner{&system, maxRoots, largestSize, &plan};
    return split(planner, 0, candidates);
}
