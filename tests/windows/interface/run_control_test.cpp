// MultiReg, GetProgress and AbortReg of the real library.
#include <chrono>
#include <cmath>
#include <limits>

#include "run_fixture.h"

namespace {

const std::wstring tooMany = L"選択された説明変数が多すぎます。31個以下にしてください。";
const std::wstring noneLeft = L"独立変数が0個になりました。分析を中断します。";
const std::wstring badKeepCount = L"正しくない数値が入力されています。1以上65535以下の数値を入力してください。";
const std::wstring notFinished = L"前回の分析がまだ終了していません。";
const std::wstring lockFailed = L"配列のロックに失敗しました。";

const std::wstring noDependentLeft = L"従属変数が0個になりました。分析を中断します。";

std::wstring uncomputable(const std::wstring& name) {
    return name + L"に計算できない値が含まれています。";
}

std::wstring constantQuestion(const std::wstring& name) {
    return name + L"の分散は0です。この変数を除いて分析を続けますか？\nキャンセルを押すと分析を中断します。";
}

TEST(MultiReg, ThirtyOneExplanatoryVariablesStartARun) {
    RunInput input = simpleRun(31, 40);
    input.keepCount = 1;
    MessageBoxScript boxes;
    ASSERT_EQ(input.start(), 1);
    // Stop the (long) search rather than wait for it.
    EXPECT_EQ(exports().abortReg(), 0);
    expectNoBox(boxes.seen());
}

TEST(MultiReg, ThirtyTwoAreRefusedEvenWhenSomeAreConstant) {
    RunInput input = simpleRun(32);
    std::vector<std::vector<double>> columns;
    std::vector<std::string> names;
    for (int i = 0; i < 32; ++i) {
        columns.push_back(i < 3 ? std::vector<double>(12, 1.0) : varyingColumn(12, i));
        names.push_back("X" + std::to_string(i));
    }
    input.explanatoryData = makeDataArray(columns);
    input.explanatoryNames = makeNameArray(names);
    MessageBoxScript boxes;
    EXPECT_EQ(input.start(), 0);
    ASSERT_EQ(boxes.seen().size(), 1u);
    expectBox(boxes.seen()[0], tooMany, BoxIcon::Error);
}

TEST(MultiReg, CountMismatchesAreRefusedSilently) {
    {
        RunInput input = simpleRun(2);
        input.dependentNames = makeNameArray({"Y1", "Y2", "Y3"});
        input.dependentData = makeDataArray({varyingColumn(12, 1), varyingColumn(12, 2)});
        MessageBoxScript boxes;
        EXPECT_EQ(input.start(), 0);
        expectNoBox(boxes.seen());
    }
    {
        RunInput input = simpleRun(2);
        input.explanatoryNames = makeNameArray({"A", "B", "C"});
        MessageBoxScript boxes;
        EXPECT_EQ(input.start(), 0);
        expectNoBox(boxes.seen());
    }
}

TEST(MultiReg, DifferentRowCountsAreRefusedSilently) {
    RunInput input = simpleRun(2, 12);
    input.dependentData = makeDataArray({varyingColumn(11, 100)});
    MessageBoxScript boxes;
    EXPECT_EQ(input.start(), 0);
    expectNoBox(boxes.seen());
}

TEST(MultiReg, KeepCountOutsideOneTo65535IsRefusedBeforeAnyPrompt) {
    for (std::int32_t keep : {0, -1, 65536, std::numeric_limits<std::int32_t>::min()}) {
        RunInput input = simpleRun(2);
        // A constant column too: its prompt must not come first.
        input.explanatoryData = makeDataArray({std::vector<double>(12, 4.0), varyingColumn(12, 1)});
        input.keepCount = keep;
        MessageBoxScript boxes;
        EXPECT_EQ(input.start(), 0) << "keepCount " << keep;
        ASSERT_EQ(boxes.seen().size(), 1u) << "keepCount " << keep;
        expectBox(boxes.seen()[0], badKeepCount, BoxIcon::Error);
    }
    for (std::int32_t keep : {1, 65535}) {
        RunInput input = simpleRun(2);
        input.keepCount = keep;
        MessageBoxScript boxes;
        EXPECT_EQ(input.start(), 1) << "keepCount " << keep;
        waitForTable();
        expectNoBox(boxes.seen());
    }
}

TEST(MultiReg, ConstantColumnsAreDroppedWhenTheUserAgrees) {
    RunInput input = simpleRun(3);
    // A single repeated value, and 0.0 mixed with -0.0: both constant.
    input.explanatoryData = makeDataArray(
        {std::vector<double>(12, 2.5), varyingColumn(12, 1),
         {0.0, -0.0, 0.0, -0.0, 0.0, 0.0, -0.0, 0.0, 0.0, 0.0, -0.0, 0.0}});
    input.explanatoryNames = makeNameArray({cp932(L"定数"), "B", "ZERO"});
    MessageBoxScript boxes({IDOK, IDOK});
    EXPECT_EQ(input.start(), 1);
    const HandedBack table = waitForTable();
    ASSERT_EQ(boxes.seen().size(), 2u);
    expectBox(boxes.seen()[0], constantQuestion(L"定数"), BoxIcon::Warning, {IDOK, IDCANCEL});
    expectBox(boxes.seen()[1], constantQuestion(L"ZERO"), BoxIcon::Warning, {IDOK, IDCANCEL});
    EXPECT_EQ(table.type, VT_ARRAY | VT_BSTR);
}

TEST(MultiReg, CancelAtASecondConstantColumnAbandonsTheRun) {
    RunInput input = simpleRun(3);
    input.explanatoryData =
        makeDataArray({std::vector<double>(12, 1.0), std::vector<double>(12, 2.0), varyingColumn(12, 3)});
    MessageBoxScript boxes({IDOK, IDCANCEL});
    EXPECT_EQ(input.start(), 0);
    ASSERT_EQ(boxes.seen().size(), 2u);
    expectBox(boxes.seen()[1], constantQuestion(L"X2"), BoxIcon::Warning, {IDOK, IDCANCEL});
    // Nothing runs: GetProgress has no thread to ask.
    VARIANT result;
    VariantInit(&result);
    EXPECT_EQ(exports().getProgress(&result), -1);
    EXPECT_EQ(V_VT(&result), VT_EMPTY);
}

TEST(MultiReg, NoExplanatoryVariableLeftEndsWithAMessage) {
    RunInput input = simpleRun(2);
    // A single row: every column holds fewer than two values.
    input.dependentData = makeDataArray({{1.0}});
    input.explanatoryData = makeDataArray({{5.0}, {6.0}});
    MessageBoxScript boxes({IDOK, IDOK, IDOK});
    EXPECT_EQ(input.start(), 0);
    ASSERT_EQ(boxes.seen().size(), 3u);
    expectBox(boxes.seen()[0], constantQuestion(L"X1"), BoxIcon::Warning, {IDOK, IDCANCEL});
    expectBox(boxes.seen()[1], constantQuestion(L"X2"), BoxIcon::Warning, {IDOK, IDCANCEL});
    expectBox(boxes.seen()[2], noneLeft, BoxIcon::Error);
}

TEST(MultiReg, AColumnWithNaNIsRefusedBeforeTheConstantCheck) {
    // The NaN would make the column count as not constant; it is refused as
    // a value that cannot be computed with instead, and no prompt comes.
    RunInput input = simpleRun(2);
    std::vector<double> column(12, 1.0);
    column[5] = std::numeric_limits<double>::quiet_NaN();
    input.explanatoryData = makeDataArray({std::vector<double>(12, 3.0), column});
    MessageBoxScript boxes;
    EXPECT_EQ(input.start(), 0);
    expectTavrelBox(boxes.seen(), uncomputable(L"X2"), BoxIcon::Error);
}

TEST(MultiReg, ARunThatIsStillWorkingRefusesTheNext) {
    RunInput first = simpleRun(22, 60);
    ASSERT_EQ(first.start(), 1);
    {
        RunInput second = simpleRun(3);
        MessageBoxScript boxes;
        EXPECT_EQ(second.start(), 0);
        expectTavrelBox(boxes.seen(), notFinished, BoxIcon::Error);
    }
    EXPECT_EQ(exports().abortReg(), 0);
    // After the abort the next run may start.
    RunInput third = simpleRun(2);
    EXPECT_EQ(third.start(), 1);
    waitForTable();
}

TEST(MultiReg, ARunNeverPolledToTheEndDoesNotLockOutTheNext) {
    RunInput first = simpleRun(2);
    ASSERT_EQ(first.start(), 1);
    Sleep(500);  // the run ends long before this, and nobody asks for its table
    RunInput second = simpleRun(3);
    second.dependentNames = makeNameArray({"Second"});
    second.keepCount = 2;
    MessageBoxScript boxes;
    ASSERT_EQ(second.start(), 1);
    const HandedBack table = waitForTable();
    expectNoBox(boxes.seen());
    // Only the second run's block: title, header, two models, footer, separator.
    ASSERT_EQ(table.cells.size(), 6u);
    EXPECT_EQ(table.cells[0][0], L"\u3000従属変数: Second") << utf8(table.cells[0][0]);
    EXPECT_EQ(table.cells[1].size(), 3u + 3u);
    EXPECT_EQ(table.cells[1][2], L"X3");
}

TEST(MultiReg, UnlockableArraysAreReportedBeforeAnythingElse) {
    for (int which = 0; which < 4; ++which) {
        RunInput input = simpleRun(2);
        OwnedArray* arrays[4] = {&input.dependentNames, &input.explanatoryNames, &input.dependentData,
                                 &input.explanatoryData};
        *arrays[which] = OwnedArray();  // a null array cannot be locked
        MessageBoxScript boxes;
        EXPECT_EQ(input.start(), 0) << "array " << which;
        ASSERT_EQ(boxes.seen().size(), 1u) << "array " << which;
        expectBox(boxes.seen()[0], lockFailed, BoxIcon::Error);
    }
}

TEST(MultiReg, WrongDimensionsAndElementTypesAreRefusedSilently) {
    auto refusedSilently = [](RunInput& input, const char* what) {
        MessageBoxScript boxes;
        EXPECT_EQ(input.start(), 0) << what;
        EXPECT_TRUE(boxes.seen().empty()) << what << ": " << describe(boxes.seen().front());
    };
    {
        RunInput input = simpleRun(2);
        input.dependentNames = makeDataArray({{1.0}});  // two dimensions where names are expected
        refusedSilently(input, "two-dimensional names");
    }
    {
        RunInput input = simpleRun(2);
        SAFEARRAYBOUND bound{12, 1};
        input.explanatoryData = OwnedArray(SafeArrayCreate(VT_R8, 1, &bound));
        refusedSilently(input, "one-dimensional data");
    }
    {
        RunInput input = simpleRun(2);
        SAFEARRAYBOUND bounds[2] = {{12, 1}, {2, 1}};
        input.explanatoryData = OwnedArray(SafeArrayCreate(VT_VARIANT, 2, bounds));
        refusedSilently(input, "data of VARIANTs");
    }
    {
        RunInput input = simpleRun(2);
        SAFEARRAYBOUND bounds[2] = {{12, 1}, {2, 1}};
        input.explanatoryData = OwnedArray(SafeArrayCreate(VT_R4, 2, bounds));
        refusedSilently(input, "data of floats");
    }
    {
        RunInput input = simpleRun(2);
        SAFEARRAYBOUND bound{1, 1};
        input.dependentNames = OwnedArray(SafeArrayCreate(VT_VARIANT, 1, &bound));
        refusedSilently(input, "names of VARIANTs");
    }
    {
        RunInput input = simpleRun(2);
        SAFEARRAYBOUND bound{1, 1};
        input.dependentNames = OwnedArray(SafeArrayCreate(VT_I4, 1, &bound));
        refusedSilently(input, "names of integers");
    }
}

TEST(MultiReg, ValuesThatCannotBeComputedWithAreRefusedNamingTheVariable) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        const char* what;
        bool dependent;
        std::size_t column;
        double value;
        std::wstring name;
    };
    const Case cases[] = {
        {"NaN in an explanatory column", false, 1, nan, L"X2"},
        {"+inf in an explanatory column", false, 0, inf, L"X1"},
        {"-inf in the dependent column", true, 0, -inf, L"Y"},
        {"a value whose square overflows", false, 1, 1e300, L"X2"},
        {"just above the limit", true, 0, -std::nextafter(1e150, inf), L"Y"},
    };
    for (const Case& c : cases) {
        RunInput input = simpleRun(2);
        std::vector<std::vector<double>> columns = {varyingColumn(12, 0), varyingColumn(12, 1)};
        std::vector<double> y = varyingColumn(12, 100);
        (c.dependent ? y : columns[c.column])[7] = c.value;
        // A constant explanatory column as well: the refusal comes before its prompt.
        columns.push_back(std::vector<double>(12, 2.0));
        input.explanatoryData = makeDataArray(columns);
        input.explanatoryNames = makeNameArray({"X1", "X2", "X3"});
        input.dependentData = makeDataArray({y});
        MessageBoxScript boxes;
        EXPECT_EQ(input.start(), 0) << c.what;
        ASSERT_EQ(boxes.seen().size(), 1u) << c.what;
        expectBox(boxes.seen()[0], uncomputable(c.name), BoxIcon::Error);
    }
}

TEST(MultiReg, TheFirstVariableWithAnUncomputableValueIsNamedExplanatoryFirst) {
    RunInput input = simpleRun(3);
    std::vector<std::vector<double>> columns = {varyingColumn(12, 0), varyingColumn(12, 1), varyingColumn(12, 2)};
    columns[1][0] = std::numeric_limits<double>::infinity();
    columns[2][3] = std::numeric_limits<double>::quiet_NaN();
    std::vector<double> y = varyingColumn(12, 100);
    y[2] = std::numeric_limits<double>::quiet_NaN();
    input.explanatoryData = makeDataArray(columns);
    input.explanatoryNames = makeNameArray({"A", cp932(L"売上"), "C"});
    input.dependentData = makeDataArray({y});
    MessageBoxScript boxes;
    EXPECT_EQ(input.start(), 0);
    expectTavrelBox(boxes.seen(), uncomputable(L"売上"), BoxIcon::Error);
}

TEST(MultiReg, ValuesUpToTheLimitAreAccepted) {
    RunInput input = simpleRun(2);
    std::vector<std::vector<double>> columns = {varyingColumn(12, 0), varyingColumn(12, 1)};
    columns[0][4] = 1e150;
    columns[1][9] = -1e150;
    std::vector<double> y = varyingColumn(12, 100);
    y[0] = std::numeric_limits<double>::denorm_min();
    input.explanatoryData = makeDataArray(columns);
    input.dependentData = makeDataArray({y});
    MessageBoxScript boxes;
    ASSERT_EQ(input.start(), 1);
    const HandedBack table = waitForTable();
    expectNoBox(boxes.seen());
    EXPECT_EQ(table.cells.size(), 3u + 4u);
}

// Two dependent variables of which one is constant (a single repeated value).
RunInput constantDependentRun() {
    RunInput input = simpleRun(2);
    input.dependentData = makeDataArray({std::vector<double>(12, 0.1), varyingColumn(12, 100)});
    input.dependentNames = makeNameArray({cp932(L"定数Y"), "Y"});
    return input;
}

TEST(MultiReg, AConstantDependentVariableIsDroppedWhenTheUserAgrees) {
    RunInput input = constantDependentRun();
    input.keepCount = 1;
    // An explanatory constant too: its prompt comes first.
    input.explanatoryData = makeDataArray({varyingColumn(12, 0), varyingColumn(12, 1), std::vector<double>(12, 7.0)});
    input.explanatoryNames = makeNameArray({"X1", "X2", "C"});
    MessageBoxScript boxes({IDOK, IDOK});
    ASSERT_EQ(input.start(), 1);
    const HandedBack table = waitForTable();
    ASSERT_EQ(boxes.seen().size(), 2u);
    expectBox(boxes.seen()[0], constantQuestion(L"C"), BoxIcon::Warning, {IDOK, IDCANCEL});
    expectBox(boxes.seen()[1], constantQuestion(L"定数Y"), BoxIcon::Warning, {IDOK, IDCANCEL});
    // Only the block of Y, with the two explanatory variables left.
    ASSERT_EQ(table.cells.size(), 5u);
    EXPECT_EQ(table.cells[0][0], L"\u3000従属変数: Y") << utf8(table.cells[0][0]);
    EXPECT_EQ(table.cells[1].size(), 2u + 3u);
}

TEST(MultiReg, CancelAtAConstantDependentVariableAbandonsTheRun) {
    RunInput input = constantDependentRun();
    MessageBoxScript boxes({IDCANCEL});
    EXPECT_EQ(input.start(), 0);
    expectTavrelBox(boxes.seen(), constantQuestion(L"定数Y"), BoxIcon::Warning, {IDOK, IDCANCEL});
    VARIANT result;
    VariantInit(&result);
    EXPECT_EQ(exports().getProgress(&result), -1);
    EXPECT_EQ(V_VT(&result), VT_EMPTY);
}

TEST(MultiReg, NoDependentVariableLeftEndsWithAMessage) {
    RunInput input = simpleRun(2);
    input.dependentData = makeDataArray({std::vector<double>(12, -0.0), std::vector<double>(12, 3.0)});
    input.dependentNames = makeNameArray({"Y1", "Y2"});
    MessageBoxScript boxes({IDOK, IDOK});
    EXPECT_EQ(input.start(), 0);
    ASSERT_EQ(boxes.seen().size(), 3u);
    expectBox(boxes.seen()[0], constantQuestion(L"Y1"), BoxIcon::Warning, {IDOK, IDCANCEL});
    expectBox(boxes.seen()[1], constantQuestion(L"Y2"), BoxIcon::Warning, {IDOK, IDCANCEL});
    expectBox(boxes.seen()[2], noDependentLeft, BoxIcon::Error);
}

TEST(GetProgress, WithoutARunAnswersMinusOneAndLeavesTheVariantAlone) {
    VARIANT result;
    VariantInit(&result);
    V_VT(&result) = VT_I4;
    V_I4(&result) = 77;
    EXPECT_EQ(exports().getProgress(&result), -1);
    EXPECT_EQ(V_VT(&result), VT_I4);
    EXPECT_EQ(V_I4(&result), 77);
}

TEST(GetProgress, FirstCallAfterTheEndAnswersAtOnce) {
    RunInput input = simpleRun(1);
    ASSERT_EQ(input.start(), 1);
    Sleep(300);  // a one-variable run ends long before this
    VARIANT result;
    VariantInit(&result);
    const auto begin = std::chrono::steady_clock::now();
    const std::int32_t answer = exports().getProgress(&result);
    const auto elapsed = std::chrono::steady_clock::now() - begin;
    EXPECT_EQ(answer, -1);
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count(), 400);
    EXPECT_EQ(V_VT(&result), VT_ARRAY | VT_BSTR);
    VariantClear(&result);
    // The handle is closed: a further call has nothing to report.
    VARIANT again;
    VariantInit(&again);
    EXPECT_EQ(exports().getProgress(&again), -1);
    EXPECT_EQ(V_VT(&again), VT_EMPTY);
}

TEST(GetProgress, HandsBackAStringArrayWithLowerBoundsOne) {
    RunInput input = simpleRun(2);
    ASSERT_EQ(input.start(), 1);
    const HandedBack table = waitForTable();
    EXPECT_EQ(table.type, VT_ARRAY | VT_BSTR);
    EXPECT_EQ(table.dimensions, 2u);
    EXPECT_EQ(table.rowLower, 1);
    EXPECT_EQ(table.columnLower, 1);
}

TEST(GetProgress, ARunWithoutDependentVariablesHandsBackZeroByZero) {
    RunInput input = simpleRun(2);
    input.dependentData = makeEmptyDataArray(12, 0);
    input.dependentNames = makeNameArray({});
    ASSERT_EQ(input.start(), 1);
    const HandedBack table = waitForTable();
    EXPECT_EQ(table.type, VT_ARRAY | VT_BSTR);
    EXPECT_EQ(table.dimensions, 2u);
    EXPECT_EQ(table.rowUpper - table.rowLower + 1, 0);
    EXPECT_EQ(table.columnUpper - table.columnLower + 1, 0);
}

TEST(AbortReg, WithoutARunAnswersZero) {
    EXPECT_EQ(exports().abortReg(), 0);
    EXPECT_EQ(exports().abortReg(), 0);
}

TEST(AbortReg, EndsTheRunAndNothingIsHandedBack) {
    RunInput input = simpleRun(22, 60);
    ASSERT_EQ(input.start(), 1);
    Sleep(200);
    const auto begin = std::chrono::steady_clock::now();
    EXPECT_EQ(exports().abortReg(), 0);
    const auto elapsed = std::chrono::steady_clock::now() - begin;
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count(), 1000);
    VARIANT result;
    VariantInit(&result);
    EXPECT_EQ(exports().getProgress(&result), -1);
    EXPECT_EQ(V_VT(&result), VT_EMPTY);
}

}  // namespace
