#include "analysis.h"

#include <gtest/gtest.h>

#include <cmath>

#include "regression/subset_mask.h"
#include "search/search_driver.h"

namespace {

// Three noisy columns, a fourth that is the total of the first two, and two
// dependent variables.
RunBlock sampleBlock() {
    RunBlock block;
    block.explanatoryNames = {"a", "b", "c", "s"};
    block.dependentNames = {"y", "z"};
    block.explanatoryColumns.assign(4, DataColumn(30));
    block.dependentColumns.assign(2, DataColumn(30));
    for (std::size_t r = 0; r < 30; ++r) {
        const double t = static_cast<double>(r);
        block.explanatoryColumns[0][r] = std::sin(t);
        block.explanatoryColumns[1][r] = std::cos(1.7 * t);
        block.explanatoryColumns[2][r] = std::sin(0.3 * t * t);
        block.explanatoryColumns[3][r] = block.explanatoryColumns[0][r] + block.explanatoryColumns[1][r];
        block.dependentColumns[0][r] = 2.0 * std::sin(t) - std::sin(0.3 * t * t) + 0.1 * std::cos(5.0 * t);
        block.dependentColumns[1][r] = std::cos(2.3 * t);
    }
    block.keepCount = 5;
    block.criterion = 0;
    return block;
}

TEST(RunAnalysis, TheLibrarysRequestGivesTheLibrarysTable) {
    const RunBlock block = sampleBlock();
    for (std::int32_t criterion : {0, 1, 2}) {
        RunBlock run = block;
        run.criterion = criterion;
        RunProgress libraryProgress, cliProgress;
        ResultTable table;
        ASSERT_EQ(runSearch(run, libraryProgress, table), SearchOutcome::Completed);
        Analysis analysis;
        ASSERT_EQ(runAnalysis(run, libraryRequest(run), cliProgress, analysis), SearchOutcome::Completed);
        EXPECT_EQ(analysis.table, table) << "criterion " << criterion;
        ASSERT_EQ(analysis.kept.size(), 2u);
        EXPECT_EQ(analysis.ranks[0], (std::vector<std::size_t>{1, 2, 3, 4, 5}));
    }
}

TEST(RunAnalysis, PerSizeForcedRequestsKeepTheirModelsAndRankWithinEachSize) {
    const RunBlock block = sampleBlock();
    AnalysisRequest request;
    request.subsets.criterion = RankCriterion::ResidualSumOfSquares;
    request.subsets.perSize = 2;
    request.subsets.forced = 1u;  // a
    RunProgress progress;
    Analysis analysis;
    ASSERT_EQ(runAnalysis(block, request, progress, analysis), SearchOutcome::Completed);
    ASSERT_EQ(analysis.kept.size(), 2u);
    // Sizes 1 to 3 among the subsets that hold a and not all of a, b, s:
    // {a}; {a,b}, {a,c} (and {a,s}); {a,b,c}, {a,c,s} (and {a,b,s} is
    // singular): 1 + 2 + 2 models.
    for (const std::vector<RankedSubset>& kept : analysis.kept) {
        ASSERT_EQ(kept.size(), 5u);
        for (const RankedSubset& entry : kept) {
            EXPECT_EQ(entry.mask & 1u, 1u) << entry.mask;
            EXPECT_NE(entry.mask & 0b1011u, 0b1011u) << entry.mask;
        }
    }
    EXPECT_EQ(analysis.ranks[0], (std::vector<std::size_t>{1, 1, 2, 1, 2}));
    // Title, header, the models, footer and an empty row per dependent variable.
    EXPECT_EQ(analysis.table.size(), 2u * (5 + 4));
}

TEST(ModelRanks, CountWithinEachSizeOnlyForPerSizeLists) {
    const std::vector<RankedSubset> kept = {{1, 0.0}, {2, 0.0}, {3, 0.0}, {5, 0.0}, {7, 0.0}};
    EXPECT_EQ(modelRanks(kept, true), (std::vector<std::size_t>{1, 2, 1, 2, 1}));
    EXPECT_EQ(modelRanks(kept, false), (std::vector<std::size_t>{1, 2, 3, 4, 5}));
    EXPECT_TRUE(modelRanks({}, true).empty());
}

}  // namespace
