#include "dataset.h"

#include <gtest/gtest.h>

namespace {

Dataset build(const std::string& content, std::vector<std::string> dependents,
              std::vector<std::string> explanatory = {}, bool dropIncomplete = false) {
    CliOptions options;
    options.dependents = std::move(dependents);
    options.explanatory = std::move(explanatory);
    options.dropIncomplete = dropIncomplete;
    return buildDataset(parseCsv(content), "d.csv", options);
}

const std::string small = "a,B,c,y\n1,2,5,1\n2,1,5,3\n3,4,5,2\n4,3,5,5\n";

TEST(BuildDataset, DefaultsToEveryOtherColumnAndDropsConstantOnes) {
    const Dataset data = build(small, {"Y"});
    ASSERT_TRUE(data.error.empty()) << data.error;
    EXPECT_EQ(data.block.dependentNames, std::vector<std::string>{"y"});
    EXPECT_EQ(data.block.explanatoryNames, (std::vector<std::string>{"a", "B"}));
    EXPECT_EQ(data.block.explanatoryColumns[1], (DataColumn{2, 1, 4, 3}));
    ASSERT_EQ(data.warnings.size(), 1u);
    EXPECT_NE(data.warnings[0].find("'c' is constant"), std::string::npos) << data.warnings[0];
}

TEST(BuildDataset, MatchesNamesTrimmedAndFoldedAndWarnsOfRepetitions) {
    const Dataset data = build(small, {" y "}, {"b", "A", "B"});
    ASSERT_TRUE(data.error.empty()) << data.error;
    EXPECT_EQ(data.block.explanatoryNames, (std::vector<std::string>{"B", "a"}));
    ASSERT_EQ(data.warnings.size(), 1u);
    EXPECT_NE(data.warnings[0].find("'B' is named twice"), std::string::npos) << data.warnings[0];
}

TEST(BuildDataset, UnknownNamesListTheColumns) {
    const Dataset data = build(small, {"z"});
    EXPECT_EQ(data.error, "unknown variable 'Z'; the columns are 'a', 'B', 'c', 'y'");
}

TEST(BuildDataset, InputErrorsNameTheFileLineAndColumn) {
    EXPECT_EQ(build("a,y\n1,2\nx,3\n", {"y"}).error, "d.csv:3: column 1 ('a'): 'x' is not a number");
    EXPECT_EQ(build("a,y\n1,2\n3\n", {"y"}).error, "d.csv:3: the row has 1 cells, the header 2");
    EXPECT_EQ(build("a,y\n1,2\n3,4,5\n", {"y"}).error, "d.csv:3: the row has 3 cells, the header 2");
    EXPECT_EQ(build("a,y,A\n1,2,3\n", {"y"}).error, "d.csv:1: column 3 ('A'): duplicate column name, already column 1");
    EXPECT_EQ(build("a,y\n1,\n2,3\n", {"y"}).error,
              "d.csv:2: column 2 ('y'): empty cell (use --drop-incomplete to drop such rows)");
    EXPECT_EQ(build("", {"y"}).error, "d.csv: the file is empty; its first row must name the variables");
    EXPECT_EQ(build("a,y\n", {"y"}).error, "d.csv: no data rows");
    EXPECT_EQ(build(small, {"y"}, {"y", "a"}).error, "variable 'y' cannot be both dependent and explanatory");
    EXPECT_EQ(build("a,y\n1,2\n1,3\n", {"y"}).error, "no explanatory variable is left");
}

TEST(BuildDataset, DropIncompleteDropsRowsWithEmptyChosenCellsOnly) {
    const std::string content = "a,b,unused,y\n1,2,,3\n2,,1,4\n3,1,,\n4,5,1,6\n5,3,,1\n";
    const Dataset data = build(content, {"y"}, {"a", "b"}, true);
    ASSERT_TRUE(data.error.empty()) << data.error;
    EXPECT_EQ(data.block.dependentColumns[0], (DataColumn{3, 6, 1}));
    ASSERT_EQ(data.warnings.size(), 1u);
    EXPECT_EQ(data.warnings[0], "dropped 2 incomplete rows");
}

TEST(BuildDataset, MoreThan31ExplanatoryVariablesAreRefused) {
    std::string header, row1, row2;
    for (int i = 0; i < 32; ++i) {
        header += "v" + std::to_string(i) + ",";
        row1 += std::to_string(i) + ",";
        row2 += std::to_string(i * i + i + 1) + ",";
    }
    const Dataset data = build(header + "y\n" + row1 + "1\n" + row2 + "2\n", {"y"});
    EXPECT_EQ(data.error, "32 explanatory variables; at most 31 can be searched (choose them with -x)");
}

TEST(ParseNumber, AcceptsDecimalAndExponentFormsOnly) {
    double value = 0;
    for (const char* text : {"1", "-2.5", "+3.", ".5", "1e3", "1.5E-2", " 7 "}) {
        EXPECT_TRUE(parseNumber(text, value)) << text;
    }
    EXPECT_TRUE(parseNumber("1.5E-2", value));
    EXPECT_EQ(value, 0.015);
    for (const char* text : {"", "-", ".", "1,5", "1e", "0x10", "inf", "nan", "1e999", "2 3", "1.2.3"}) {
        EXPECT_FALSE(parseNumber(text, value)) << text;
    }
}

}  // namespace
