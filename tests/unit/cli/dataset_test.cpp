#include "dataset.h"
#include "run_request.h"

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

// A public vehicle data set has columns "Sc.Var.Maxis" and "Sc.Var.maxis":
// each is a variable of its own, reached by its exact name; folding decides
// only where no column carries the name exactly.
TEST(BuildDataset, NamesThatDifferOnlyInCaseAreTwoColumns) {
    const std::string sheet = "Sc.Var.Maxis,Sc.Var.maxis,y,w\n1,4,2,1\n2,3,1,5\n3,1,4,2\n4,2,3,7\n5,6,5,1\n";
    const Dataset all = build(sheet, {"y"});
    ASSERT_TRUE(all.error.empty()) << all.error;
    EXPECT_EQ(all.block.explanatoryNames, (std::vector<std::string>{"Sc.Var.Maxis", "Sc.Var.maxis", "w"}));

    const Dataset lower = build(sheet, {"y"}, {"Sc.Var.maxis"});
    ASSERT_TRUE(lower.error.empty()) << lower.error;
    EXPECT_EQ(lower.block.explanatoryColumns, (std::vector<DataColumn>{{4, 3, 1, 2, 6}}));
    const Dataset upper = build(sheet, {"y"}, {" Sc.Var.Maxis "});
    ASSERT_TRUE(upper.error.empty()) << upper.error;
    EXPECT_EQ(upper.block.explanatoryColumns, (std::vector<DataColumn>{{1, 2, 3, 4, 5}}));
    // Folding still applies where only one column fits.
    const Dataset folded = build(sheet, {"Y"}, {"W"});
    ASSERT_TRUE(folded.error.empty()) << folded.error;
    EXPECT_EQ(folded.block.explanatoryNames, std::vector<std::string>{"w"});

    EXPECT_EQ(build(sheet, {"y"}, {"SC.VAR.MAXIS"}).error,
              "the name 'SC.VAR.MAXIS' fits both column 1 ('Sc.Var.Maxis') and column 2 ('Sc.Var.maxis'); "
              "give the name exactly as the header writes it");
    EXPECT_EQ(build("a,a,y\n1,2,3\n", {"y"}, {"a"}).error,
              "the name 'a' fits both column 1 ('a') and column 2 ('a'); rename one of them in the header");
}

TEST(BuildDataset, UnknownNamesListTheColumns) {
    const Dataset data = build(small, {"z"});
    EXPECT_EQ(data.error, "unknown variable 'Z'; the columns are 'a', 'B', 'c', 'y'");
}

TEST(BuildDataset, InputErrorsNameTheFileLineAndColumn) {
    EXPECT_EQ(build("a,y\n1,2\nx,3\n", {"y"}).error, "d.csv:3: column 1 ('a'): 'x' is not a number");
    EXPECT_EQ(build("a,y\n1,2\n3\n", {"y"}).error, "d.csv:3: the row has 1 cells, the header 2");
    EXPECT_EQ(build("a,y\n1,2\n3,4,5\n", {"y"}).error, "d.csv:3: the row has 3 cells, the header 2");
    EXPECT_EQ(build("a,y,a\n1,2,3\n", {"y"}).error, "d.csv:1: column 3 ('a'): duplicate column name, already column 1");
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

TEST(BuildDataset, MoreThan64ExplanatoryVariablesAreRefused) {
    for (int count : {64, 65}) {
        std::string header, row1, row2;
        for (int i = 0; i < count; ++i) {
            header += "v" + std::to_string(i) + ",";
            row1 += std::to_string(i) + ",";
            row2 += std::to_string(i * i + i + 1) + ",";
        }
        const Dataset data = build(header + "y\n" + row1 + "1\n" + row2 + "2\n", {"y"});
        if (count == 64) {
            EXPECT_EQ(data.error, "");
            EXPECT_EQ(data.block.explanatoryColumns.size(), 64u);
        } else {
            EXPECT_EQ(data.error, "65 explanatory variables; at most 64 can be searched (choose them with -x)");
        }
    }
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

namespace {

TEST(BuildDataset, UnusedColumnsMayHoldTextAndDefaultsLeaveTextColumnsOut) {
    const std::string content = "店舗名,a,b,備考,y\nA店,1,2,新規,3\nB店,2,1,,5\nC店,3,5,改装,4\nD店,4,3,x,8\n";
    const Dataset chosen = build(content, {"y"}, {"a", "b"});
    ASSERT_EQ(chosen.error, "");
    EXPECT_EQ(chosen.block.explanatoryNames, (std::vector<std::string>{"a", "b"}));
    EXPECT_TRUE(chosen.warnings.empty());
    const Dataset defaulted = build(content, {"y"});
    ASSERT_EQ(defaulted.error, "");
    EXPECT_EQ(defaulted.block.explanatoryNames, (std::vector<std::string>{"a", "b"}));
    ASSERT_EQ(defaulted.warnings.size(), 2u);
    EXPECT_EQ(defaulted.warnings[0], "column '店舗名' holds no numbers and is left out");
    EXPECT_EQ(defaulted.warnings[1], "column '備考' holds no numbers and is left out");
    // Chosen, a text column is an error at its first text cell.
    EXPECT_EQ(build(content, {"y"}, {"a", "店舗名"}).error, "d.csv:2: column 1 ('店舗名'): 'A店' is not a number");
}

TEST(BuildDataset, TrailingEmptyColumnIsIgnoredWhereverItEnds) {
    // A trailing comma in the header (and maybe in the rows) makes an
    // unnamed, empty column; it is neither a variable nor a reason to drop rows.
    for (const std::string content : {"a,b,y,\n1,2,3,\n2,1,5,\n3,4,4,\n", "a,b,y,\n1,2,3\n2,1,5\n3,4,4\n",
                                      "a,b,y\n1,2,3,\n2,1,5,\n3,4,4,\n"}) {
        const Dataset data = build(content, {"y"}, {}, true);
        ASSERT_EQ(data.error, "") << content;
        EXPECT_EQ(data.block.explanatoryNames, (std::vector<std::string>{"a", "b"})) << content;
        EXPECT_EQ(data.block.dependentColumns[0], (DataColumn{3, 5, 4})) << content;
        EXPECT_EQ(data.warnings, std::vector<std::string>{"dropped 0 incomplete rows"}) << content;
    }
    // An unnamed column with values is left out with a warning, not guessed at.
    const Dataset unnamed = build("a,,b,y\n1,7,2,3\n2,8,1,5\n3,9,4,4\n", {"y"});
    ASSERT_EQ(unnamed.error, "");
    EXPECT_EQ(unnamed.block.explanatoryNames, (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(unnamed.warnings, std::vector<std::string>{"column 2 has no name in the header and is left out"});
    // Rows of nothing but delimiters (Excel's empty rows) are no observations.
    EXPECT_EQ(build("a,y\n1,2\n,\n2,5\n3,4\n", {"y"}).block.dependentColumns[0], (DataColumn{2, 5, 4}));
}

TEST(BuildDataset, ExcelErrorValuesAreEmptyCellsForDropIncompleteAndReportedOtherwise) {
    const std::string content = "a,b,y\n1,2,3\n2,#N/A,5\n3,1,#DIV/0!\n4,5,6\n5,3,#VALUE!\n6,1,2\n";
    const Dataset dropped = build(content, {"y"}, {}, true);
    ASSERT_EQ(dropped.error, "");
    EXPECT_EQ(dropped.block.dependentColumns[0], (DataColumn{3, 6, 2}));
    EXPECT_EQ(dropped.warnings, std::vector<std::string>{"dropped 3 incomplete rows"});
    EXPECT_EQ(build(content, {"y"}).error,
              "d.csv:3: column 2 ('b'): Excel error value #N/A (use --drop-incomplete to drop such rows)");
    for (const char* error : {"#REF!", "#NAME?", "#NUM!", "#NULL!"}) {
        EXPECT_NE(build(std::string("a,y\n1,2\n") + error + ",3\n2,4\n", {"y"}).error.find("Excel error value"),
                  std::string::npos)
            << error;
    }
}

TEST(BuildDataset, NumbersWithThousandsSeparatorsAreNumbers) {
    const Dataset data = build("a,y\n\"1,234.5\",1\n\"-12,345,678\",2\n3,4\n", {"y"});
    ASSERT_EQ(data.error, "");
    EXPECT_EQ(data.block.explanatoryColumns[0], (DataColumn{1234.5, -12345678, 3}));
    // Separators out of their places make no number.
    EXPECT_EQ(build("a,y\n\"12,34\",1\n3,4\n", {"y"}).error, "d.csv:2: column 1 ('a'): '12,34' is not a number");
}

TEST(BuildDataset, NamesAreTrimmedOfSpacesAndFullWidthSpaces) {
    // Header cells typed with spaces, a typed name with a trailing U+3000.
    const Dataset data = build("y, x1 ,\u3000体重\u3000\n1,2,3\n2,1,5\n4,3,3\n", {"y\u3000"}, {"x1", " 体重"});
    ASSERT_EQ(data.error, "");
    EXPECT_EQ(data.block.dependentNames, std::vector<std::string>{"y"});
    EXPECT_EQ(data.block.explanatoryNames, (std::vector<std::string>{"x1", "体重"}));
}

TEST(BuildDataset, RefusesAConstantDependentVariableByName) {
    EXPECT_EQ(build("a,y\n1,0.1\n2,0.1\n3,0.1\n", {"y"}).error,
              "dependent variable 'y' is constant (every value is the same): there is nothing to explain");
    EXPECT_EQ(build("a,y,z\n1,1,0.1\n2,2,0.1\n3,4,0.1\n", {"y", "z"}).error,
              "dependent variable 'z' is constant (every value is the same): there is nothing to explain");
}

TEST(BuildDataset, RefusesValuesThatCannotBeComputedWithWhereTheyStand) {
    EXPECT_EQ(build("a,y\n1,2\n1e200,3\n2,4\n", {"y"}).error,
              "d.csv:3: column 1 ('a'): '1e200' is too large: values beyond 1e150 in magnitude overflow the sums "
              "of squares");
    EXPECT_EQ(build("a,y\n1,2\n2,-1e151\n3,1\n", {"y"}).error.substr(0, 33), "d.csv:3: column 2 ('y'): '-1e151'");
    for (const char* text : {"inf", "-Inf", "NaN", "Infinity", "1e999"}) {
        EXPECT_EQ(build(std::string("a,y\n1,2\n") + text + ",3\n2,4\n", {"y"}).error,
                  std::string("d.csv:3: column 1 ('a'): '") + text + "' is not a finite number");
    }
    // Not even with --drop-incomplete: such a value is not missing.
    EXPECT_NE(build("a,y\n1,2\nnan,3\n2,4\n", {"y"}, {}, true).error, "");
    // 1e150 itself and values in unused columns are fine.
    EXPECT_EQ(build("a,b,y\n1e150,inf,2\n1,1e300,3\n2,x,4\n", {"y"}, {"a"}).error, "");
}

TEST(ClassifyCell, TellsNumbersEmptiesErrorsAndTextApart) {
    double value = 0.0;
    EXPECT_EQ(classifyCell(" 1,234 ", value), CellKind::Number);
    EXPECT_EQ(value, 1234.0);
    EXPECT_EQ(classifyCell("1e-400", value), CellKind::Number);  // rounds to zero
    EXPECT_EQ(value, 0.0);
    EXPECT_EQ(classifyCell("\u3000", value), CellKind::Empty);
    EXPECT_EQ(classifyCell(" #N/A ", value), CellKind::ExcelError);
    EXPECT_EQ(classifyCell("#n/a", value), CellKind::NotNumber);
    EXPECT_EQ(classifyCell("1.5e151", value), CellKind::TooLarge);
    EXPECT_EQ(classifyCell("1,5", value), CellKind::NotNumber);
}

}  // namespace

// --force matches names as -x does: exactly first, folded only where no
// variable carries the name exactly, and a name that fits two is refused.
namespace {

RunRequest forceRequest(const std::string& sheet, const std::vector<std::string>& forced) {
    CliOptions options;
    options.dependents = {"y"};
    options.forced = forced;
    const Dataset data = buildDataset(parseCsv(sheet), "d.csv", options);
    EXPECT_TRUE(data.error.empty()) << data.error;
    return buildRunRequest(options, data.block);
}

}  // namespace

TEST(BuildRunRequest, ForcedNamesThatDifferOnlyInCaseMeanTheirOwnColumns) {
    const std::string sheet = "Sc.Var.Maxis,Sc.Var.maxis,y\n1,4,2\n2,3,1\n3,1,4\n4,2,3\n5,6,5\n";
    const RunRequest lower = forceRequest(sheet, {"Sc.Var.maxis"});
    ASSERT_TRUE(lower.error.empty()) << lower.error;
    EXPECT_EQ(lower.request.subsets.forced, SubsetMask{2});
    const RunRequest upper = forceRequest(sheet, {"Sc.Var.Maxis"});
    ASSERT_TRUE(upper.error.empty()) << upper.error;
    EXPECT_EQ(upper.request.subsets.forced, SubsetMask{1});
    EXPECT_EQ(forceRequest(sheet, {"sc.var.MAXIS"}).error,
              "--force: the name 'sc.var.MAXIS' fits both 'Sc.Var.Maxis' and 'Sc.Var.maxis'; give the name exactly "
              "as the header writes it");
}
