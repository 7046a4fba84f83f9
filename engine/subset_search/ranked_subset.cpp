#include "subset_search/ranked_subset.h"

RankCriterion rankCriterionFromCode(std::int32_t code) {
    switch (code) {
    case 0:
        return RankCriterion::ResidualSumOfSquares;
    case 1:
        return RankCriterion::ResidualMeanSquare;
    default:
        return RankCriterion::InformationCriterion;
    }
}
