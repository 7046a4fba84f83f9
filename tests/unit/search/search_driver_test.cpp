#include "search/search_driver.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

namespace {

// n rows of three explanatory variables with some signal in y.
RunBlock exampleRun(std::size_t dependents, std::int32_t keepCount, std::int32_t criterion = 0) {
    RunBlock block;
    const std::size_t n = 15;
    block.explanatoryNames = {"A", "B", "C"};
    block.explanatoryColumns.assign(3, DataColumn(n));
    for (std::size_t r = 0; r < n; ++r) {
        const double t = static_cast<double>(r);
        block.explanatoryColumns[0][r] = t;
        block.explanatoryColumns[1][r] = std::sin(t);
        block.explanatoryColumns[2][r] = std::fmod(t * 7.0, 5.0);
    }
    for (std::size_t i = 0; i < dependents; ++i) {
        block.dependentNames.push_back("Y" + std::to_string(i + 1));
        DataColumn y(n);
        for (std::size_t r = 0; r < n; ++r) {
            y[r] = 2.0 * block.explanatoryColumns[0][r] + (static_cast<double>(i) + 1.0) * block.explanatoryColumns[1][r] +
                   std::cos(3.0 * static_cast<double>(r));
        }
        block.dependentColumns.push_back(y);
    }
    block.keepCount = keepCount;
    block.criterion = criterion;
    return block;
}

TEST(RunSearch, TwoDependentVariablesGiveTwoBlocksInOrder) {
    const RunBlock block = exampleRun(2, 2);
    RunProgress progress;
    ResultTable table;
    EXPECT_EQ(runSearch(block, progress, table), SearchOutcome::Completed);
    ASSERT_EQ(table.size(), 12u);
    for (std::size_t r = 0; r < table.size(); ++r) EXPECT_EQ(table[r].size(), 6u) << "row " << r;
    EXPECT_EQ(table[0][0], u"\u3000従属変数: Y1");
    EXPECT_EQ(table[6][0], u"\u3000従属変数: Y2");
    EXPECT_EQ(table[5], ResultRow(6));
    EXPECT_EQ(table[11], ResultRow(6));
    // Progress rests on the last variable's last subset.
    EXPECT_EQ(progress.dependentsDone.load(), 1u);
    EXPECT_EQ(progress.subsetsDone.load(), 6u);
}

TEST(RunSearch, KeepCountBeyondTheSubsetCountListsEverySubset) {
    const RunBlock block = exampleRun(1, 100);
    RunProgress progress;
    ResultTable table;
    runSearch(block, progress, table);
    EXPECT_EQ(table.size(), 7u + 4u);
}

TEST(RunSearch, WithoutDependentVariablesAppendsNothing) {
    RunBlock block = exampleRun(0, 3);
    RunProgress progress;
    ResultTable table;
    EXPECT_EQ(runSearch(block, progress, table), SearchOutcome::Completed);
    EXPECT_TRUE(table.empty());
}

TEST(RunSearch, AStopRequestEndsTheRunWithoutAPartialBlock) {
    const RunBlock block = exampleRun(3, 2);
    RunProgress progress;
    progress.stopRequested = true;
    ResultTable table;
    EXPECT_EQ(runSearch(block, progress, table), SearchOutcome::Stopped);
    EXPECT_TRUE(table.empty());
}

TEST(RunSearch, OffsetsInTheDataLeaveTheTableUnchanged) {
    for (std::int32_t criterion : {0, 1, 2}) {
        const RunBlock plain = exampleRun(1, 7, criterion);
        RunBlock shifted = plain;
        for (double& v : shifted.explanatoryColumns[0]) v += 1.0e6;   // calendar-year-like offset
        for (double& v : shifted.explanatoryColumns[2]) v -= 3.0e4;
        for (double& v : shifted.dependentColumns[0]) v += 5.0e3;
        RunProgress progress;
        ResultTable expected, actual;
        runSearch(plain, progress, expected);
        runSearch(shifted, progress, actual);
        EXPECT_EQ(actual, expected) << "criterion " << criterion;
    }
}

// The textbook line scaled: x times sx, y times sy (both powers of ten,
// so the data are not the textbook's scaled exactly).
RunBlock scaledLine(double sx, double sy) {
    RunBlock block;
    block.explanatoryNames = {"X"};
    block.explanatoryColumns = {{1 * sx, 2 * sx, 3 * sx, 4 * sx}};
    block.dependentNames = {"Y"};
    block.dependentColumns = {{1 * sy, 2 * sy, 4 * sy, 3 * sy}};
    block.keepCount = 5;
    return block;
}

TEST(RunSearch, DataOfAnyMagnitudeGiveTheTableOfTheirOwnValues) {
    // y = 1, 2, 4, 3 on x = 1 … 4: slope 0.8, R² 0.64, adjusted 0.46, RSS
    // 1.8 over n = 4. At 1e-200 (RSS 1.8e-400, below every double) and at
    // 1e140, and with x near 1e-300, the same R²; AIC n·ln(RSS/n) + 2d + 2
    // of the data's own RSS.
    const double ln10 = std::log(10.0);
    const struct {
        double sx, sy, aic;
    } cases[] = {
        {1.0, 1e-200, 4.0 * (std::log(0.45) - 400.0 * ln10) + 4.0},
        {1.0, 1e140, 4.0 * (std::log(0.45) + 280.0 * ln10) + 4.0},
        {1e-300, 1.0, 4.0 * std::log(0.45) + 4.0},
        {1e100, 1e-150, 4.0 * (std::log(0.45) - 300.0 * ln10) + 4.0},
    };
    for (const auto& c : cases) {
        RunProgress progress;
        ResultTable table;
        ASSERT_EQ(runSearch(scaledLine(c.sx, c.sy), progress, table), SearchOutcome::Completed);
        ASSERT_EQ(table.size(), 5u) << c.sx << " " << c.sy;  // one model row
        EXPECT_EQ(table[2][0], u"0.80000") << c.sx << " " << c.sy;
        EXPECT_EQ(table[2][1], u"0.64000") << c.sx << " " << c.sy;
        EXPECT_EQ(table[2][2], u"0.46000") << c.sx << " " << c.sy;
        char expected[32];
        std::snprintf(expected, sizeof expected, "%.5f", c.aic);
        EXPECT_EQ(table[2][3], std::u16string(expected, expected + std::string(expected).size()))
            << c.sx << " " << c.sy;
    }
}

TEST(RunSearch, TimestampsInNanosecondsRankAsTheirOffsetsFromTheFirstDo) {
    // A column of nanosecond timestamps near 1.6e18 against the same column
    // less its first value (small, exact differences): one table.
    RunBlock block = exampleRun(1, 7, 2);
    RunBlock stamps = block;
    for (std::size_t r = 0; r < 15; ++r) {
        block.explanatoryColumns[0][r] = 3e9 * static_cast<double>(r) + 256.0 * static_cast<double>(r * r % 7);
        stamps.explanatoryColumns[0][r] = 1.6e18 + block.explanatoryColumns[0][r];
    }
    RunProgress progress;
    ResultTable expected, actual;
    runSearch(block, progress, expected);
    runSearch(stamps, progress, actual);
    EXPECT_EQ(actual, expected);
}

}  // namespace

namespace {

// The number at the start of a cell (before its marks); the cells are ASCII.
double numberOfCell(const std::u16string& cell) {
    std::string text;
    for (char16_t c : cell) {
        if (c == u'*') break;
        text.push_back(static_cast<char>(c));
    }
    return std::stod(text);
}

TEST(RunSearch, AConstantDependentVariableGetsABlockWithoutModelRows) {
    RunBlock block = exampleRun(2, 5);
    block.dependentColumns[0].assign(15, 0.1);
    RunProgress progress;
    ResultTable table;
    EXPECT_EQ(runSearch(block, progress, table), SearchOutcome::Completed);
    // Title, header, footer, separator for Y1; five models for Y2.
    ASSERT_EQ(table.size(), 4u + 9u);
    EXPECT_EQ(table[2][0].substr(0, 3), u"\u3000N=");
    EXPECT_EQ(table[4][0], u"\u3000従属変数: Y2");
}

TEST(RunSearch, ExactDependenciesNeverReachTheTable) {
    // C = A + B on non-integer data: no row may hold all three, and every
    // R² lies in [0, 1].
    RunBlock block = exampleRun(1, 100);
    for (std::size_t r = 0; r < 15; ++r) {
        block.explanatoryColumns[2][r] = block.explanatoryColumns[0][r] + block.explanatoryColumns[1][r];
    }
    RunProgress progress;
    ResultTable table;
    ASSERT_EQ(runSearch(block, progress, table), SearchOutcome::Completed);
    ASSERT_EQ(table.size(), 6u + 4u);  // the 7 subsets less {A, B, C}
    for (std::size_t r = 2; r + 2 < table.size(); ++r) {
        const bool all = table[r][0] != u"-" && table[r][1] != u"-" && table[r][2] != u"-";
        EXPECT_FALSE(all) << "row " << r;
        const double rSquared = numberOfCell(table[r][3]);
        EXPECT_GE(rSquared, 0.0) << "row " << r;
        EXPECT_LE(rSquared, 1.0) << "row " << r;
    }
}

}  // namespace

#include "search/dependency_warnings.h"

namespace {

TEST(DependencyWarnings, NameTheCombinationAndTheExactFitOnceEach) {
    RunBlock block = exampleRun(2, 3);
    block.explanatoryNames = {"a", "b", "s", "c"};
    block.explanatoryColumns.push_back(block.explanatoryColumns[2]);
    for (std::size_t r = 0; r < 15; ++r) {
        // s = a + b on non-integer values; Y2 = 1.5·a − c exactly.
        block.explanatoryColumns[1][r] = 0.37 * std::sin(static_cast<double>(r) * 1.3) + 0.01;
        block.explanatoryColumns[2][r] = block.explanatoryColumns[0][r] + block.explanatoryColumns[1][r];
        block.dependentColumns[1][r] = 1.5 * block.explanatoryColumns[0][r] - block.explanatoryColumns[3][r];
    }
    const std::vector<std::string> expected = {
        "s is a linear combination of a, b: models that contain all of them are left out",
        "Y2 is fitted exactly by a, c",
    };
    EXPECT_EQ(dependencyWarnings(block), expected);
}

// n rows of k columns of a fixed irrational pattern (no exact dependency
// among fewer than n of them) and y from the first column.
RunBlock fewRowsRun(std::size_t n, std::size_t k) {
    RunBlock block;
    block.dependentNames = {"y"};
    block.dependentColumns.assign(1, DataColumn(n));
    for (std::size_t j = 0; j < k; ++j) {
        block.explanatoryNames.push_back("X" + std::to_string(j + 1));
        DataColumn column(n);
        for (std::size_t r = 0; r < n; ++r) {
            column[r] = std::sin(1.7 * static_cast<double>((r + 1) * (j + 2)) + 0.3 * static_cast<double>(j));
        }
        block.explanatoryColumns.push_back(column);
    }
    for (std::size_t r = 0; r < n; ++r) {
        block.dependentColumns[0][r] = block.explanatoryColumns[0][r] + 0.01 * std::cos(static_cast<double>(r * r));
    }
    return block;
}

TEST(DependencyWarnings, FewRowsSayHowManyVariablesAModelHoldsInsteadOfNamingCombinations) {
    // 20 rows, 31 columns: X20 … X31 are combinations of 19 others and y
    // is fitted exactly by any 19 of them, because of the row count alone.
    EXPECT_EQ(dependencyWarnings(fewRowsRun(20, 31)),
              (std::vector<std::string>{"with 20 rows a model holds at most 18 explanatory variables"}));
    // n = k + 1: the model with every variable has no residual degree of
    // freedom, so the line is said though no column depends on others.
    EXPECT_EQ(dependencyWarnings(fewRowsRun(6, 5)),
              (std::vector<std::string>{"with 6 rows a model holds at most 4 explanatory variables"}));
    EXPECT_EQ(dependencyWarnings(fewRowsRun(3, 4)),
              (std::vector<std::string>{"with 3 rows a model holds at most 1 explanatory variable"}));
    EXPECT_TRUE(dependencyWarnings(fewRowsRun(7, 5)).empty());

    // A dependency among fewer columns than the rows force is still named,
    // with the rows' line first.
    RunBlock copy = fewRowsRun(12, 14);
    copy.explanatoryColumns[13] = copy.explanatoryColumns[2];
    for (double& value : copy.explanatoryColumns[13]) value *= 2.5;
    EXPECT_EQ(dependencyWarnings(copy),
              (std::vector<std::string>{"with 12 rows a model holds at most 10 explanatory variables",
                                        "X14 is a linear combination of X3: models that contain all of them are left out"}));
    // So is y fitted exactly by a few columns.
    RunBlock fitted = fewRowsRun(12, 14);
    for (std::size_t r = 0; r < 12; ++r) {
        fitted.dependentColumns[0][r] = fitted.explanatoryColumns[1][r] - 3.0 * fitted.explanatoryColumns[4][r];
    }
    EXPECT_EQ(dependencyWarnings(fitted),
              (std::vector<std::string>{"with 12 rows a model holds at most 10 explanatory variables",
                                        "y is fitted exactly by X2, X5"}));
}

TEST(DependencyWarnings, SayNothingAboutOrdinaryData) {
    EXPECT_TRUE(dependencyWarnings(exampleRun(2, 3)).empty());
}

}  // namespace
