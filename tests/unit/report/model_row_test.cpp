#include "report/model_row.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

std::string cellText(const std::u16string& text) { return std::string(text.begin(), text.end()); }

std::vector<std::string> asciiRow(const ResultRow& row) {
    std::vector<std::string> cells;
    for (const auto& cell : row) cells.push_back(cellText(cell));
    return cells;
}

TEST(FormatModelRow, PlacesCoefficientsUnderTheirVariablesInBitOrder) {
    // Variables 0 and 2 of k = 4: slots 1 and 2.
    ModelResult result{{0.0, 0.42, -1.5}, {0.2, 0.003, 0.04}, {0.61, 0.55, -123.4}};
    const ResultRow row = formatModelRow(0b0101, result, 7);
    const std::vector<std::string> expected = {"0.42000**", "-", "-1.50000*", "-", "0.61000", "0.55000",
                                               "-123.40000"};
    EXPECT_EQ(asciiRow(row), expected);
}

TEST(FormatModelRow, RSquaredCarriesTheMarksOfTheFTest) {
    ModelResult result{{0.0, 0.1, 0.2, 0.3}, {0.01, 0.2, 0.3, 0.4}, {0.9, 0.8, 12.0}};
    const std::vector<std::string> expected = {"0.10000", "0.20000", "0.30000", "0.90000**", "0.80000",
                                               "12.00000"};
    EXPECT_EQ(asciiRow(formatModelRow(0b111, result, 6)), expected);  // every variable: no "-"
}

TEST(FormatModelRow, OneVariableLeavesTheOthersAsHyphens) {
    ModelResult result{{0.0, 0.7}, {0.5, 0.5}, {0.49, 0.4, 3.0}};
    const ResultRow row = formatModelRow(0b1000, result, 7);
    EXPECT_EQ(asciiRow(row), (std::vector<std::string>{"-", "-", "-", "0.70000", "0.49000", "0.40000", "3.00000"}));
}

TEST(FormatModelRow, NonFiniteStatisticsShowAsTexts) {
    const double nan = std::nan("");
    const double inf = INFINITY;
    ModelResult result{{0.0, 1.0}, {0.0, 0.0}, {1.0, nan, -inf}};
    EXPECT_EQ(asciiRow(formatModelRow(0b1, result, 4)),
              (std::vector<std::string>{"1.00000**", "1.00000**", "nan", "-inf"}));
}

}  // namespace
