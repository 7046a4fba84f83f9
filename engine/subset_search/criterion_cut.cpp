#include "subset_search/criterion_cut.h"

#include <cmath>

#include "subset_search/ranking_criterion.h"

namespace {

// The band each side of the crossing: 2^-24 of the RSS moves n·ln(RSS/n)
// by n·6e-8, while the rounding of the criterion and of the crossing formed
// here are some ulps of magnitudes below n·750 + 2·k (relative errors of
// order 1e-13 of the band); the checks below make the cut exact whatever
// those errors are, the band only keeps the checks from failing.
constexpr double band = 0x1p-24;

}  // namespace

bool criterionHasCut(RankCriterion criterion) {
    return criterion == RankCriterion::InformationCriterion || criterion == RankCriterion::BayesInformationCriterion;
}

CriterionCut formCriterionCut(RankCriterion criterion, std::size_t rows, std::size_t size, double threshold) {
    CriterionCut cut;
    cut.threshold = threshold;
    if (!std::isfinite(threshold)) return cut;
    const double n = static_cast<double>(rows);
    const double d = static_cast<double>(size);
    // The RSS at which n·ln(RSS/n) + penalty = W.
    const double penalty = criterion == RankCriterion::BayesInformationCriterion ? d * std::log(n) : 2.0 * d;
    const double crossing = n * std::exp((threshold - penalty) / n);
    if (!(crossing > 0.0) || !std::isfinite(crossing)) return cut;
    double value = 0.0;
    const double below = crossing * (1.0 - band);
    if (rankingCriterion(criterion, below, rows, size, value) && value < threshold) cut.surelyBelow = below;
    const double above = crossing * (1.0 + band);
    if (rankingCriterion(criterion, above, rows, size, value) && value > threshold) cut.surelyAbove = above;
    return cut;
}
