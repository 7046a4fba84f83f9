// Whole runs through the real library: arrays in, progress, the handed-back
// table out.
#include <algorithm>
#include <chrono>
#include <cmath>

#include "engine_table.h"
#include "run_fixture.h"

namespace {

// Japanese names in code page 932, as Excel passes them.
RunBlock japaneseRun() {
    RunBlock block;
    block.dependentNames = {cp932(L"身長"), cp932(L"体重")};
    block.explanatoryNames = {cp932(L"年齢"), cp932(L"睡眠時間"), "Score"};
    const std::size_t n = 9;
    block.explanatoryColumns.assign(3, DataColumn(n));
    block.dependentColumns.assign(2, DataColumn(n));
    for (std::size_t r = 0; r < n; ++r) {
        const double t = static_cast<double>(r);
        block.explanatoryColumns[0][r] = 20 + 3 * t;
        block.explanatoryColumns[1][r] = 6 + std::fmod(t * 5, 4);
        block.explanatoryColumns[2][r] = std::fmod(t * t, 7);
        block.dependentColumns[0][r] = 150 + 1.5 * t + std::fmod(t * 3, 2);
        block.dependentColumns[1][r] = 50 + std::fmod(t * 11, 6) - 0.5 * t;
    }
    block.keepCount = 3;
    block.criterion = 2;
    return block;
}

TEST(EndToEnd, JapaneseNamesComeBackCellByCell) {
    const RunBlock block = japaneseRun();
    RunInput input = inputOf(block);
    MessageBoxScript boxes;
    ASSERT_EQ(input.start(), 1);
    const HandedBack table = waitForTable();
    expectNoBox(boxes.seen());
    EXPECT_EQ(table.type, VT_ARRAY | VT_BSTR);
    EXPECT_EQ(table.rowLower, 1);
    EXPECT_EQ(table.columnLower, 1);
    ASSERT_EQ(table.cells.size(), 2u * (3 + 4));
    EXPECT_EQ(table.cells, expectedCells(block));
    EXPECT_EQ(table.cells[0][0], L"\u3000従属変数: 身長");
    EXPECT_EQ(table.cells[7][0], L"\u3000従属変数: 体重");
    EXPECT_EQ(table.cells[1], (std::vector<std::wstring>{L"年齢", L"睡眠時間", L"Score", L"決定係数",
                                                         L"調整済み\n決定係数", L"AIC"}));
    EXPECT_EQ(table.cells[5][0], L"\u3000N=9 **p<.01 *p<.05");
    EXPECT_EQ(table.cells[6], std::vector<std::wstring>(6, L""));
}

TEST(EndToEnd, WorkedExampleOfOneVariable) {
    RunInput input;
    input.dependentData = makeDataArray({{2, 4, 5, 4, 5}});
    input.dependentNames = makeNameArray({"Y"});
    input.explanatoryData = makeDataArray({{1, 2, 3, 4, 5}});
    input.explanatoryNames = makeNameArray({"X"});
    input.keepCount = 1;
    ASSERT_EQ(input.start(), 1);
    const HandedBack table = waitForTable();
    const std::vector<std::vector<std::wstring>> expected = {
        {L"\u3000従属変数: Y", L"", L"", L""},
        {L"X", L"決定係数", L"調整済み\n決定係数", L"AIC"},
        {L"0.77460", L"0.60000", L"0.46667", L"0.33015"},
        {L"\u3000N=5 **p<.01 *p<.05", L"", L"", L""},
        {L"", L"", L"", L""},
    };
    EXPECT_EQ(table.cells, expected);
}

TEST(EndToEnd, PerfectFitCompletesAndAConstantDependentVariableIsAskedAbout) {
    RunInput input;
    input.dependentData = makeDataArray({{5, 7, 9, 11, 13}, {5, 5, 5, 5, 5}});
    input.dependentNames = makeNameArray({"Line", "Flat"});
    input.explanatoryData = makeDataArray({{1, 2, 3, 4, 5}});
    input.explanatoryNames = makeNameArray({"X"});
    input.keepCount = 1;
    // A constant y has no variance to explain: the user drops it.
    MessageBoxScript boxes({IDOK});
    ASSERT_EQ(input.start(), 1);
    const HandedBack table = waitForTable();
    ASSERT_EQ(boxes.seen().size(), 1u);
    EXPECT_EQ(boxes.seen()[0].text.substr(0, 4), L"Flat") << describe(boxes.seen()[0]);
    ASSERT_EQ(table.cells.size(), 5u);
    // y = 2x + 3 exactly: R² is 1 and AIC has no finite value.
    EXPECT_EQ(table.cells[2][1].substr(0, 7), L"1.00000") << utf8(table.cells[2][1]);
    EXPECT_EQ(table.cells[2][3], L"-inf");
}

// A long search: 20 variables, the last of which varies by 1e12 around
// 1e19, each dependent variable's 20000 best models kept (the bounds cannot
// cut such a list short, and every model is formatted).
constexpr std::int32_t longRunKeep = 20000;
RunInput longRun(std::size_t dependents) {
    const std::size_t n = 60, k = 20;
    std::vector<std::vector<double>> columns;
    std::vector<std::string> names;
    for (std::size_t i = 0; i < k; ++i) {
        columns.push_back(varyingColumn(n, static_cast<int>(i)));
        for (std::size_t r = 0; r < n; ++r) columns.back()[r] += std::sin(static_cast<double>(r * (i + 1)));
        names.push_back("V" + std::to_string(i));
    }
    for (std::size_t r = 0; r < n; ++r) columns[k - 1][r] = 1e19 + 1e12 * static_cast<double>(r * 13 % 31);
    std::vector<std::vector<double>> ys;
    std::vector<std::string> yNames;
    for (std::size_t j = 0; j < dependents; ++j) {
        ys.push_back(varyingColumn(n, 50 + static_cast<int>(j)));
        yNames.push_back("Y" + std::to_string(j));
    }
    RunInput input;
    input.dependentData = makeDataArray(ys);
    input.dependentNames = makeNameArray(yNames);
    input.explanatoryData = makeDataArray(columns);
    input.explanatoryNames = makeNameArray(names);
    input.keepCount = longRunKeep;
    return input;
}

TEST(EndToEnd, ProgressClimbsWithinZeroTo99DuringALongRun) {
    RunInput input = longRun(2);
    ASSERT_EQ(input.start(), 1);
    std::vector<std::int32_t> answers;
    const HandedBack table = waitForTable(&answers);
    ASSERT_GE(answers.size(), 2u) << "the run ended too quickly to watch";
    for (std::int32_t answer : answers) {
        EXPECT_GE(answer, 0);
        EXPECT_LE(answer, 99);
    }
    EXPECT_TRUE(std::is_sorted(answers.begin(), answers.end()));
    EXPECT_GT(answers.back(), answers.front());
    EXPECT_EQ(table.cells.size(), 2u * (longRunKeep + 4));
}

TEST(EndToEnd, AbortStopsPromptlyAndTheNextRunHandsBackOnlyItsOwnRows) {
    RunInput input = longRun(3);
    ASSERT_EQ(input.start(), 1);
    VARIANT result;
    VariantInit(&result);
    EXPECT_GE(exports().getProgress(&result), 0);
    const auto begin = std::chrono::steady_clock::now();
    EXPECT_EQ(exports().abortReg(), 0);
    const auto elapsed = std::chrono::steady_clock::now() - begin;
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count(), 1000);
    EXPECT_EQ(exports().getProgress(&result), -1);
    EXPECT_EQ(V_VT(&result), VT_EMPTY);

    RunInput next = simpleRun(2);
    next.keepCount = 1;
    ASSERT_EQ(next.start(), 1);
    const HandedBack table = waitForTable();
    ASSERT_EQ(table.cells.size(), 5u);
    EXPECT_EQ(table.cells[0][0], L"\u3000従属変数: Y");
    EXPECT_EQ(table.cells[1][0], L"X1");
}

}  // namespace
