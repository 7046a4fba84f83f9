#pragma once
// The differential tests' comparison of two kept lists.
#include <gtest/gtest.h>

#include <vector>

#include "exact_compare.h"
#include "subset_search/ranked_subset.h"

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
