// tavrel's --per-size, --force, -c cp, -c bic and -c aicc against the leaps package:
// the same models in the same order with the same RSS and criterion. The
// reference lists come from oracle/make-subsets-oracle.R.
#include <gtest/gtest.h>

#include <cmath>

#include "dataset.h"
#include "oracle_process.h"

namespace {

struct DataSet {
    const char* name;
    const char* dependent;
};

using Row = std::map<std::string, std::string>;

double number(const Row& row, const std::string& column) {
    double value = 0.0;
    EXPECT_TRUE(parseNumber(row.at(column), value)) << column << ": '" << row.at(column) << "'";
    return value;
}

// The reference rows by tavrel command line, in their order.
std::map<std::string, std::vector<Row>> referenceByArguments(const std::string& path) {
    std::map<std::string, std::vector<Row>> byArguments;
    for (const Row& row : rowsOf(readFile(path))) byArguments[row.at("arguments")].push_back(row);
    return byArguments;
}

// One tavrel command line on a data set against leaps' rows for it.
void checkAgainstLeaps(const std::string& dataName, const std::string& dependent, const std::string& arguments,
                       const std::vector<Row>& expected, double tolerance = 1e-8) {
    int status = -1;
    const std::string out =
        runTavrel("-y " + dependent + " " + arguments + " -f models " + oracle(dataName + ".csv") + " 2>/dev/null",
                  status);
    ASSERT_EQ(status, 0) << arguments << "\n" << out;
    std::vector<Row> ours = rowsOf(out);
    // leaps lists no model that holds only the forced variables; tavrel
    // does (it is a model like the others), as the first of its size.
    std::size_t forcedCount = 0;
    for (std::size_t at = arguments.find("--force"); at != std::string::npos; at = arguments.find("--force", at + 1)) {
        ++forcedCount;
    }
    if (forcedCount > 0) {
        ASSERT_FALSE(ours.empty()) << arguments;
        EXPECT_EQ(ours.front().at("size"), std::to_string(forcedCount)) << arguments;
        EXPECT_EQ(ours.front().at("rank"), "1") << arguments;
        ours.erase(ours.begin());
    }
    ASSERT_EQ(ours.size(), expected.size()) << arguments << "\n" << out;
    for (std::size_t r = 0; r < ours.size(); ++r) {
        const Row& got = ours[r];
        const Row& want = expected[r];
        const std::string where = arguments + ", row " + std::to_string(r + 1);
        EXPECT_EQ(got.at("variables"), want.at("variables")) << where;
        EXPECT_EQ(got.at("size"), want.at("size")) << where;
        EXPECT_EQ(got.at("rank"), want.at("rank")) << where;
        EXPECT_LE(std::fabs(number(got, "rss") - number(want, "rss")), tolerance * std::fabs(number(want, "rss")))
            << where << ": tavrel " << got.at("rss") << ", leaps " << want.at("rss");
        EXPECT_LE(std::fabs(number(got, "criterion") - number(want, "criterion")),
                  tolerance * std::fabs(number(want, "criterion")) + 1e-300)
            << where << ": tavrel " << got.at("criterion") << ", leaps " << want.at("criterion");
    }
}

class SubsetsAgainstLeaps : public ::testing::TestWithParam<DataSet> {};

TEST_P(SubsetsAgainstLeaps, PerSizeForcedCpAndBicListsAgree) {
    const DataSet set = GetParam();
    const auto reference = referenceByArguments(oracle(std::string(set.name) + "-leaps.csv"));
    ASSERT_EQ(reference.size(), 6u) << "command lines in the reference";
    for (const auto& [arguments, expected] : reference) checkAgainstLeaps(set.name, set.dependent, arguments, expected);
}

// Eleven cars of mtcars, ten explanatory columns (n = k + 1): per-size
// lists up to 9 variables (8 for the corrected AIC) and the ten best by
// AIC, where models of 8 and 9 variables lead, and by the corrected AIC,
// where they do not.
TEST(SubsetsAgainstLeapsOnFewRows, CorrectedAicAndPerSizeListsAgree) {
    const auto reference = referenceByArguments(oracle("mtcars11-leaps.csv"));
    ASSERT_EQ(reference.size(), 6u) << "command lines in the reference";
    for (const auto& [arguments, expected] : reference) checkAgainstLeaps("mtcars11", "mpg", arguments, expected);
    const std::vector<Row>& byAicc = reference.at("-k 10 -c aicc");
    const std::vector<Row>& byAic = reference.at("-k 10 -c aic");
    EXPECT_EQ(byAic.front().at("size"), "9");
    for (const Row& row : byAicc) EXPECT_LE(std::stoi(row.at("size")), 5) << row.at("variables");
}

// Beyond 31 variables: bands of the Sonar data (mlbench), one band as y and
// 34 neighbours as candidates: the best model of each size, and the two best
// of each size that hold the last two candidates (bits 32 and 33 of the
// mask). RSS to 1e-9 relative.
TEST(SubsetsAgainstLeapsBeyondThirtyOne, SonarBestOfEachSizeAndForcedListsAgree) {
    const auto reference = referenceByArguments(oracle("sonar34-leaps.csv"));
    ASSERT_EQ(reference.size(), 2u) << "command lines in the reference";
    for (const auto& [arguments, expected] : reference) {
        checkAgainstLeaps("sonar34", "y", arguments, expected, 1e-9);
    }
    const std::vector<Row>& best = reference.at("-c rss --per-size 1");
    EXPECT_EQ(best.size(), 34u);
}

// Forty candidates: the best model of each size, where leaps takes over a
// minute; on one, two and three threads, each in agreement with leaps and
// all three outputs the same to the byte.
TEST(SubsetsAgainstLeapsBeyondThirtyOne, SonarBestOfEachSizeAmongFortyAgreeOnOneTwoAndThreeThreads) {
    const auto reference = referenceByArguments(oracle("sonar40-leaps.csv"));
    ASSERT_EQ(reference.size(), 1u) << "command lines in the reference";
    const std::vector<Row>& best = reference.at("-c rss --per-size 1");
    EXPECT_EQ(best.size(), 40u);
    std::string first;
    for (const char* threads : {"1", "2", "3"}) {
        const std::string arguments = std::string("-c rss --per-size 1 --threads ") + threads;
        checkAgainstLeaps("sonar40", "y", arguments, best, 1e-9);
        int status = -1;
        const std::string out = runTavrel("-y y " + arguments + " -f models " + oracle("sonar40.csv"), status);
        ASSERT_EQ(status, 0) << out;
        if (first.empty()) first = out;
        EXPECT_EQ(out, first) << threads << " threads";
    }
}

// Two of the benchmark's hard kinds at k = 34 (Longley's collinear columns
// among noise; column scales from 1e-6 to 1e9): the best model of each size.
TEST(SubsetsAgainstLeapsBeyondThirtyOne, HardKindsBestOfEachSizeAgree) {
    for (const std::string name : {"longley34", "far-scales34"}) {
        const auto reference = referenceByArguments(oracle(name + "-leaps.csv"));
        ASSERT_EQ(reference.size(), 1u) << name;
        const std::vector<Row>& best = reference.at("-c rss --per-size 1");
        EXPECT_EQ(best.size(), 34u) << name;
        checkAgainstLeaps(name, "y", "-c rss --per-size 1", best, 1e-9);
    }
}

INSTANTIATE_TEST_SUITE_P(RDataSets, SubsetsAgainstLeaps,
                         ::testing::Values(DataSet{"cement", "y"}, DataSet{"longley", "employed"},
                                           DataSet{"stackloss", "loss"}, DataSet{"mtcars", "mpg"},
                                           DataSet{"swiss", "fertility"}),
                         [](const auto& param) { return std::string(param.param.name); });

}  // namespace
