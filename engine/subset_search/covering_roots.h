#pragma once
// Roots for few rows (n ≤ k + 1) whose drops cover the sets of n − 2
// variables with fewer roots than a plan that splits the subsets.
//
// Every set of n − 1 candidates fits y exactly, and a set S of n − 2 has
// no bound but its own RSS: each is formed as the drop of one variable from
// a root of n − 1, which gives n − 1 of them at once. The plan split by
// count (subset_roots.h) roots the sets of n − 1 that hold the lowest
// candidate and uses only their initial runs, 2.4 drops a root at n = 20,
// k = 31: C(k − 1, n − 2) = 86.5 million roots. Here the roots overlap and
// any drop may be used, so that each root offers more of its drops:
//   - each candidate has a weight, its place among the candidates mod m;
//     a set's weight is the sum of its members' mod m;
//   - the owner of S is S ∪ {x}, x the lowest candidate outside S that
//     gives that union the weight 0;
//   - where there is none (every candidate of the weight S needs is in S),
//     the same with a second weight, (place div m) mod m₂, under which the
//     candidates of one first weight all differ;
//   - where there is none either, x is the lowest candidate outside S;
//   - a root is a set of n − 1 candidates that owns at least one drop, and
//     it offers exactly the drops it owns.
// So every set of n − 2 candidates is offered once, by a root that holds
// it. At n = 20, k = 31 with m = 7 and m₂ = 5: 20.2 million roots of weight
// 0 (9.4 drops each), 7.6 million of second weight 0 (2.0 each) and 0.6
// million others, 28.4 million in all. One weight alone needs 32.6 million
// at best (m = 5: 4.5 million roots for the sets it leaves, one drop each),
// and any cover at least C(k, n − 2)/(n − 1) = 10.9 million. m = 1 gives
// the plan split by count again (every set is of weight 0, and a root owns
// its initial run); coveringRoots takes the modulus whose estimated count
// of roots is least.
//
// The smaller sets are split among the sets of n − 2 as the plan split by
// count splits all sets among its roots: a set P of fewer than n − 2
// belongs to S = P with its lowest missing candidates added, and S's part
// is S ∖ R for every R within S's initial run of candidates (runOf). So
// the part of each S is bounded by S's RSS when its owner offers it.
#include <cstddef>
#include <cstdint>

#include "regression/data_column.h"
#include "regression/subset_mask.h"
#include "subset_search/subset_roots.h"

struct CoveringRoots {
    SubsetMask candidates = 0;
    std::size_t rootSize = 0;  // n − 1
    std::uint32_t modulus = 1;
    std::uint32_t secondModulus = 1;
    // weightOf[v]: candidate v's weight (its place among the candidates,
    // mod modulus); ofWeight[w]: the candidates of weight w. The same for
    // the second weight ((place div modulus) mod secondModulus).
    std::uint8_t weightOf[maxExplanatoryVariables] = {};
    std::uint8_t secondWeightOf[maxExplanatoryVariables] = {};
    SubsetMask ofWeight[maxExplanatoryVariables] = {};
    SubsetMask ofSecondWeight[maxExplanatoryVariables] = {};
};

// The most moduli coveringRoots weighs, and its second modulus (other
// second moduli from 3 to 6 come within 4% of it at n = 20, k = 31).
constexpr std::uint32_t mostCoveringModulus = 8;
constexpr std::uint32_t coveringSecondModulus = 5;

// The cover of the sets of rootSize − 1 candidates by the given moduli
// (each from 1 to the candidates' count).
CoveringRoots coveringRootsOf(SubsetMask candidates, std::size_t rootSize, std::uint32_t modulus,
                              std::uint32_t secondModulus = coveringSecondModulus);

// The cover whose estimated count of roots is least, among the moduli 1 …
// mostCoveringModulus (and at most the candidates' count).
CoveringRoots coveringRoots(SubsetMask candidates, std::size_t rootSize);

// The estimated count of roots of a modulus: the sets of weight 0, and a
// root for every two sets of rootSize − 1 that no such set holds as a drop
// (1.5 to 2.0 drops for each root of the second weight at n = 20, k = 31).
double estimatedCoveringRoots(SubsetMask candidates, std::size_t rootSize, std::uint32_t modulus);

// The run of candidates from the lowest that set holds: the lowest, the
// next, … up to the first candidate set lacks.
inline SubsetMask runOf(SubsetMask candidates, SubsetMask set) {
    const SubsetMask missing = candidates & ~set;
    return set & candidates & ((missing & (~missing + 1u)) - 1u);
}

// How many subsets the parts of a root's owned drops hold (owned: the
// variables dropped). A part is its set and every set that drops some of
// the set's initial run: 2^r for a run of r, one fewer where the run is
// the whole set (the empty set is no member). A set without a variable of
// the root's initial run has the part of that run below the variable; a
// set without any other variable has the root's whole run.
inline std::uint64_t coveredMembers(const CoveringRoots& cover, SubsetMask root, SubsetMask owned) {
    const SubsetMask run = runOf(cover.candidates, root);
    const std::size_t setSize = cover.rootSize - 1;
    const auto members = [setSize](std::size_t runSize) {
        return (std::uint64_t{1} << runSize) - (runSize == setSize ? 1u : 0u);
    };
    std::uint64_t count = subsetSize(owned & ~run) * members(subsetSize(run));
    for (SubsetMask rest = owned & run; rest != 0; rest = withoutLowestVariable(rest)) {
        const SubsetMask lowest = rest & (~rest + 1u);
        count += members(subsetSize(run & (lowest - 1u)));
    }
    return count;
}

// The drops root (a set of rootSize candidates, of weight rootWeight and
// second weight secondWeight) owns, as the variables it drops for them (0:
// it is not a root).
inline SubsetMask ownedDrops(const CoveringRoots& cover, SubsetMask root, std::uint32_t rootWeight,
                             std::uint32_t secondWeight) {
    const SubsetMask outside = cover.candidates & ~root;
    // Where some candidate outside the set below gives it its weight: S =
    // root ∖ {j} has the weight −w(j) of a root of weight 0, and a
    // candidate x outside S gives it weight 0 when w(x) = w(j). j owns S
    // when no candidate outside the root below j has j's weight.
    const auto lowestOfEachWeight = [outside](const SubsetMask* ofWeight, std::uint32_t m, SubsetMask among) {
        SubsetMask owned = 0;
        for (std::uint32_t w = 0; w < m; ++w) {
            const SubsetMask others = ofWeight[w] & outside;
            const SubsetMask below = others == 0 ? ~SubsetMask{0} : (others & (~others + 1u)) - 1u;
            owned |= ofWeight[w] & among & below;
        }
        return owned;
    };
    const std::uint32_t m = cover.modulus;
    if (rootWeight == 0) return lowestOfEachWeight(cover.ofWeight, m, root);
    // Not of weight 0: S = root ∖ {j} is a set without an owner of weight 0
    // where no candidate outside S has the weight it needs, w(j) −
    // rootWeight (j itself has another): the root holds that weight whole.
    SubsetMask left = 0;
    for (std::uint32_t w = 0; w < m; ++w) {
        std::uint32_t needed = w + m - rootWeight;  // (mod m: below 2m)
        if (needed >= m) needed -= m;
        if ((cover.ofWeight[needed] & outside) == 0) left |= cover.ofWeight[w] & root;
    }
    if (left == 0) return 0;
    // Those sets by the second weight alike, and the ones it leaves too by
    // the lowest candidate outside them: j in the root's initial run.
    const std::uint32_t m2 = cover.secondModulus;
    if (secondWeight == 0) return lowestOfEachWeight(cover.ofSecondWeight, m2, left);
    SubsetMask owned = 0;
    for (std::uint32_t w = 0; w < m2; ++w) {
        std::uint32_t needed = w + m2 - secondWeight;
        if (needed >= m2) needed -= m2;
        if ((cover.ofSecondWeight[needed] & outside) == 0) owned |= cover.ofSecondWeight[w] & left;
    }
    return owned & runOf(cover.candidates, root);
}

// Every root of the cover, in the lexicographic order of their variables
// (rootBefore), as SubsetRoot{root, owned drops} to sink.root(root), which
// answers false to stop (the answer is then false too). Every set of
// rootSize candidates is looked at once: 141 million at n = 20, k = 31.
template <class Sink>
bool forEachCoveringRoot(const CoveringRoots& cover, Sink& sink) {
    const std::size_t t = cover.rootSize;
    // The candidates by place, and their weights (sums of weights are
    // kept below m by subtracting m, not by a division).
    std::uint8_t variable[maxExplanatoryVariables];
    std::uint32_t placeWeight[maxExplanatoryVariables];
    std::uint32_t placeSecondWeight[maxExplanatoryVariables];
    std::size_t count = 0;
    for (SubsetMask rest = cover.candidates; rest != 0; rest = withoutLowestVariable(rest)) {
        variable[count] = static_cast<std::uint8_t>(lowestVariable(rest));
        placeWeight[count] = cover.weightOf[variable[count]];
        placeSecondWeight[count] = cover.secondWeightOf[variable[count]];
        ++count;
    }
    if (t == 0 || t > count) return true;
    const std::uint32_t m = cover.modulus;
    const std::uint32_t m2 = cover.secondModulus;
    // place[i]: the place among the candidates of the root's i-th variable;
    // prefix masks and weights of places 0 … i − 1 in mask[i], weight[i]
    // and secondWeight[i].
    std::size_t place[maxExplanatoryVariables + 1];
    SubsetMask mask[maxExplanatoryVariables + 1];
    std::uint32_t weight[maxExplanatoryVariables + 1];
    std::uint32_t secondWeight[maxExplanatoryVariables + 1];
    mask[0] = 0;
    weight[0] = 0;
    secondWeight[0] = 0;
    std::size_t from = 0;  // the first place whose prefix must be formed again
    for (std::size_t i = 0; i < t; ++i) place[i] = i;
    while (true) {
        for (std::size_t i = from; i + 1 < t; ++i) {
            mask[i + 1] = mask[i] | variableMask(variable[place[i]]);
            weight[i + 1] = weight[i] + placeWeight[place[i]];
            if (weight[i + 1] >= m) weight[i + 1] -= m;
            secondWeight[i + 1] = secondWeight[i] + placeSecondWeight[place[i]];
            if (secondWeight[i + 1] >= m2) secondWeight[i + 1] -= m2;
        }
        // The last variable runs through the places after the one before
        // it, but only two kinds of root can own a drop: those of weight 0
        // (the candidates of one weight as the last), and those that hold
        // every candidate of some weight (a set without an owner of weight
        // 0 holds the weight it needs whole): one the prefix holds already
        // (then any last may do), or one the last completes.
        const SubsetMask prefix = mask[t - 1];
        // (The prefix always leaves a place after it: place[t − 2] ≤ count − 2.)
        const std::size_t first = t == 1 ? 0 : place[t - 2] + 1;
        const std::uint32_t needed = weight[t - 1] == 0 ? 0 : m - weight[t - 1];
        SubsetMask visit = cover.ofWeight[needed];
        if (m > 1) {
            SubsetMask whole = 0;  // the lasts that leave a weight whole in the root
            for (std::uint32_t w = 0; w < m; ++w) {
                const SubsetMask missing = cover.ofWeight[w] & ~prefix;
                if (missing == 0) {
                    whole = cover.candidates;
                    break;
                }
                if (withoutLowestVariable(missing) == 0) whole |= missing;
            }
            // Of those, a root owns a drop only by the second weight (its
            // second weight 0: the lasts of one second weight) or by the
            // lowest candidate missing (which needs an initial run: the
            // lowest candidate in the prefix).
            if (whole != 0 && (t == 1 || (prefix & variableMask(variable[0])) == 0)) {
                const std::uint32_t second = secondWeight[t - 1] == 0 ? 0 : m2 - secondWeight[t - 1];
                whole &= cover.ofSecondWeight[second];
            }
            visit |= whole;
        }
        visit &= ~(variableMask(variable[first]) - 1u);
        for (; visit != 0; visit = withoutLowestVariable(visit)) {
            const std::size_t last = lowestVariable(visit);
            const SubsetMask root = prefix | variableMask(last);
            std::uint32_t rootWeight = weight[t - 1] + cover.weightOf[last];
            if (rootWeight >= m) rootWeight -= m;
            std::uint32_t rootSecondWeight = secondWeight[t - 1] + cover.secondWeightOf[last];
            if (rootSecondWeight >= m2) rootSecondWeight -= m2;
            const SubsetMask owned = ownedDrops(cover, root, rootWeight, rootSecondWeight);
            if (owned != 0 && !sink.root(SubsetRoot{root, owned})) return false;
        }
        // The next prefix in lexicographic order: the rightmost place of the
        // first t − 1 that can still move moves up by one, and the places
        // after it follow it.
        if (t == 1) return true;
        std::size_t i = t - 1;
        while (i > 0 && place[i - 1] == count - t + i - 1) --i;
        if (i == 0) return true;
        ++place[i - 1];
        for (std::size_t j = i; j < t - 1; ++j) place[j] = place[j - 1] + 1;
        from = i - 1;
    }
}
