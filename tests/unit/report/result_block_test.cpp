#include "report/result_block.h"

#include <gtest/gtest.h>

#include <cmath>

#include "regression/model_statistics.h"
#include "report/model_row.h"

namespace {

const std::u16string title = u"\u3000従属変数: ";
const std::u16string legend = u" **p<.01 *p<.05";

// The block of one dependent variable Y = (2, 4, 5, 4, 5) against X = 1..5.
struct WorkedExample {
    std::string dependentName = "Y";
    std::vector<std::string> names = {"X"};
    DataColumn y = {2, 4, 5, 4, 5};
    std::vector<DataColumn> columns = {{1, 2, 3, 4, 5}};
};

ResultTable blockOf(const WorkedExample& data, const std::vector<RankedSubset>& kept) {
    ResultTable table;
    ModelResult result;
    appendResultBlock({data.dependentName, data.names, kept, 5, data.y, data.columns}, result, table);
    return table;
}

TEST(AppendResultBlock, WorkedExampleCellByCell) {
    const WorkedExample data;
    const ResultTable table = blockOf(data, {{1u, 2.4}});
    const ResultTable expected = {
        {title + u"Y", u"", u"", u""},
        {u"X", u"決定係数", u"調整済み\n決定係数", u"AIC"},
        {u"0.77460", u"0.60000", u"0.46667", u"0.33015"},
        {u"\u3000N=5" + legend, u"", u"", u""},
        {u"", u"", u"", u""},
    };
    EXPECT_EQ(table, expected);
    // The second header text is nine characters with the line feed fifth.
    ASSERT_EQ(table.at(1).at(2).size(), 9u);
    EXPECT_EQ(table[1][2][4], u'\n');
}

TEST(AppendResultBlock, EmptyKeptListGivesFourRows) {
    const WorkedExample data;
    const ResultTable table = blockOf(data, {});
    ASSERT_EQ(table.size(), 4u);
    EXPECT_EQ(table[0][0], title + u"Y");
    EXPECT_EQ(table[1][0], u"X");
    EXPECT_EQ(table[2][0], u"\u3000N=5" + legend);
    EXPECT_EQ(table[3], ResultRow(4));
}

TEST(AppendResultBlock, AppendsAfterEarlierRowsAndKeepsWidth) {
    WorkedExample data;
    data.names = {"A", "B"};
    data.columns = {{1, 2, 3, 4, 5}, {3, 1, 4, 1, 5}};
    ResultTable table = {{u"earlier"}};
    ModelResult result;
    const std::vector<RankedSubset> kept = {{3u, 0.0}, {1u, 0.0}, {2u, 0.0}};
    appendResultBlock({data.dependentName, data.names, kept, 100, data.y, data.columns}, result, table);
    ASSERT_EQ(table.size(), 1u + 7u);
    EXPECT_EQ(table[0], ResultRow{u"earlier"});
    for (std::size_t r = 1; r < table.size(); ++r) EXPECT_EQ(table[r].size(), 5u) << "row " << r;
    // The rows follow the kept list's order: the full model, then A, then B.
    EXPECT_NE(table[3][0], u"-");
    EXPECT_NE(table[3][1], u"-");
    EXPECT_EQ(table[4][1], u"-");
    EXPECT_EQ(table[5][0], u"-");
    EXPECT_EQ(table[6][0], u"\u3000N=100" + legend);
}

}  // namespace

namespace {

// Columns of some size, y with signal and noise, all centred as the search
// centres them.
WorkedExample largerExample(std::size_t n, std::size_t k) {
    WorkedExample data;
    data.names.clear();
    data.columns.clear();
    data.y.assign(n, 0.0);
    for (std::size_t j = 0; j < k; ++j) {
        data.names.push_back("X" + std::to_string(j));
        DataColumn column(n);
        for (std::size_t r = 0; r < n; ++r) {
            column[r] = std::sin(0.37 * static_cast<double>(r * (j + 1)) + static_cast<double>(j));
            data.y[r] += static_cast<double>(j % 3) * column[r];
        }
        data.columns.push_back(column);
    }
    for (std::size_t r = 0; r < n; ++r) data.y[r] += 0.3 * std::cos(1.7 * static_cast<double>(r));
    return data;
}

TEST(AppendResultBlock, ModelRowsFromTheRunsCrossProductsEqualTheRowsOfEachModelsOwnFit) {
    const WorkedExample data = largerExample(40, 5);
    std::vector<RankedSubset> kept;
    for (SubsetMask mask = 1; mask < 32; ++mask) kept.push_back({mask, 0.0});
    const ResultTable table = blockOf(data, kept);
    ASSERT_EQ(table.size(), kept.size() + 4);
    for (std::size_t i = 0; i < kept.size(); ++i) {
        ModelResult own;
        ASSERT_TRUE(computeModelStatistics(data.y, data.columns, kept[i].mask, own));
        EXPECT_EQ(table[2 + i], formatModelRow(kept[i].mask, own, 8)) << "mask " << kept[i].mask;
    }
}

TEST(AppendResultBlock, AStopRequestBetweenModelsAppendsNothing) {
    const WorkedExample data = largerExample(30, 4);
    const std::vector<RankedSubset> kept = {{1u, 0.0}, {3u, 0.0}, {7u, 0.0}};
    ResultTable table = {{u"earlier"}};
    ModelResult result;
    RunProgress progress;
    progress.stopRequested = true;
    EXPECT_FALSE(appendResultBlock({data.dependentName, data.names, kept, 30, data.y, data.columns}, result, table,
                                   progress));
    EXPECT_EQ(table, (ResultTable{{u"earlier"}}));
    // Without the request the same block is appended whole.
    progress.stopRequested = false;
    EXPECT_TRUE(appendResultBlock({data.dependentName, data.names, kept, 30, data.y, data.columns}, result, table,
                                  progress));
    EXPECT_EQ(table.size(), 1u + kept.size() + 4u);
}

TEST(AppendResultBlock, AnExactFitShowsRSquaredOneAndNoNaN) {
    // y = 2·x1 − x2 exactly on non-integer data: R² 1.00000, AIC −∞, and
    // the marks of the exact-fit rule (both variables needed: "**").
    WorkedExample data;
    data.names = {"A", "B"};
    data.columns = {{0.31, -1.7, 2.9, 0.05, -0.83, 1.27}, {1.1, 0.45, -2.3, 0.7, -0.06, 0.38}};
    data.y.assign(6, 0.0);
    for (std::size_t r = 0; r < 6; ++r) data.y[r] = 2.0 * data.columns[0][r] - data.columns[1][r];
    const ResultTable table = blockOf(data, {{3u, 0.0}});
    ASSERT_EQ(table.size(), 5u);
    const ResultRow& row = table[2];
    EXPECT_EQ(row[2], u"1.00000**");
    EXPECT_EQ(row[3], u"1.00000");
    EXPECT_EQ(row[4], u"-inf");
    EXPECT_EQ(row[0].substr(row[0].size() - 2), u"**");
    EXPECT_EQ(row[1].substr(row[1].size() - 2), u"**");
    for (const std::u16string& cell : row) EXPECT_EQ(cell.find(u"nan"), std::u16string::npos);
}

}  // namespace
