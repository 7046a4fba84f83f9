#include "csv.h"

#include <gtest/gtest.h>

namespace {

std::vector<std::vector<std::string>> texts(const CsvParse& parse) {
    std::vector<std::vector<std::string>> out;
    for (const CsvRecord& record : parse.records) {
        out.emplace_back();
        for (const CsvField& field : record) out.back().push_back(field.text);
    }
    return out;
}

TEST(ParseCsv, QuotedFieldsHoldCommasQuotesAndLineBreaks) {
    const CsvParse parse = parseCsv("a,\"b,c\",\"say \"\"hi\"\"\"\r\n\"two\nlines\",,x\n");
    ASSERT_TRUE(parse.error.empty()) << parse.error;
    EXPECT_EQ(texts(parse), (std::vector<std::vector<std::string>>{{"a", "b,c", "say \"hi\""}, {"two\nlines", "", "x"}}));
}

TEST(ParseCsv, SkipsTheByteOrderMarkAndBlankLinesAndCountsLines) {
    const CsvParse parse = parseCsv("\xEF\xBB\xBFname,\"q\nq\"\n\n1,2\r\n3,4");
    ASSERT_TRUE(parse.error.empty()) << parse.error;
    ASSERT_EQ(parse.records.size(), 3u);
    EXPECT_EQ(parse.records[0][0].text, "name");
    EXPECT_EQ(parse.records[1][0].line, 4u);  // the quoted line break counts
    EXPECT_EQ(parse.records[2][1].text, "4");
    EXPECT_EQ(parse.records[2][1].line, 5u);
}

TEST(ParseCsv, ReportsMalformedQuotingWithItsLine) {
    const CsvParse open = parseCsv("a,b\n1,\"2\n");
    EXPECT_EQ(open.error, "a quoted field is not closed");
    EXPECT_EQ(open.errorLine, 2u);
    const CsvParse trailing = parseCsv("a,b\n1,2\n\"3\"x,4\n");
    EXPECT_EQ(trailing.error, "unexpected text after a closing quotation mark");
    EXPECT_EQ(trailing.errorLine, 3u);
}

TEST(CsvField, QuotesOnlyWhenNeeded) {
    EXPECT_EQ(csvField("0.12345**"), "0.12345**");
    EXPECT_EQ(csvField("a,b"), "\"a,b\"");
    EXPECT_EQ(csvField("say \"x\""), "\"say \"\"x\"\"\"");
    EXPECT_EQ(csvField("two\nlines"), "\"two\nlines\"");
    // What is written parses back to the same text.
    const std::string text = "調整済み\n決定係数, \"quoted\"";
    EXPECT_EQ(parseCsv(csvField(text) + "\n").records.at(0).at(0).text, text);
}

}  // namespace
