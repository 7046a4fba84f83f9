#pragma once
// The value by which subsets are ranked, and which subsets are ranked at all.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>

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
// The largest number of variables a ranked subset can hold with n rows:
// n − 2, which leaves one residual degree of freedom; n − 3 for the
// corrected AIC, whose correction has no finite value with one (its
// divisor n − p − 1 is then 0). Negative when no subset can be ranked.
// Larger subsets are never ranked, whatever their fit.
inline std::int64_t largestRankedSize(RankCriterion criterion, std::size_t n) {
    const std::int64_t rows = static_cast<std::int64_t>(n);
    return criterion == RankCriterion::CorrectedInformationCriterion ? rows - 3 : rows - 2;
}

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
    case RankCriterion::CorrectedInformationCriterion: {
        // p = d + 1 coefficients: the correction 2p(p + 1)/(n − p − 1)
        // depends on n and d only, so the value stays monotone in RSS, and
        // it grows with d for a fixed RSS (its numerator grows, its divisor
        // falls). With one residual degree of freedom the divisor is 0 and
        // the value +∞: such a subset takes no place in the list.
        const double coefficients = size + 1.0;
        const double divisor = static_cast<double>(residualDf - 1);
        const double correction =
            residualDf > 1 ? 2.0 * coefficients * (coefficients + 1.0) / divisor : std::numeric_limits<double>::infinity();
        value = rows * std::log(rss / rows) + 2.0 * size + correction;
        break;
    }
    default:
        value = rows * std::log(rss / rows) + 2.0 * size;
        break;
    }
    return !std::isnan(value);
}
