// The bounded search against the exhaustive screening on data with exact
// dependencies, severe collinearity and exact fits: both use the same exact
// fit, so they must keep the same list, bit for bit, and neither may keep a
// subset that holds a dependency whole.
#include <gtest/gtest.h>

#include <cmath>

#include "dependency_test_data.h"
#include "exact_compare.h"
#include "subset_search/bounded_search.h"
#include "regression/least_squares_fit.h"
#include "subset_search/screening.h"
#include "search_test_data.h"

namespace {

std::vector<RankedSubset> listOf(const Dataset& data, std::uint32_t keepCount, std::int32_t code, bool bounded) {
    std::vector<RankedSubset> kept;
    RunProgress progress;
    if (bounded) {
        EXPECT_TRUE(searchBestSubsets(data.y, data.columns, kept, keepCount, rankCriterionFromCode(code), progress));
    } else {
        EXPECT_TRUE(screenSubsets(data.y, data.columns, kept, keepCount, rankCriterionFromCode(code), progress));
    }
    return kept;
}

// Larger data of the same kinds: signal data with a total, a unit
// conversion, a copy and a near copy (1 − R² about 1e-9) among its columns,
// and the same with y fitted exactly by three columns.
std::vector<DependencyCase> largerCases(std::uint64_t seed) {
    std::vector<DependencyCase> cases;
    for (bool exact : {false, true}) {
        DependencyCase test;
        test.data = signalDataset(60, 12, seed);
        std::vector<DataColumn>& x = test.data.columns;
        TestRandom random(seed * 7 + (exact ? 1 : 0));
        for (std::size_t r = 0; r < 60; ++r) {
            x[11][r] = x[0][r] + x[1][r];
            x[10][r] = x[2][r] / 2.54;
            x[9][r] = x[4][r];
            x[8][r] = x[5][r] + 1e-5 * random.between(-1, 1);
            if (exact) test.data.y[r] = 0.7 * x[3][r] - 1.9 * x[6][r] + 0.01 * x[7][r];
        }
        test.data.name = exact ? "signal with dependencies, exact fit" : "signal with dependencies";
        centreDataset(test.data);
        test.dependencies = {{9, {4}}, {10, {2}}, {11, {0, 1}}};
        if (exact) test.fittedBy = {3, 6, 7};
        cases.push_back(test);
    }
    return cases;
}

TEST(DependencySearch, BoundedSearchKeepsTheScreeningsListOnDependentCollinearAndExactlyFittedData) {
    std::vector<DependencyCase> cases = dependencyCases();
    for (std::uint64_t seed : {3u, 4u}) {
        for (DependencyCase& test : largerCases(seed)) cases.push_back(test);
    }
    for (const DependencyCase& test : cases) {
        const Dataset& data = test.data;
        const std::uint32_t all = (std::uint32_t{1} << data.columns.size()) - 1;
        for (std::int32_t code : {0, 1, 2}) {
            for (std::uint32_t keepCount : {1u, 4u, 25u, all}) {
                const std::vector<RankedSubset> screened = listOf(data, keepCount, code, false);
                const std::vector<RankedSubset> bounded = listOf(data, keepCount, code, true);
                ASSERT_EQ(bounded.size(), screened.size()) << data.name << ", criterion " << code << ", keep " << keepCount;
                for (std::size_t i = 0; i < screened.size(); ++i) {
                    EXPECT_EQ(bounded[i].mask, screened[i].mask) << data.name << ", entry " << i;
                    EXPECT_TRUE(sameDouble(bounded[i].criterion, screened[i].criterion))
                        << data.name << ", entry " << i << ": " << exactText(bounded[i].criterion) << " vs "
                        << exactText(screened[i].criterion);
                    for (const KnownDependency& dependency : test.dependencies) {
                        SubsetMask whole = SubsetMask{1} << dependency.column;
                        for (std::size_t c : dependency.combination) whole |= SubsetMask{1} << c;
                        EXPECT_NE(screened[i].mask & whole, whole) << data.name << ": mask " << screened[i].mask;
                    }
                    if (code == 2 && std::isinf(screened[i].criterion)) {
                        // Exact fits come first under the information criterion.
                        EXPECT_TRUE(i == 0 || std::isinf(screened[i - 1].criterion)) << data.name;
                    }
                }
                if (!test.fittedBy.empty() && !screened.empty()) {
                    // The exact fit ranks first under every criterion.
                    SubsetMask exact = 0;
                    for (std::size_t c : test.fittedBy) exact |= SubsetMask{1} << c;
                    EXPECT_EQ(screened[0].mask & exact, exact) << data.name << ", criterion " << code;
                    EXPECT_TRUE(code == 2 ? std::isinf(screened[0].criterion) : screened[0].criterion == 0.0)
                        << data.name << ", criterion " << code << ": " << screened[0].criterion;
                }
            }
        }
    }
}

}  // namespace
