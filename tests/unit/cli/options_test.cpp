#include "options.h"

#include <gtest/gtest.h>

namespace {

TEST(ParseOptions, ReadsEveryOptionInShortAndLongForm) {
    const ParsedOptions parsed = parseOptions({"-y", "Y", "--dependent=Z", "-x", "A", "--explanatory", "B", "-k",
                                               "25", "--criterion", "mse", "-f", "csv", "-o", "out.csv",
                                               "--drop-incomplete", "data.csv"});
    ASSERT_TRUE(parsed.error.empty()) << parsed.error;
    const CliOptions& o = parsed.options;
    EXPECT_EQ(o.dependents, (std::vector<std::string>{"Y", "Z"}));
    EXPECT_EQ(o.explanatory, (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(o.keepCount, 25);
    EXPECT_EQ(o.criterion, 1);
    EXPECT_EQ(o.format, OutputFormat::Csv);
    EXPECT_EQ(o.outputPath, "out.csv");
    EXPECT_TRUE(o.dropIncomplete);
    EXPECT_EQ(o.dataPath, "data.csv");
}

TEST(ParseOptions, DefaultsAreTenModelsByAicAsText) {
    const ParsedOptions parsed = parseOptions({"-y", "Y", "d.csv"});
    ASSERT_TRUE(parsed.error.empty()) << parsed.error;
    EXPECT_EQ(parsed.options.keepCount, 10);
    EXPECT_EQ(parsed.options.criterion, 2);
    EXPECT_EQ(parsed.options.format, OutputFormat::Text);
    EXPECT_TRUE(parsed.options.explanatory.empty());
}

TEST(ParseOptions, RefusesBadValuesAndMissingPieces) {
    const std::vector<std::vector<std::string>> bad = {
        {"-y", "Y", "-k", "0", "d.csv"},      {"-y", "Y", "-k", "65536", "d.csv"},
        {"-y", "Y", "-k", "12x", "d.csv"},    {"-y", "Y", "-c", "bic", "d.csv"},
        {"-y", "Y", "-f", "xml", "d.csv"},    {"-y", "Y", "--frobnicate", "d.csv"},
        {"-y", "Y", "a.csv", "b.csv"},        {"-y", "Y"},
        {"d.csv"},                            {"-y"},
    };
    for (const auto& arguments : bad) {
        std::string line;
        for (const auto& a : arguments) line += a + " ";
        EXPECT_FALSE(parseOptions(arguments).error.empty()) << line;
    }
}

TEST(ParseOptions, HelpAndVersionNeedNothingElse) {
    EXPECT_TRUE(parseOptions({"--help"}).error.empty());
    EXPECT_TRUE(parseOptions({"--help"}).options.showHelp);
    EXPECT_TRUE(parseOptions({"--version"}).options.showVersion);
}

}  // namespace
