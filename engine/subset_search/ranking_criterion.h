#pragma once
// The value by which subsets are ranked, and which subsets are ranked at all.
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "subset_search/ranked_subset.h"

// Sets value to the criterion of a fit with residual sum of squares rss, n
// rows and d variables, and answers whether the subset takes part in the
// ranking. It does not when it has no residual degrees of freedom
// (n − d − 1 ≤ 0, formed in signed arithmetic: its statistics cannot be
// finite, and a mean square over a wrapped-around divisor would put it at
// the top), or when the criterion is NaN (it has no place in an order).
// +∞ passes here; the screening's threshold keeps it out. cpScale is the
// residual mean square Mallows' Cp is measured against (positive; only Cp
// reads it).
//
// Each value is formed by a fixed sequence of operations that are each
// monotone in rss, so the rounded criterion never decreases as rss grows
// (the bounded search's bounds rely on it).
inline bool rankingCriterion(RankCriterion criterion, double rss, std::size_t n, std::size_t d, double& value,
                             double cpScale = 0.0) {
    const std::int64_t residualDf = static_cast<std::int64_t>(n) - static_cast<std::int64_t>(d) - 1;
    if (residualDf <= 0) {
        return false;
    }
    const double rows = static_cast<double>(n);
    const double size = static_cast<double>(d);
    switch (criterion) {
    case RankCriterion::ResidualSumOfSquares:
        value = rss;
        break;
    case RankCriterion::ResidualMeanSquare:
        value = rss / static_cast<double>(residualDf);
        break;
    case RankCriterion::BayesInformationCriterion:
        value = rows * std::log(rss / rows) + size * std::log(rows);
        break;
    case RankCriterion::MallowsCp:
        value = rss / cpScale - rows + 2.0 * (size + 1.0);
        break;
    default:
        value = rows * std::log(rss / rows) + 2.0 * size;
        break;
    }
    return !std::isnan(value);
}
