// How MultiReg reads the add-in's arrays, seen through the handed-back
// table.
#include <cstring>

#include "run_fixture.h"

namespace {

std::vector<std::vector<double>> threeColumns() {
    return {{1, 2, 3, 4, 5, 6, 7}, {2, 1, 4, 3, 6, 5, 9}, {0.5, 0.25, 1, 3, 2, 8, 1}};
}

HandedBack runWithBounds(LONG nameLower, LONG rowLower, LONG columnLower) {
    RunInput input;
    input.dependentData = makeDataArray({{3, 1, 4, 1, 5, 9, 2}}, rowLower, columnLower);
    input.dependentNames = makeNameArray({"Y"}, nameLower);
    input.explanatoryData = makeDataArray(threeColumns(), rowLower, columnLower);
    input.explanatoryNames = makeNameArray({"A", "B", "C"}, nameLower);
    input.keepCount = 7;
    if (input.start() != 1) return HandedBack{};
    return waitForTable();
}

TEST(ReadArrays, LowerBoundsOfAnyValueReadTheSame) {
    const HandedBack reference = runWithBounds(1, 1, 1);
    ASSERT_EQ(reference.cells.size(), 7u + 4u);
    EXPECT_EQ(reference.cells[1][0], L"A");
    for (LONG lower : {0L, 7L, -3L}) {
        const HandedBack table = runWithBounds(lower, lower, lower == 0 ? 5 : -lower);
        EXPECT_EQ(table.cells, reference.cells) << "lower bound " << lower;
    }
}

TEST(ReadArrays, DataArraysAreLaidOutLikeWorksheetRanges) {
    // Excel's arrays are column-major: the row index varies fastest in
    // memory. Writing the memory directly must read like PutElement does.
    const std::vector<std::vector<double>> columns = threeColumns();
    OwnedArray direct = makeEmptyDataArray(7, 3);
    double* memory = nullptr;
    ASSERT_EQ(SafeArrayAccessData(direct.array, reinterpret_cast<void**>(&memory)), S_OK);
    for (std::size_t c = 0; c < 3; ++c)
        for (std::size_t r = 0; r < 7; ++r) memory[c * 7 + r] = columns[c][r];
    SafeArrayUnaccessData(direct.array);

    RunInput input;
    input.dependentData = makeDataArray({{3, 1, 4, 1, 5, 9, 2}});
    input.dependentNames = makeNameArray({"Y"});
    input.explanatoryData = std::move(direct);
    input.explanatoryNames = makeNameArray({"A", "B", "C"});
    input.keepCount = 7;
    const HandedBack reference = runWithBounds(1, 1, 1);
    ASSERT_EQ(input.start(), 1);
    EXPECT_EQ(waitForTable().cells, reference.cells);
}

TEST(ReadArrays, NamesEndAtTheirFirstZeroByteAndNullNamesAreEmpty) {
    RunInput input = simpleRun(2);
    input.keepCount = 1;
    input.explanatoryNames = makeNameArray({std::string("AB\0CD", 5), "X"});
    // A null string element in the dependent names.
    BSTR* elements = nullptr;
    ASSERT_EQ(SafeArrayAccessData(input.dependentNames.array, reinterpret_cast<void**>(&elements)), S_OK);
    SysFreeString(elements[0]);
    elements[0] = nullptr;
    SafeArrayUnaccessData(input.dependentNames.array);
    ASSERT_EQ(input.start(), 1);
    const HandedBack table = waitForTable();
    ASSERT_EQ(table.cells.size(), 5u);
    EXPECT_EQ(table.cells[0][0], L"\u3000従属変数: ");
    EXPECT_EQ(table.cells[1][0], L"AB");
    EXPECT_EQ(table.cells[1][1], L"X");
}

TEST(ReadArrays, ASecondRunReplacesTheFirstRunsListsEntirely) {
    RunInput first;
    first.dependentData = makeDataArray({varyingColumn(8, 9)});
    first.dependentNames = makeNameArray({"Y"});
    first.explanatoryData = makeDataArray({varyingColumn(8, 1), varyingColumn(8, 2), varyingColumn(8, 3)});
    first.explanatoryNames = makeNameArray({"A", "B", "C"});
    ASSERT_EQ(first.start(), 1);
    ASSERT_EQ(waitForTable().cells.size(), 3u + 4u);

    RunInput second;
    second.dependentData = makeDataArray({{2, 4, 5, 4, 5}});
    second.dependentNames = makeNameArray({"Y"});
    second.explanatoryData = makeDataArray({{1, 2, 3, 4, 5}, {3, 1, 4, 1, 5}});
    second.explanatoryNames = makeNameArray({"P", "Q"});
    second.keepCount = 3;
    ASSERT_EQ(second.start(), 1);
    const HandedBack table = waitForTable();
    ASSERT_EQ(table.cells.size(), 3u + 4u);
    EXPECT_EQ(table.columnUpper, 5);
    EXPECT_EQ(table.cells[1][0], L"P");
    EXPECT_EQ(table.cells[5][0], L"\u3000N=5 **p<.01 *p<.05");
}

}  // namespace
