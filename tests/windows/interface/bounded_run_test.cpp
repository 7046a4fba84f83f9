// A run with the largest number of explanatory variables through the real
// library: 2^31 − 1 subsets per dependent variable, which only the bounded
// search can answer within seconds.
#include <cstdint>

#include "engine_table.h"
#include "run_fixture.h"

namespace {

// Values spread over [-1, 1) by a fixed generator (splitmix64), so the
// columns are neither constant nor collinear.
struct Values {
    std::uint64_t state;
    double next() {
        std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        z ^= z >> 31;
        return static_cast<double>(z >> 11) * 0x1.0p-52 - 1.0;
    }
};

// dependents noise variables against 31 noise columns over n rows: the
// hardest data for the bounds, and enough dependent variables that the run
// outlasts GetProgress's first wait.
RunInput widestRun(std::size_t dependents, std::size_t n) {
    Values values{31};
    std::vector<std::vector<double>> columns(31, std::vector<double>(n));
    std::vector<std::string> names;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        for (double& value : columns[i]) value = values.next();
        names.push_back("X" + std::to_string(i + 1));
    }
    std::vector<std::vector<double>> ys(dependents, std::vector<double>(n));
    std::vector<std::string> yNames;
    for (std::size_t j = 0; j < dependents; ++j) {
        for (double& value : ys[j]) value = values.next();
        yNames.push_back("Y" + std::to_string(j + 1));
    }
    RunInput input;
    input.dependentData = makeDataArray(ys);
    input.dependentNames = makeNameArray(yNames);
    input.explanatoryData = makeDataArray(columns);
    input.explanatoryNames = makeNameArray(names);
    input.keepCount = 200;
    input.criterion = 2;
    return input;
}

TEST(BoundedRun, ThirtyOneVariablesHandBackTheirTableWithinSecondsWithProgressOnTheWay) {
    const std::size_t dependents = 8;
    RunInput input = widestRun(dependents, 200);
    ASSERT_EQ(input.start(), 1);
    std::vector<std::int32_t> answers;
    // At most 60 polls of half a second; the exhaustive screening would need
    // hours for one dependent variable.
    const HandedBack table = waitForTable(&answers, 60);
    if (table.cells.empty()) exports().abortReg();
    ASSERT_FALSE(answers.empty()) << "the run ended before the first progress answer";
    for (std::int32_t answer : answers) {
        EXPECT_GE(answer, 0);
        EXPECT_LE(answer, 99);
    }
    ASSERT_EQ(table.cells.size(), dependents * (200 + 4)) << answers.size() << " progress answers";
    EXPECT_EQ(table.columnUpper - table.columnLower + 1, 34);
    for (const std::vector<std::wstring>& row : table.cells) ASSERT_EQ(row.size(), 34u);
    EXPECT_EQ(table.cells[0][0], L"\u3000従属変数: Y1");
    EXPECT_EQ(table.cells[204][0], L"\u3000従属変数: Y2");
    EXPECT_EQ(table.cells[1][30], L"X31");
}

// A sheet as people have them, at the widest: 20 noise columns, a total of
// the first two beside them, a full set of five 0/1 dummy columns (they sum
// to the intercept) and five more noise columns; dependents alternating
// between a signal on the first columns and one dummy, and pure noise.
RunBlock sheetWithTotalAndDummies(std::size_t dependents, std::size_t n) {
    Values values{57};
    RunBlock block;
    block.explanatoryColumns.assign(31, DataColumn(n));
    for (std::size_t i = 0; i < 31; ++i) {
        for (std::size_t r = 0; r < n; ++r) {
            double& value = block.explanatoryColumns[i][r];
            if (i == 20) {
                value = block.explanatoryColumns[0][r] + block.explanatoryColumns[1][r];
            } else if (i >= 21 && i <= 25) {
                value = r % 5 == i - 21 ? 1.0 : 0.0;
            } else {
                value = values.next();
            }
        }
        block.explanatoryNames.push_back(i == 20 ? "TOTAL" : (i >= 21 && i <= 25 ? "D" : "X") + std::to_string(i + 1));
    }
    for (std::size_t j = 0; j < dependents; ++j) {
        DataColumn y(n);
        for (std::size_t r = 0; r < n; ++r) {
            const DataColumn* x = block.explanatoryColumns.data();
            y[r] = j % 2 == 0 ? x[0][r] + 0.5 * x[1][r] + 0.3 * x[21][r] + 0.5 * values.next() : values.next();
        }
        block.dependentColumns.push_back(y);
        block.dependentNames.push_back("Y" + std::to_string(j + 1));
    }
    block.keepCount = 10;
    block.criterion = 2;
    return block;
}

TEST(BoundedRun, ThirtyOneVariablesWithATotalAndADummySetMatchTheEngineWithinSeconds) {
    const RunBlock block = sheetWithTotalAndDummies(8, 200);
    RunInput input = inputOf(block);
    ASSERT_EQ(input.start(), 1);
    std::vector<std::int32_t> answers;
    // At most 60 polls of half a second: the exhaustive screening of these
    // data would take hours for each dependent variable.
    const HandedBack table = waitForTable(&answers, 60);
    if (table.cells.empty()) exports().abortReg();
    for (std::int32_t answer : answers) {
        EXPECT_GE(answer, 0);
        EXPECT_LE(answer, 99);
    }
    ASSERT_EQ(table.cells.size(), 8u * (10 + 4)) << answers.size() << " progress answers";
    EXPECT_EQ(table.cells, expectedCells(block));
    // No kept model holds the total with both of its parts, nor all five
    // dummies: such a model has no unique fit.
    for (const std::vector<std::wstring>& row : table.cells) {
        if (row[0].empty() || row[0][0] == L'\u3000' || row[0] == L"X1") continue;
        const bool total = row[0] != L"-" && row[1] != L"-" && row[20] != L"-";
        bool allDummies = true;
        for (std::size_t i = 21; i <= 25; ++i) allDummies = allDummies && row[i] != L"-";
        EXPECT_FALSE(total || allDummies) << "a model with a dependent set was kept";
    }
}

}  // namespace
