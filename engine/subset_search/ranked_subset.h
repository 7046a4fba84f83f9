#pragma once
// A candidate of the subset search and the criteria that rank candidates
// (smaller is better).
#include <cstdint>

#include "regression/data_column.h"

struct RankedSubset {
    SubsetMask mask = 0;
    double criterion = 0.0;
};

enum class RankCriterion : std::int32_t {
    ResidualSumOfSquares = 0,  // RSS
    ResidualMeanSquare = 1,    // RSS / (n - d - 1)
    InformationCriterion = 2,  // n ln(RSS / n) + 2d
    // The command line's further criteria (the library's codes never name
    // them):
    BayesInformationCriterion = 3,  // n ln(RSS / n) + d ln n
    MallowsCp = 4,                  // RSS / s² − n + 2(d + 1), s² the full model's residual mean square
    // Hurvich and Tsai's small-sample AIC: the information criterion plus
    // 2p(p + 1)/(n − p − 1) with p = d + 1 coefficients (the intercept
    // counted, as the table's AIC counts it).
    CorrectedInformationCriterion = 5,
};

// The run's criterion code: 0, 1, and every other value for the information
// criterion.
RankCriterion rankCriterionFromCode(std::int32_t code);
