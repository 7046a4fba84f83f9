#include "subset_search/subset_roots.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "regression/double_double_pair.h"
#include "regression/factor_kernels.h"
#include "regression/subset_mask.h"

namespace {

// The Schur complement of the forced variables' block in the scaled system,
// on the candidates: entry (i, j) for the i-th and j-th candidate in
// ascending order, row stride count. Its diagonal holds each candidate's
// residual share after the forced variables.
struct Complement {
    std::size_t count = 0;
    std::uint8_t variables[maxExplanatoryVariables];
    std::vector<DoubleDouble> entries;

    DoubleDouble& at(std::size_t i, std::size_t j) { return entries[i * count + j]; }
    const DoubleDouble& at(std::size_t i, std::size_t j) const { return entries[i * count + j]; }
};

struct Planner {
    const ScaledSystem* system = nullptr;
    std::size_t maxRoots = 0;
    std::size_t largestSize = 0;
    SubsetPlan* plan = nullptr;
    // Where not 0: the parts below the top may be split by count
    // (forEachCountedRoot), up to this many roots in all.
    std::uint64_t countedRoots = 0;
    // levels[f]: the complement of the forced variables at recursion depth
    // f (f forced variables), kept while the parts below it are planned;
    // work: the copy the pivoted elimination of one part runs on.
    std::vector<Complement> levels;
    std::vector<DoubleDouble> work;
};

void setVariables(SubsetMask mask, Complement& complement) {
    complement.count = 0;
    for (SubsetMask rest = mask; rest != 0; rest = withoutLowestVariable(rest)) {
        complement.variables[complement.count++] = static_cast<std::uint8_t>(lowestVariable(rest));
    }
    complement.entries.resize(complement.count * complement.count);
}

// The candidates of complement that are dependent on the forced variables
// and the independent candidates before them, by a pivoted Cholesky
// elimination of the complement (the candidate of largest remaining pivot
// first, the first of equal ones in the order the swaps of a pivoted
// elimination leave): the same pivots as a factorisation of the forced
// variables and then the candidates, without factorising the forced ones
// again for every part.
//
// Left-looking: each pivot's column of the Schur complement is formed from
// the columns before it only for the candidates still left, and the
// remaining pivots are updated from it; about half the operations of
// updating the whole complement at each step (which the pivots alone do
// not need). work holds the columns, each also times its pivot's
// reciprocal (the multipliers).
SubsetMask dependentCandidates(const Complement& complement, std::vector<DoubleDouble>& work) {
    const std::size_t count = complement.count;
    if (work.size() < 2 * count * count) work.resize(2 * count * count);
    DoubleDouble* columns = work.data();                   // columns[t·count + i]: pivot t's column
    DoubleDouble* multipliers = work.data() + count * count;  // the same times 1 / pivot t
    DoubleDouble diagonal[maxExplanatoryVariables];
    std::size_t order[maxExplanatoryVariables];
    for (std::size_t i = 0; i < count; ++i) {
        diagonal[i] = complement.at(i, i);
        order[i] = i;
    }
    for (std::size_t p = 0; p < count; ++p) {
        std::size_t q = p;
        for (std::size_t r = p + 1; r < count; ++r) {
            if (diagonal[order[r]].hi > diagonal[order[q]].hi) q = r;
        }
        if (!(diagonal[order[q]].hi > dependentLevel)) {
            SubsetMask dependent = 0;
            for (std::size_t r = p; r < count; ++r) dependent |= variableMask(complement.variables[order[r]]);
            return dependent;
        }
        std::swap(order[p], order[q]);
        const std::size_t pivot = order[p];
        const DoubleDouble reciprocal = DoubleDouble{1.0, 0.0} / diagonal[pivot];
        DoubleDouble* column = columns + p * count;
        DoubleDouble* multiplier = multipliers + p * count;
        // The earlier pivots' multipliers on this pivot's row, prepared for
        // the lanes of a pair.
        PairFactor earlier[maxExplanatoryVariables];
        for (std::size_t t = 0; t < p; ++t) earlier[t] = factorOf(broadcast(multipliers[t * count + pivot]));
        // Column p on the candidates left: the complement's entry less the
        // earlier columns' parts, two candidates at a time.
        std::size_t r = p + 1;
        for (; r + 2 <= count; r += 2) {
            const std::size_t a = order[r];
            const std::size_t b = order[r + 1];
            DoubleDoublePair value = pairOf(complement.at(a, pivot), complement.at(b, pivot));
            for (std::size_t t = 0; t < p; ++t) {
                value = value - earlier[t] * pairOf(columns[t * count + a], columns[t * count + b]);
            }
            column[a] = firstOf(value);
            column[b] = secondOf(value);
        }
        if (r < count) {
            const std::size_t a = order[r];
            DoubleDouble value = complement.at(a, pivot);
            for (std::size_t t = 0; t < p; ++t) value = value - multipliers[t * count + pivot] * columns[t * count + a];
            column[a] = value;
        }
        // The multipliers, and the pivots left.
        for (std::size_t rest = p + 1; rest < count; ++rest) {
            const std::size_t a = order[rest];
            multiplier[a] = column[a] * reciprocal;
            diagonal[a] = diagonal[a] - multiplier[a] * column[a];
        }
    }
    return 0;
}

// The complement of the forced variables and `added` (slot s of parent) on
// the candidates of child (a subset of parent's, without `added`): one more
// step of the elimination, the same operations as the factorisation takes
// for it.
void eliminate(const Complement& parent, std::size_t s, Complement& child) {
    std::size_t from[maxExplanatoryVariables];
    for (std::size_t i = 0, j = 0; i < child.count; ++i) {
        while (parent.variables[j] != child.variables[i]) ++j;
        from[i] = j;
    }
    const DoubleDouble pivot = parent.at(s, s);
    // The pivot's row gathered once; each row gathered into the child and
    // eliminated in place.
    DoubleDouble pivotRow[maxExplanatoryVariables];
    for (std::size_t j = 0; j < child.count; ++j) pivotRow[j] = parent.at(s, from[j]);
    // The complement is symmetric: each row from its diagonal on, mirrored.
    for (std::size_t i = 0; i < child.count; ++i) {
        DoubleDouble* row = &child.at(i, 0);
        for (std::size_t j = i; j < child.count; ++j) row[j] = parent.at(from[i], from[j]);
        eliminateRow(row, parent.at(from[i], s) / pivot, pivotRow, i, child.count);
        for (std::size_t j = i + 1; j < child.count; ++j) child.at(j, i) = row[j];
    }
}

// Plans the part whose members hold every forced variable (depth of them)
// and any of candidates; levels[depth] holds the forced variables'
// complement on candidates, and every forced variable has a residual share
// above dependentLevel after the forced ones before it.
bool split(Planner& planner, std::size_t depth, SubsetMask forced, SubsetMask candidates) {
    SubsetPlan& plan = *planner.plan;
    const Complement& complement = planner.levels[depth];
    const SubsetMask dependent = dependentCandidates(complement, planner.work);
    const SubsetMask independent = candidates & ~dependent;
    const bool rowsRank = forced == 0 && dependent != 0 && subsetSize(independent) + 1 >= planner.system->rows;
    if (rowsRank) {
        // The rank is that of the rows (n − 1), so nearly every set of
        // n − 1 variables becomes a root: known too many before the work.
        const std::uint64_t roots = subsetsOfSize(subsetSize(candidates), subsetSize(independent));
        if (roots > (planner.countedRoots != 0 ? planner.countedRoots : planner.maxRoots)) return false;
    }
    if (plan.roots.size() >= planner.maxRoots) return false;
    plan.roots.push_back({forced | independent, independent});
    if (rowsRank && planner.countedRoots != 0) {
        // The rest by count, as the search goes (forEachCountedRoot).
        plan.byRows = true;
        SubsetMask later = dependent;
        for (SubsetMask rest = dependent; rest != 0; rest = withoutLowestVariable(rest)) {
            const SubsetMask first = rest & (~rest + 1u);
            later &= ~first;
            if (1 > planner.largestSize) {
                plan.rejected += std::uint64_t{1} << subsetSize(independent | later);
                continue;
            }
            plan.countedParts.push_back({first, independent | later});
        }
        return true;
    }
    SubsetMask later = dependent;
    for (SubsetMask rest = dependent; rest != 0; rest = withoutLowestVariable(rest)) {
        const SubsetMask first = rest & (~rest + 1u);
        later &= ~first;
        const SubsetMask childCandidates = independent | later;
        // forced is not empty below, so candidates hold at most 63 variables.
        const std::uint64_t members = std::uint64_t{1} << subsetSize(childCandidates);
        if (subsetSize(forced) + 1 > planner.largestSize) {
            // Every member holds more variables than a ranked subset can.
            plan.rejected += members;
            continue;
        }
        std::size_t s = 0;
        while (variableMask(complement.variables[s]) != first) ++s;
        if (!(complement.at(s, s).hi > dependentLevel)) {
            // The new forced variable is a combination of the forced ones
            // before it: every member is singular under the rank rule.
            plan.rejected += members;
            continue;
        }
        if (planner.levels.size() <= depth + 1) planner.levels.emplace_back();
        // (levels may have moved: the complement is taken again.)
        Complement& child = planner.levels[depth + 1];
        setVariables(childCandidates, child);
        eliminate(planner.levels[depth], s, child);
        if (!split(planner, depth + 1, forced | first, childCandidates)) return false;
    }
    return true;
}

// An empty plan of the system's rows and the largest ranked size.
void clearPlan(const ScaledSystem& system, std::size_t largestSize, SubsetPlan& plan) {
    plan.roots.clear();
    plan.rejected = 0;
    plan.byRows = false;
    plan.countedParts.clear();
    plan.rows = system.rows;
    plan.largestSize = largestSize;
}

// The planner's first level: the scaled system on the variables of mask.
void startLevels(SubsetMask mask, Planner& planner) {
    planner.levels.reserve(maxExplanatoryVariables + 1);
    planner.levels.emplace_back();
    Complement& top = planner.levels[0];
    setVariables(mask, top);
    for (std::size_t i = 0; i < top.count; ++i) {
        for (std::size_t j = 0; j < top.count; ++j) top.at(i, j) = planner.system->at(top.variables[i], top.variables[j]);
    }
}

}  // namespace

bool planSubsetRoots(const ScaledSystem& system, SubsetMask candidates, std::size_t maxRoots, SubsetPlan& plan,
                     std::size_t largestSize, std::uint64_t countedRoots) {
    clearPlan(system, largestSize, plan);
    if (candidates == 0) return true;
    Planner planner{&system, maxRoots, largestSize, &plan, countedRoots, {}, {}};
    startLevels(candidates, planner);
    if (!split(planner, 0, 0, candidates)) return false;
    // The first root (no forced variable, the largest subtree) stays first;
    // the others follow in the lexicographic order of their variables, so
    // that consecutive roots share as many leading variables as possible
    // and the tree factorises only the rest (startDropTree). With few rows
    // consecutive roots of n = 20, k = 24 then share 14.6 of their 19
    // variables on average, against 7.2 in the order they are planned in.
    if (plan.roots.size() > 2) sortRoots(plan.roots.begin() + 1, plan.roots.end());
    return true;
}

bool planSubsetPart(const ScaledSystem& system, SubsetMask forced, SubsetMask candidates, std::size_t maxRoots,
                    SubsetPlan& plan, std::size_t largestSize) {
    clearPlan(system, largestSize, plan);
    const std::uint64_t members = (std::uint64_t{1} << subsetSize(candidates)) - (forced == 0 ? 1u : 0u);
    if (subsetSize(forced) > largestSize) {
        plan.rejected = members;
        return true;
    }
    Planner planner{&system, maxRoots, largestSize, &plan, 0, {}, {}};
    startLevels(forced | candidates, planner);
    // The forced variables eliminated in ascending order, each checked as
    // split checks a forced variable: one that is a combination of those
    // before it makes every member singular.
    std::size_t depth = 0;
    SubsetMask eliminated = 0;
    for (SubsetMask rest = forced; rest != 0; rest = withoutLowestVariable(rest), ++depth) {
        const SubsetMask first = rest & (~rest + 1u);
        const Complement& complement = planner.levels[depth];
        std::size_t s = 0;
        while (variableMask(complement.variables[s]) != first) ++s;
        if (!(complement.at(s, s).hi > dependentLevel)) {
            plan.rejected = members;
            return true;
        }
        eliminated |= first;
        planner.levels.emplace_back();
        Complement& child = planner.levels[depth + 1];
        setVariables((forced | candidates) & ~eliminated, child);
        eliminate(planner.levels[depth], s, child);
    }
    return split(planner, depth, forced, candidates);
}
