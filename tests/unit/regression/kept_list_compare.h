#pragma once
// The differential tests' comparison of two kept lists.
#include <gtest/gtest.h>

#include <vector>

#include "exact_compare.h"
#include "subset_search/bounded_search.h"
#include "subset_search/ranked_subset.h"
#include "subset_search/screening.h"
#include "test_data.h"

// The same masks in the same order with bit-identical criteria.
inline ::testing::AssertionResult sameList(const std::vector<RankedSubset>& got, const std::vector<RankedSubset>& want) {
    if (got.size() != want.size()) {
        return ::testing::AssertionFailure() << got.size() << " entries instead of " << want.size();
    }
    for (std::size_t i = 0; i < got.size(); ++i) {
        if (got[i].mask != want[i].mask || !sameDouble(got[i].criterion, want[i].criterion)) {
            return ::testing::AssertionFailure() << "entry " << i << ": mask " << got[i].mask << ", "
                                                 << exactText(got[i].criterion) << " instead of mask " << want[i].mask
                                                 << ", " << exactText(want[i].criterion);
        }
    }
    return ::testing::AssertionSuccess();
}

// The kept lists of the bounded search and of the exhaustive screening for
// a request, each starting from a list it must empty first.
inline std::vector<RankedSubset> boundedList(const Dataset& data, const SubsetRequest& request,
                                             SearchTally* tally = nullptr) {
    std::vector<RankedSubset> kept{{77, 1.0}};
    RunProgress progress;
    EXPECT_TRUE(searchBestSubsets(data.y, data.columns, kept, request, progress, tally));
    return kept;
}

inline std::vector<RankedSubset> screenedList(const Dataset& data, const SubsetRequest& request) {
    std::vector<RankedSubset> kept{{77, 1.0}};
    RunProgress progress;
    EXPECT_TRUE(screenSubsets(data.y, data.columns, kept, request, progress));
    return kept;
}
