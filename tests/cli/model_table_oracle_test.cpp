// tavrel -f models against R's lm: every subset of six data sets, every
// cell. The reference values come from oracle/make-models-oracle.R.
#include <gtest/gtest.h>

#include "dataset.h"
#include "oracle_process.h"

namespace {

struct DataSet {
    const char* name;
    const char* dependent;
    std::size_t subsets;
};

class ModelTableAgainstLm : public ::testing::TestWithParam<DataSet> {};

TEST_P(ModelTableAgainstLm, EveryCellOfEverySubsetAgrees) {
    const DataSet set = GetParam();
    int status = -1;
    const std::string out = runTavrel(std::string("-y ") + set.dependent + " -k 65535 -c rss -f models " +
                                          oracle(std::string(set.name) + ".csv"),
                                      status);
    ASSERT_EQ(status, 0) << out;
    ASSERT_EQ(out.rfind("\xEF\xBB\xBF", 0), 0u) << "no byte order mark";
    const auto ours = rowsOf(out);
    const auto reference = rowsOf(readFile(oracle(std::string(set.name) + "-lm.csv")));
    ASSERT_EQ(reference.size(), set.subsets);
    ASSERT_EQ(ours.size(), set.subsets) << out;
    std::map<std::string, const std::map<std::string, std::string>*> byVariables;
    for (const auto& row : reference) byVariables[row.at("variables")] = &row;
    double previousRss = -1.0;
    for (std::size_t r = 0; r < ours.size(); ++r) {
        const auto& row = ours[r];
        EXPECT_EQ(row.at("dependent"), set.dependent);
        EXPECT_EQ(row.at("rank"), std::to_string(r + 1));
        const auto found = byVariables.find(row.at("variables"));
        ASSERT_NE(found, byVariables.end()) << "no such subset in lm's list: " << row.at("variables");
        // Ranked by RSS, and the criterion column is the RSS itself.
        double rss = 0.0, criterion = 0.0;
        ASSERT_TRUE(parseNumber(row.at("rss"), rss) && parseNumber(row.at("criterion"), criterion));
        EXPECT_EQ(criterion, rss);
        EXPECT_GE(rss, previousRss) << row.at("variables");
        previousRss = rss;
        for (const auto& [column, expected] : *found->second) {
            if (column == "variables") continue;
            ASSERT_EQ(row.count(column), 1u) << "no column " << column;
            const std::string& actual = row.at(column);
            if (expected.empty()) {
                EXPECT_EQ(actual, "") << row.at("variables") << " " << column;
                continue;
            }
            double a = 0.0, e = 0.0;
            ASSERT_TRUE(parseNumber(expected, e)) << expected;
            ASSERT_TRUE(parseNumber(actual, a)) << row.at("variables") << " " << column << ": '" << actual << "'";
            EXPECT_TRUE(agrees(a, e)) << row.at("variables") << " " << column << ": tavrel " << actual << ", lm "
                                      << expected;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(RDataSets, ModelTableAgainstLm,
                         ::testing::Values(DataSet{"dependency", "y", 13}, DataSet{"cement", "y", 15}, DataSet{"longley", "employed", 63},
                                           DataSet{"stackloss", "loss", 7}, DataSet{"mtcars", "mpg", 63},
                                           DataSet{"swiss", "fertility", 31}),
                         [](const auto& param) { return std::string(param.param.name); });

}  // namespace
