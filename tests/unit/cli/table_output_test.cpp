#include "table_output.h"

#include <gtest/gtest.h>

#include "csv.h"

namespace {

const ResultTable table = {
    {u"\u3000従属変数: y", u"", u"", u"", u""},
    {u"x1", u"重量", u"決定係数", u"調整済み\n決定係数", u"AIC"},
    {u"0.50000**", u"-", u"0.25000", u"0.20000", u"-3.00000"},
    {u"\u3000N=5 **p<.01 *p<.05", u"", u"", u"", u""},
    {u"", u"", u"", u"", u""},
};

TEST(RenderTable, CsvParsesBackToTheSameCellsWithFormulaLikeTextMarked) {
    const CsvParse parse = parseCsv(renderTable(table, OutputFormat::Csv));
    ASSERT_TRUE(parse.error.empty()) << parse.error;
    // The empty separator row reads as a row of empty fields.
    ASSERT_EQ(parse.records.size(), table.size());
    for (std::size_t r = 0; r < table.size(); ++r) {
        ASSERT_EQ(parse.records[r].size(), table[r].size()) << "row " << r;
        for (std::size_t c = 0; c < table[r].size(); ++c) {
            // The lone "-" of a variable left out is not a number, so a
            // spreadsheet must be told it is text; "-3.00000" is a number.
            const std::string expected = r == 2 && c == 1 ? "'-" : toUtf8(table[r][c]);
            EXPECT_EQ(parse.records[r][c].text, expected) << "row " << r << " cell " << c;
        }
    }
}

TEST(SpreadsheetCsvCell, MarksTextThatASpreadsheetWouldEvaluate) {
    EXPECT_EQ(spreadsheetCsvCell("=SUM(A1:A3)"), "'=SUM(A1:A3)");
    EXPECT_EQ(spreadsheetCsvCell("+cmd|' /C calc'!A0"), "'+cmd|' /C calc'!A0");
    EXPECT_EQ(spreadsheetCsvCell("@x"), "'@x");
    EXPECT_EQ(spreadsheetCsvCell("-0.26318**"), "'-0.26318**");
    EXPECT_EQ(spreadsheetCsvCell("-=1,2"), "\"'-=1,2\"");  // marked, then quoted for the comma
    // Numbers and other text stay as they are.
    EXPECT_EQ(spreadsheetCsvCell("-0.26318"), "-0.26318");
    EXPECT_EQ(spreadsheetCsvCell("+1e-5"), "+1e-5");
    EXPECT_EQ(spreadsheetCsvCell("x=1"), "x=1");
    EXPECT_EQ(spreadsheetCsvCell(""), "");
}

TEST(RenderTable, TsvKeepsOneLinePerRow) {
    const std::string tsv = renderTable(table, OutputFormat::Tsv);
    EXPECT_EQ(std::count(tsv.begin(), tsv.end(), '\n'), 5);
    EXPECT_NE(tsv.find("調整済み 決定係数"), std::string::npos);
}

TEST(RenderTable, TextAlignsColumnsByDisplayWidth) {
    const std::string text = renderTable(table, OutputFormat::Text);
    const std::string expected =
        "\u3000従属変数: y\n"
        "       x1  重量  決定係数  調整済み       AIC\n"
        "                           決定係数\n"
        "0.50000**     -   0.25000   0.20000  -3.00000\n"
        "\u3000N=5 **p<.01 *p<.05\n"
        "\n";
    EXPECT_EQ(text, expected);
}

TEST(DisplayWidth, CountsWideCharactersTwice) {
    EXPECT_EQ(displayWidth(u"abc"), 3u);
    EXPECT_EQ(displayWidth(u"決定係数"), 8u);
    EXPECT_EQ(displayWidth(u"\u3000N=5"), 5u);
    EXPECT_EQ(displayWidth(u"ｱｲ"), 2u);  // half-width katakana
}

TEST(ToUtf8, EncodesSurrogatePairsAndReplacesLoneHalves) {
    EXPECT_EQ(toUtf8(u"A\u00E9\u6C7A"), "A\xC3\xA9\xE6\xB1\xBA");
    EXPECT_EQ(toUtf8(u"\U0001F600"), "\xF0\x9F\x98\x80");
    EXPECT_EQ(toUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
}

}  // namespace

namespace {

TEST(RenderLongText, OneLinePerModelWithTheVariablesInIt) {
    const std::string text = renderLongText(table, {{-5.0}});
    const std::string expected =
        "\u3000従属変数: y\n"
        "順位    基準値  決定係数  調整済み決定係数       AIC\n"
        "   1  -5.00000   0.25000           0.20000  -3.00000  x1=0.50000**\n"
        "\u3000N=5 **p<.01 *p<.05\n"
        "\n";
    EXPECT_EQ(text, expected);
}

TEST(TextTableWidth, IsTheWidestLine) {
    // "0.50000**     -   0.25000   0.20000  -3.00000" is 45 columns.
    EXPECT_EQ(textTableWidth(table), 45u);
}

}  // namespace
