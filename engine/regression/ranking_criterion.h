#pragma once
// The value by which subsets are ranked, and which subsets are ranked at all.
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "regression/ranked_subset.h"

// Sets value to the criterion of a fit with residual sum of squares rss, n
// rows and d variables, and answers whether the subset takes part in the
// ranking. It does not when it has no residual degrees of freedom
// (n − d − 1 ≤ 0, formed in signed arithmetic: its statistics cannot be
// finite, and a mean square over a wrapped-around divisor would put it at
// the top), or when the criterion is NaN (it has no place in an order).
// +∞ passes here; the screening's threshold keeps it out.
inline bool rankingCriterion(RankCriterion criterion, double rss, std::size_t n, std::size_t d, double& value) {
    const std::int64_t residualDf = static_cast<std::int64_t>(n) - static_cast<std::int64_t>(d) - 1;
    if (residualDf <= 0) {
        return false;
    }
    switch (criterion) {
    case RankCriterion::ResidualSumOfSquares:
        value = rss;
        break;
    case RankCriterion::ResidualMeanSquare:
        value = rss / static_cast<double>(residualDf);
        break;
    default: {
        const double rows = static_cast<double>(n);
        value = rows * std::log(rss / rows) + 2.0 * static_cast<double>(d);
        break;
    }
    }
    return !std::isnan(value);
}
