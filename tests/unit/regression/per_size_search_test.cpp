// Per-size lists by RSS, where the bounded search seeds every size's list
// before its walk and puts exact fits off to the end: the lists against the
// exhaustive screening on data whose subtrees take each path (squares and
// products of uncentred measurements, near-exact fits, exact fits, the hard
// kinds), and the ceiling that decides fits put off.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "kept_list_compare.h"
#include "subset_search/bounded_search.h"
#include "subset_search/deferred_fits.h"
#include "subset_search/screening.h"
#include "search_test_data.h"

namespace {

SubsetRequest perSizeByRss(std::uint32_t perSize, SubsetMask forced = 0) {
    SubsetRequest request;
    request.criterion = RankCriterion::ResidualSumOfSquares;
    request.perSize = perSize;
    request.forced = forced;
    return request;
}

// A uniform number in [0, 1) from a 64-bit linear congruential generator.
double measuredUniform(std::uint64_t& state) {
    state = state * 6364136223846793005u + 1442695040888963407u;
    return static_cast<double>(state >> 11) * 0x1p-53;
}

// Measurements as analysts shape them: `base` uncentred columns (values
// around centre with spreads of 5 to 20, as temperatures or pressures are),
// their squares, then products of pairs in order until there are k
// columns; y a combination of a few of them plus noise of relative size
// noise (0: y is that combination exactly). The squares and products of
// uncentred values are strongly collinear with their factors, as on the
// benchmark's real sheets. Centred as the search driver centres them.
Dataset measuredDataset(std::size_t n, std::size_t base, std::size_t k, double noise, std::uint64_t seed,
                        double centre = 50.0) {
    std::uint64_t state = seed;
    Dataset data;
    data.name = "measurements around " + std::to_string(centre) + " n=" + std::to_string(n) + " k=" + std::to_string(k) +
                " noise=" + std::to_string(noise) + " seed=" + std::to_string(seed);
    for (std::size_t j = 0; j < base; ++j) {
        DataColumn column(n);
        const double spread = 5.0 + 15.0 * measuredUniform(state);
        for (double& value : column) value = centre + spread * (measuredUniform(state) - 0.5);
        data.columns.push_back(column);
    }
    for (std::size_t j = 0; j < base && data.columns.size() < k; ++j) {
        DataColumn square = data.columns[j];
        for (double& value : square) value *= value;
        data.columns.push_back(square);
    }
    for (std::size_t a = 0; a < base && data.columns.size() < k; ++a) {
        for (std::size_t b = a + 1; b < base && data.columns.size() < k; ++b) {
            DataColumn product(n);
            for (std::size_t i = 0; i < n; ++i) product[i] = data.columns[a][i] * data.columns[b][i];
            data.columns.push_back(product);
        }
    }
    data.y.assign(n, 0.0);
    for (std::size_t i = 0; i < n; ++i) {
        data.y[i] = 3.0 * data.columns[0][i] - 0.02 * data.columns[base][i] + 0.5 * data.columns[1][i] +
                    noise * 400.0 * (measuredUniform(state) - 0.5);
    }
    centreDataset(data);
    return data;
}

TEST(PerSizeSearch, ListsByRssEqualTheScreeningsOnSquaresAndProductsOfMeasurements) {
    // Noise from clear (1) to a near-exact fit (1e-7, whose subtrees stay
    // extended and whose fits are made at once) and an exact one (0: every
    // superset of the three columns ranks by mask); 1 to 10 per size, more
    // than some nodes have children; forced columns among the collinear
    // ones.
    struct Shape {
        double centre;
        double noise;
    };
    const Shape shapes[] = {{50.0, 1.0}, {50.0, 0.05}, {50.0, 1e-7}, {50.0, 0.0}, {1000.0, 1.0}, {1000.0, 1e-7}};
    for (std::size_t k : sweepSizes({10u, 13u, 15u})) {
        for (const Shape& shape : shapes) {
            const Dataset data = measuredDataset(120, 5, k, shape.noise, 7 * k + 1, shape.centre);
            for (std::uint32_t perSize : {1u, 3u, 10u}) {
                for (SubsetMask forced : {SubsetMask{0}, SubsetMask{1}, SubsetMask{0b100010}}) {
                    const SubsetRequest request = perSizeByRss(perSize, forced);
                    EXPECT_TRUE(sameList(boundedList(data, request), screenedList(data, request)))
                        << data.name << ", per size " << perSize << ", forced " << forced;
                }
            }
        }
    }
}

TEST(PerSizeSearch, ListsByRssEqualTheScreeningsOnEveryHardKindWithTenOfEachSize) {
    for (HardKind kind : hardKinds) {
        const Dataset data = hardDataset(kind, 60, 13, 31);
        for (std::uint32_t perSize : {2u, 10u, 40u}) {
            const SubsetRequest request = perSizeByRss(perSize);
            EXPECT_TRUE(sameList(boundedList(data, request), screenedList(data, request)))
                << hardKindName(kind) << ", per size " << perSize;
        }
    }
}

TEST(PerSizeSearch, CollinearMeasurementsRunInTheDoubleTree) {
    // Squares and products of measurements around 1000 (spreads of 5 to
    // 20) have traces in the millions; with a clear signal their subtrees
    // still run in double, where an extended node costs about seven double
    // ones (at 2^-20 of the RSS per drop instead of 2^-16, 389 of 1,855
    // nodes here were extended).
    const Dataset data = measuredDataset(200, 5, 15, 1.0, 3, 1000.0);
    SearchTally tally;
    const std::vector<RankedSubset> kept = boundedList(data, perSizeByRss(10), &tally);
    EXPECT_EQ(kept.size(), 14u * 10 + 1);  // ten of each size 1 … 14, the one subset of 15
    EXPECT_GT(tally.doubleNodes, 0u);
    EXPECT_LT(tally.extendedNodes, tally.doubleNodes / 10);
}

TEST(PerSizeSearch, SubtreesOfExactFitsAreSetAsideForTheSizesBelowTheExactFit) {
    // With y fitted by a few columns up to rounding, every subset that keeps
    // them is an exact fit, and the subtrees below such subsets go by index.
    // Their members of the sizes below the exact fit's must drop one of its
    // columns, which costs nearly all of y·y: the bounds by size set those
    // sizes aside. Without them every such subtree is entered for the lists
    // of those sizes (here 1,551 nodes against 291 with them).
    const Dataset data = hardDataset(HardKind::NearExact12, 200, 18, 5);
    SearchTally tally;
    const SubsetRequest request = perSizeByRss(10);
    const std::vector<RankedSubset> kept = boundedList(data, request, &tally);
    EXPECT_TRUE(sameList(kept, screenedList(data, request)));
    const std::uint64_t nodes = tally.extendedNodes + tally.doubleNodes;
    EXPECT_LT(nodes, 600u) << "extended " << tally.extendedNodes << ", double " << tally.doubleNodes;
}

TEST(DeferredFits, TheCeilingIsTheCapacityThSmallestUpperBound) {
    DeferredList list;
    EXPECT_TRUE(ceilingAllows(list, 3, 1e300));  // not full: anything may enter
    for (double most : {5.0, 9.0, 2.0}) noteCeiling(list, 3, most);
    EXPECT_TRUE(ceilingAllows(list, 3, 9.0));  // equal may still enter
    EXPECT_FALSE(ceilingAllows(list, 3, std::nextafter(9.0, 10.0)));
    noteCeiling(list, 3, 12.0);  // above the ceiling: changes nothing
    EXPECT_FALSE(ceilingAllows(list, 3, 9.5));
    noteCeiling(list, 3, 4.0);  // 2, 4, 5
    EXPECT_TRUE(ceilingAllows(list, 3, 5.0));
    EXPECT_FALSE(ceilingAllows(list, 3, 5.5));
    EXPECT_EQ(list.ceiling.size(), 3u);
}

TEST(DeferredFits, ThinningDropsOnlyWhatTheCeilingRulesOut) {
    // Pending subsets with least = most = i for i = 200 … 1 (the worst
    // first): with a capacity of 2 the ceiling ends at 2, and every pending
    // subset it still allows (least ≤ 2) must survive the thinning, however
    // many have been dropped.
    DeferredList list;
    for (std::uint64_t i = 200; i >= 1; --i) {
        const double value = static_cast<double>(i);
        deferFit(list, 2, DeferredFit{i, value, value, {}});
    }
    EXPECT_LT(list.pending.size(), 200u);  // thinned at 64 and 128 entries
    std::vector<SubsetMask> left;
    for (const DeferredFit& fit : list.pending) {
        if (ceilingAllows(list, 2, fit.least)) left.push_back(fit.mask);
    }
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<SubsetMask>{1, 2}));
    // A ceiling that was never full drops nothing.
    DeferredList open;
    for (std::uint64_t i = 0; i < 300; ++i) deferFit(open, 1000, DeferredFit{i, 1.0, 2.0, {}});
    EXPECT_EQ(open.pending.size(), 300u);
}

}  // namespace
