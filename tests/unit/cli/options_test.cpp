#include "options.h"
#include "subset_search/ranked_subset.h"

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
        {"-y", "Y", "-k", "12x", "d.csv"},    {"-y", "Y", "-c", "r2", "d.csv"}, 
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

namespace {

TEST(ParseOptions, ReadsTheOptionsForExcelFiles) {
    const ParsedOptions parsed = parseOptions({"-y", "Y", "--encoding", "cp932", "--delimiter=semicolon", "--no-bom",
                                               "--layout", "long", "-f", "models", "d.csv"});
    ASSERT_EQ(parsed.error, "");
    EXPECT_EQ(parsed.options.encoding, InputEncoding::Cp932);
    EXPECT_EQ(parsed.options.delimiter, ';');
    EXPECT_FALSE(parsed.options.byteOrderMark);
    EXPECT_EQ(parsed.options.layout, TableLayout::Long);
    EXPECT_EQ(parsed.options.format, OutputFormat::Models);
    const ParsedOptions defaults = parseOptions({"-y", "Y", "d.csv"});
    EXPECT_EQ(defaults.options.encoding, InputEncoding::Automatic);
    EXPECT_EQ(defaults.options.delimiter, '\0');
    EXPECT_TRUE(defaults.options.byteOrderMark);
    EXPECT_EQ(defaults.options.layout, TableLayout::Automatic);
}

TEST(ParseOptions, AFlagGivenAValueIsAnErrorNotASilentYes) {
    EXPECT_EQ(parseOptions({"-y", "Y", "--drop-incomplete=no", "d.csv"}).error, "--drop-incomplete takes no value");
    EXPECT_EQ(parseOptions({"-y", "Y", "--no-bom=1", "d.csv"}).error, "--no-bom takes no value");
    EXPECT_EQ(parseOptions({"--help=yes"}).error, "--help takes no value");
}

TEST(ParseOptions, BlankNamesAndBadChoicesAreRefused) {
    EXPECT_EQ(parseOptions({"-y", "", "d.csv"}).error, "-y needs a variable name, not ''");
    EXPECT_EQ(parseOptions({"-y", "Y", "--explanatory=  ", "d.csv"}).error,
              "--explanatory needs a variable name, not '  '");
    EXPECT_EQ(parseOptions({"-y", "\u3000", "d.csv"}).error, "-y needs a variable name, not '\u3000'");
    EXPECT_EQ(parseOptions({"-y", "Y", "-o", "", "d.csv"}).error, "-o needs a file name");
    EXPECT_EQ(parseOptions({"-y", "Y", "--encoding", "latin1", "d.csv"}).error,
              "--encoding must be utf-8 or cp932, not 'latin1'");
    EXPECT_EQ(parseOptions({"-y", "Y", "--delimiter", "|", "d.csv"}).error,
              "--delimiter must be comma, tab or semicolon, not '|'");
    EXPECT_EQ(parseOptions({"-y", "Y", "--layout", "tall", "d.csv"}).error, "--layout must be long or wide, not 'tall'");
}

TEST(ParseOptions, ReadsPerSizeListsForcedVariablesAndTheFurtherCriteria) {
    const ParsedOptions parsed =
        parseOptions({"-y", "Y", "--per-size", "3", "--force", "a", "--force=b", "-c", "bic", "d.csv"});
    ASSERT_EQ(parsed.error, "");
    EXPECT_EQ(parsed.options.perSize, 3);
    EXPECT_EQ(parsed.options.forced, (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(parsed.options.criterion, static_cast<std::int32_t>(RankCriterion::BayesInformationCriterion));
    EXPECT_EQ(parseOptions({"-y", "Y", "-c", "cp", "d.csv"}).options.criterion,
              static_cast<std::int32_t>(RankCriterion::MallowsCp));
    EXPECT_EQ(parseOptions({"-y", "Y", "--criterion=aicc", "d.csv"}).options.criterion,
              static_cast<std::int32_t>(RankCriterion::CorrectedInformationCriterion));
    EXPECT_EQ(parseOptions({"-y", "Y", "d.csv"}).options.perSize, 0);
}

TEST(ParseOptions, ThreadsDefaultToTheMachinesCoresAndTakeOneTo256) {
    EXPECT_EQ(parseOptions({"-y", "Y", "d.csv"}).options.threads, 0);
    EXPECT_EQ(parseOptions({"-y", "Y", "--threads", "3", "d.csv"}).options.threads, 3);
    EXPECT_EQ(parseOptions({"-y", "Y", "--threads=256", "d.csv"}).options.threads, 256);
    for (const char* wrong : {"0", "257", "-1", "two", "", "2.5"}) {
        EXPECT_EQ(parseOptions({"-y", "Y", "--threads", wrong, "d.csv"}).error,
                  std::string("--threads needs a whole number from 1 to 256, not '") + wrong + "'");
    }
}

TEST(ParseOptions, PerSizeListsAndForcedNamesAreCheckedLikeTheOthers) {
    EXPECT_EQ(parseOptions({"-y", "Y", "--per-size", "0", "d.csv"}).error,
              "--per-size needs a whole number from 1 to 65535, not '0'");
    EXPECT_EQ(parseOptions({"-y", "Y", "-k", "5", "--per-size", "2", "d.csv"}).error,
              "--keep and --per-size cannot be combined: --per-size N keeps the N best models of each size");
    EXPECT_EQ(parseOptions({"-y", "Y", "--force", " ", "d.csv"}).error, "--force needs a variable name, not ' '");
    EXPECT_EQ(parseOptions({"-y", "Y", "-c", "adjr2", "d.csv"}).error,
              "--criterion must be rss, mse, aic, aicc, bic or cp, not 'adjr2'");
    EXPECT_EQ(parseOptions({"-y", "Y", "-c", "AICc", "d.csv"}).error,
              "--criterion must be rss, mse, aic, aicc, bic or cp, not 'AICc'");
}

}  // namespace
