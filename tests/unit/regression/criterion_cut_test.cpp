#include "subset_search/criterion_cut.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>

#include "subset_search/ranking_criterion.h"

namespace {

// What the criterion itself says of rss against the threshold: −1 below,
// +1 above, 0 equal.
int criterionSide(RankCriterion criterion, std::size_t rows, std::size_t size, double rss, double threshold) {
    double value = 0.0;
    EXPECT_TRUE(rankingCriterion(criterion, rss, rows, size, value));
    return value < threshold ? -1 : value > threshold ? 1 : 0;
}

// Every decision of the cut is the criterion's own, for RSS values spread
// over the doubles' range and packed ulp by ulp around the crossing, over
// thresholds of many magnitudes, row counts and sizes; and the cut decides
// all but a narrow band around the crossing.
TEST(CriterionCut, DecidesExactlyAsTheCriterionAndLeavesOnlyANarrowBand) {
    std::mt19937_64 random(19);
    std::uniform_real_distribution<double> exponent(-300.0, 300.0);
    std::uniform_int_distribution<std::size_t> rowCount(3, 100000);
    std::uint64_t decided = 0;
    std::uint64_t asked = 0;
    for (const RankCriterion criterion : {RankCriterion::InformationCriterion, RankCriterion::BayesInformationCriterion}) {
        for (int trial = 0; trial < 400; ++trial) {
            const std::size_t rows = rowCount(random);
            const std::size_t size = 1 + static_cast<std::size_t>(trial) % std::min<std::size_t>(rows - 2, 31);
            // A threshold that some subset actually reaches: the criterion of
            // an RSS somewhere in the range.
            const double reached = std::pow(10.0, exponent(random));
            double threshold = 0.0;
            ASSERT_TRUE(rankingCriterion(criterion, reached, rows, size, threshold));
            const CriterionCut cut = formCriterionCut(criterion, rows, size, threshold);
            ASSERT_GT(cut.surelyBelow, 0.0) << "rows " << rows << " size " << size << " threshold " << threshold;
            ASSERT_LT(cut.surelyAbove, std::numeric_limits<double>::infinity());
            EXPECT_LT(cut.surelyAbove / cut.surelyBelow, 1.0 + 1e-6);
            std::vector<double> probes = {cut.surelyBelow, cut.surelyAbove,
                                          std::nextafter(cut.surelyBelow, 0.0),
                                          std::nextafter(cut.surelyAbove, 1e308), 1e-300, 1e300,
                                          std::numeric_limits<double>::max()};
            for (double x = cut.surelyBelow; x <= cut.surelyAbove; x = x * (1.0 + 1e-9)) probes.push_back(x);
            // Around the RSS that reaches the threshold, whatever the cut
            // made of it: one that put either end on the wrong side fails here.
            for (int j = -300; j <= 300; ++j) probes.push_back(reached * (1.0 + j * 1e-9));
            for (const double step : {1e-6, 1e-4, 1e-2, 0.05}) {
                probes.push_back(reached * (1.0 - step));
                probes.push_back(reached * (1.0 + step));
            }
            for (int i = 0; i < 200; ++i) probes.push_back(std::pow(10.0, exponent(random)));
            for (const double rss : probes) {
                const int side = compareWithCut(cut, rss);
                ++asked;
                if (side == 0) continue;
                ++decided;
                ASSERT_EQ(side, criterionSide(criterion, rows, size, rss, threshold))
                    << "rss " << rss << " rows " << rows << " size " << size << " threshold " << threshold;
            }
        }
    }
    // The probes between the two ends are about half of them; the rest must
    // all have been decided.
    EXPECT_GT(decided, asked / 4);
}

// Thresholds no positive RSS's criterion meets near the doubles' range, and
// infinite ones, give a cut that decides nothing rather than a wrong one.
TEST(CriterionCut, OutOfRangeThresholdsDecideNothing) {
    const double infinity = std::numeric_limits<double>::infinity();
    for (const double threshold : {-infinity, infinity, -1e300, 1e300}) {
        const CriterionCut cut = formCriterionCut(RankCriterion::InformationCriterion, 50, 3, threshold);
        for (const double rss : {1e-300, 1.0, 1e300}) {
            const int side = compareWithCut(cut, rss);
            if (side == 0) continue;
            EXPECT_EQ(side, criterionSide(RankCriterion::InformationCriterion, 50, 3, rss, threshold)) << threshold;
        }
    }
    EXPECT_FALSE(criterionHasCut(RankCriterion::ResidualSumOfSquares));
    EXPECT_FALSE(criterionHasCut(RankCriterion::MallowsCp));
    EXPECT_TRUE(criterionHasCut(RankCriterion::BayesInformationCriterion));
}

}  // namespace
