// The progress line's share of the search, up to 64 explanatory variables.
#include "progress_bar.h"

#include <gtest/gtest.h>

#include "regression/subset_mask.h"

namespace {

TEST(ProgressFraction, IsTheDecidedShareOfTheSubsetSpaceUpToSixtyFourVariables) {
    RunProgress progress;
    progress.publishDecided(std::uint64_t{1} << 59);
    EXPECT_NEAR(progressFraction(progress, 1, 60), 0.5, 1e-15);
    // The second of two dependent variables, half done.
    progress.dependentsDone = 1;
    EXPECT_NEAR(progressFraction(progress, 2, 60), 0.75, 1e-15);
    // The library's 32-bit count is held at its largest value here; the
    // share comes from the 64-bit one.
    EXPECT_EQ(progress.subsetsDone.load(), 0xFFFFFFFFu);

    progress.dependentsDone = 0;
    progress.publishDecided(nonEmptySubsets(64) - 1);
    EXPECT_DOUBLE_EQ(progressFraction(progress, 1, 64), 1.0);
    progress.publishDecided(std::uint64_t{1} << 62);
    EXPECT_NEAR(progressFraction(progress, 1, 64), 0.25, 1e-15);

    progress.publishDecided(std::uint64_t{1} << 30);
    EXPECT_NEAR(progressFraction(progress, 1, 31), 0.5, 1e-9);
    EXPECT_EQ(progress.subsetsDone.load(), 1u << 30);
    EXPECT_EQ(progressFraction(progress, 1, 65), 0.0);
    EXPECT_EQ(progressFraction(progress, 0, 40), 0.0);
}

TEST(ProgressLine, ShowsThePercentAndTheTimeLeft) {
    EXPECT_EQ(progressLine(0.5, 10.0), "[###############...............]  50%  0:10 elapsed, about 0:10 left");
    EXPECT_EQ(progressLine(0.0, 3.0), "[..............................]   0%  0:03 elapsed");
}

}  // namespace
