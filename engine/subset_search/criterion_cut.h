#pragma once
// The information criteria compared against a list's threshold in RSS, so
// that the bounded search needs no logarithm for most of its bounds.
//
// For a fixed size the rounded criterion never decreases as the RSS grows
// (ranking_criterion.h). So one RSS whose criterion is below a threshold W
// shows every smaller RSS below W, and one whose criterion is above W shows
// every larger RSS above W. A cut holds two such RSS values, one a little
// below and one a little above the RSS at which the criterion meets W,
// each checked with the criterion itself: an RSS at or below the first,
// or at or above the second, is decided exactly as the criterion would
// decide it; only the narrow band between them needs the criterion.
#include <cstddef>
#include <limits>

#include "subset_search/ranked_subset.h"

struct CriterionCut {
    double threshold = std::numeric_limits<double>::quiet_NaN();  // W (NaN: no cut formed yet)
    double surelyBelow = 0.0;  // criterion(surelyBelow) < W; 0 decides nothing
    double surelyAbove = std::numeric_limits<double>::infinity();  // criterion(surelyAbove) > W; +∞ decides nothing
};

// Whether the criterion has cuts: AIC and BIC, whose logarithm costs far
// more than the comparison of two doubles.
bool criterionHasCut(RankCriterion criterion);

// Forms the cut of criterion (one with cuts) for subsets of size variables
// out of rows rows against the finite threshold. Where no RSS near the
// crossing can be checked (the crossing outside the doubles' range) the cut
// decides nothing.
CriterionCut formCriterionCut(RankCriterion criterion, std::size_t rows, std::size_t size, double threshold);

// −1 when the criterion of rss (positive) is surely below the cut's
// threshold, +1 when surely above, 0 when the criterion must decide.
inline int compareWithCut(const CriterionCut& cut, double rss) {
    if (rss <= cut.surelyBelow) return -1;
    if (rss >= cut.surelyAbove) return 1;
    return 0;
}
