#pragma once
// What a best-subset search keeps: the best subsets overall, or the best of
// each size, optionally only among the subsets that hold given variables.
#include <cstdint>

#include "regression/data_column.h"
#include "subset_search/ranked_subset.h"

struct SubsetRequest {
    RankCriterion criterion = RankCriterion::InformationCriterion;
    std::uint32_t keepCount = 10;  // the length of the one list (when perSize is 0)
    // When positive: the perSize best subsets of each size instead of one
    // list, smaller sizes first, each size in rank order (leaps' nbest).
    std::uint32_t perSize = 0;
    SubsetMask forced = 0;        // every kept subset holds these variables (leaps' force.in)
    double cpScale = 0.0;         // Mallows' Cp: the residual mean square it is measured against (> 0)
    // The threads the bounded search runs on (the calling thread waits while
    // they work); 1 runs it on the calling thread itself. How the work is
    // shared never changes the lists.
    std::uint32_t threads = 1;
};

// The longest a list of one size (per size) or of all sizes may become.
inline std::uint32_t listCapacity(const SubsetRequest& request) {
    return request.perSize > 0 ? request.perSize : request.keepCount;
}

// The request of the library's runs: one list of keepCount subsets by
// criterion.
inline SubsetRequest overallRequest(std::uint32_t keepCount, RankCriterion criterion) {
    SubsetRequest request;
    request.criterion = criterion;
    request.keepCount = keepCount;
    return request;
}
