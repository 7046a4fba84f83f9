#include "report/result_block.h"

#include <gtest/gtest.h>

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
