#include "subset_search/covering_roots.h"

#include <algorithm>
#include <cmath>

CoveringRoots coveringRootsOf(SubsetMask candidates, std::size_t rootSize, std::uint32_t modulus,
                              std::uint32_t secondModulus) {
    CoveringRoots cover;
    cover.candidates = candidates;
    cover.rootSize = rootSize;
    cover.modulus = modulus;
    cover.secondModulus = secondModulus;
    std::size_t place = 0;
    for (SubsetMask rest = candidates; rest != 0; rest = withoutLowestVariable(rest), ++place) {
        const std::size_t v = lowestVariable(rest);
        const std::size_t weight = place % modulus;
        const std::size_t second = place / modulus % secondModulus;
        cover.weightOf[v] = static_cast<std::uint8_t>(weight);
        cover.ofWeight[weight] |= variableMask(v);
        cover.secondWeightOf[v] = static_cast<std::uint8_t>(second);
        cover.ofSecondWeight[second] |= variableMask(v);
    }
    return cover;
}

double estimatedCoveringRoots(SubsetMask candidates, std::size_t rootSize, std::uint32_t modulus) {
    const std::size_t count = subsetSize(candidates);
    if (rootSize == 0 || rootSize > count) return 0.0;
    const auto sets = [](std::size_t n, std::size_t r) { return static_cast<double>(subsetsOfSize(n, r)); };
    // Modulus 1 is the plan split by count: the sets that hold the lowest
    // candidate.
    if (modulus == 1) return sets(count - 1, rootSize - 1);
    // The sets of weight 0 (about one in m), and a set of rootSize − 1 with
    // no owner of weight 0 holds every candidate of the weight it needs:
    // taking that weight as any of the m alike, a share of
    // C(c − s_w, t − 1 − s_w)/C(c, t − 1) of them for the s_w candidates of
    // weight w. Their roots own about two each.
    double uncovered = 0.0;
    for (std::uint32_t w = 0; w < modulus; ++w) {
        const std::size_t size = count / modulus + (w < count % modulus ? 1 : 0);
        if (size <= rootSize - 1) uncovered += sets(count - size, rootSize - 1 - size);
    }
    return sets(count, rootSize) / modulus + uncovered / modulus / 2.0;
}

CoveringRoots coveringRoots(SubsetMask candidates, std::size_t rootSize) {
    const std::size_t count = subsetSize(candidates);
    std::uint32_t best = 1;
    double least = estimatedCoveringRoots(candidates, rootSize, 1);
    for (std::uint32_t m = 2; m <= mostCoveringModulus && m <= count; ++m) {
        const double roots = estimatedCoveringRoots(candidates, rootSize, m);
        if (roots < least) {
            least = roots;
            best = m;
        }
    }
    const std::uint32_t second = std::max<std::uint32_t>(
        1, std::min<std::uint32_t>(coveringSecondModulus, static_cast<std::uint32_t>(count)));
    return coveringRootsOf(candidates, rootSize, best, second);
}
