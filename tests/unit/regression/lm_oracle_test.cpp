// R's lm as an independent oracle on data with exact dependencies and severe
// collinearity (scripts/make-lm-reference.R made the values once): which
// subsets are models, which are the best by lm's residual sum of squares,
// and every cell of the table to the five decimals it shows.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iostream>
#include <limits>
#include <sstream>

#include "lm_reference_files.h"
#include "subset_search/bounded_search.h"
#include "regression/centring.h"
#include "regression/least_squares_fit.h"
#include "subset_search/screening.h"
#include "report/number_text.h"
#include "search/search_driver.h"

namespace {

struct LmSubset {
    SubsetMask mask = 0;
    bool aliased = false;
    double rss = 0;
    double least = 0;  // min over the variables of 1 − R²_j
    bool exact = false;
    double r2 = 0, adjustedR2 = 0, aic = 0, pF = 0;
    std::vector<double> coefficients, pValues;  // per variable in bit order
};

struct LmSet {
    std::string name;
    std::vector<std::string> names;  // y first
    DataColumn y;
    std::vector<DataColumn> columns;
    std::vector<LmSubset> subsets;  // index mask − 1
    double sst = 0;
};

double number(const std::string& token) {
    if (token == "NA") return std::numeric_limits<double>::quiet_NaN();
    return std::strtod(token.c_str(), nullptr);
}

LmSet parse(const char* text) {
    std::istringstream in(text);
    LmSet set;
    std::string word, line;
    in >> word >> set.name >> word;
    std::getline(in, line);
    std::istringstream names(line);
    for (std::string name; names >> name;) set.names.push_back(name);
    std::size_t rows = 0, subsets = 0;
    in >> word >> rows;
    const std::size_t k = set.names.size() - 1;
    set.columns.assign(k, DataColumn(rows));
    set.y.resize(rows);
    for (std::size_t r = 0; r < rows; ++r) {
        in >> word;
        set.y[r] = number(word);
        for (std::size_t j = 0; j < k; ++j) {
            in >> word;
            set.columns[j][r] = number(word);
        }
    }
    in >> word >> subsets;
    for (std::size_t s = 0; s < subsets; ++s) {
        LmSubset subset;
        std::string field[9];
        for (std::string& f : field) in >> f;
        subset.mask = static_cast<SubsetMask>(std::stoul(field[0]));
        subset.aliased = field[1] == "1";
        subset.rss = number(field[2]);
        subset.least = number(field[3]);
        subset.exact = field[4] == "1";
        subset.r2 = number(field[5]);
        subset.adjustedR2 = number(field[6]);
        subset.aic = number(field[7]);
        subset.pF = number(field[8]);
        for (int j = 0; j < __builtin_popcountll(subset.mask); ++j) {
            in >> word;
            subset.coefficients.push_back(number(word));
            in >> word;
            subset.pValues.push_back(number(word));
        }
        set.subsets.push_back(subset);
    }
    DataColumn centred = set.y;
    centreColumn(centred);
    for (double v : centred) set.sst += v * v;
    return set;
}

std::vector<LmSet> lmSets() {
    std::vector<LmSet> sets;
    for (const char* text : lmReferenceFiles()) sets.push_back(parse(text));
    return sets;
}

// The data as the search sees them.
void centred(const LmSet& set, DataColumn& y, std::vector<DataColumn>& columns) {
    y = set.y;
    centreColumn(y);
    columns = set.columns;
    for (DataColumn& column : columns) centreColumn(column);
}

// Where lm fits a subset whose every 1 − R²_j is at least this, the subset
// must be kept and agree with lm cell by cell.
constexpr double clearlyIndependent = 1e-10;

TEST(LmOracle, TheReferenceHoldsAtLeastTenDataSetsWithAliasedSubsets) {
    const std::vector<LmSet> sets = lmSets();
    EXPECT_GE(sets.size(), 10u);
    std::size_t aliased = 0;
    for (const LmSet& set : sets) {
        EXPECT_EQ(set.subsets.size(), (std::size_t{1} << set.columns.size()) - 1) << set.name;
        for (const LmSubset& subset : set.subsets) aliased += subset.aliased ? 1 : 0;
    }
    EXPECT_GE(aliased, 25u);
}

TEST(LmOracle, SubsetsLmAliasesAreRejectedAndClearlyIndependentOnesKept) {
    std::size_t rejected = 0, refitted = 0, subsets = 0, rejectedByLm = 0;
    for (const LmSet& set : lmSets()) {
        DataColumn y;
        std::vector<DataColumn> columns;
        centred(set, y, columns);
        for (const LmSubset& subset : set.subsets) {
            const LeastSquaresFit fit = fitLeastSquares(y, columns, subset.mask);
            ++subsets;
            rejected += fit.ok ? 0 : 1;
            refitted += fit.refitted ? 1 : 0;
            rejectedByLm += subset.aliased ? 1 : 0;
            if (subset.aliased) {
                EXPECT_FALSE(fit.ok) << set.name << ", mask " << subset.mask << ": lm aliases it";
            } else if (subset.least >= clearlyIndependent) {
                EXPECT_TRUE(fit.ok) << set.name << ", mask " << subset.mask << ": least 1 - R2_j " << subset.least;
            }
        }
    }
    std::cout << "lm data: " << subsets << " subsets, lm aliases " << rejectedByLm << ", the rule rejects " << rejected
              << ", refitted in double-double " << refitted << "\n";
}

// lm's value of the ranking criterion (exact fits: RSS 0).
double lmCriterion(const LmSubset& subset, std::int32_t code, double n) {
    const double rss = subset.exact ? 0.0 : subset.rss;
    const double d = static_cast<double>(__builtin_popcountll(subset.mask));
    return code == 0 ? rss : code == 1 ? rss / (n - d - 1) : n * std::log(rss / n) + 2 * d;
}

TEST(LmOracle, KeptListsAreTheBestSubsetsByLmsValuesAmongThoseTheRuleKeeps) {
    for (const LmSet& set : lmSets()) {
        DataColumn y;
        std::vector<DataColumn> columns;
        centred(set, y, columns);
        const double n = static_cast<double>(y.size());
        for (std::int32_t code : {0, 1, 2}) {
            for (bool bounded : {false, true}) {
                std::vector<RankedSubset> kept;
                RunProgress progress;
                const std::uint32_t keepCount = 10;
                if (bounded) {
                    searchBestSubsets(y, columns, kept, keepCount, rankCriterionFromCode(code), progress);
                } else {
                    screenSubsets(y, columns, kept, keepCount, rankCriterionFromCode(code), progress);
                }
                // lm's values of every subset the rule keeps, best first.
                std::vector<double> values;
                for (const LmSubset& subset : set.subsets) {
                    if (n - __builtin_popcountll(subset.mask) - 1 > 0 && fitLeastSquares(y, columns, subset.mask).ok) {
                        values.push_back(lmCriterion(subset, code, n));
                    }
                }
                std::sort(values.begin(), values.end());
                ASSERT_EQ(kept.size(), std::min<std::size_t>(keepCount, values.size())) << set.name;
                const double tolerance = code == 2 ? 1e-6 : 1e-9 * set.sst;
                for (std::size_t i = 0; i < kept.size(); ++i) {
                    const LmSubset& subset = set.subsets[kept[i].mask - 1];
                    const double mine = lmCriterion(subset, code, n);
                    EXPECT_TRUE(mine == values[i] || std::fabs(mine - values[i]) <= tolerance)
                        << set.name << ", criterion " << code << (bounded ? " (bounded)" : "") << ", entry " << i
                        << ": mask " << kept[i].mask << " has lm's " << mine << ", the " << i
                        << "th best is " << values[i];
                    EXPECT_TRUE(kept[i].criterion == mine || std::fabs(kept[i].criterion - mine) <= tolerance)
                        << set.name << ", criterion " << code << ", mask " << kept[i].mask << ": " << kept[i].criterion
                        << " vs lm's " << mine;
                }
            }
        }
    }
}

// The texts a cell may show for lm's value and p value: the value's five
// decimals (either neighbour where it lies within 1e-9 of a rounding
// boundary), followed by the marks (either side where the p value lies
// within 1e-6 of 0.01 or 0.05). No p value: no marks are compared.
std::vector<std::u16string> acceptableTexts(double value, double p, bool withMarks) {
    std::vector<std::u16string> numbers;
    for (double v : {value, value * (1 + 1e-9) + 1e-12, value * (1 - 1e-9) - 1e-12}) {
        numbers.push_back(formatNumber(std::isinf(value) ? value : v));
    }
    std::vector<std::u16string> texts;
    for (const std::u16string& number : numbers) {
        if (!withMarks) {
            texts.push_back(number);
            continue;
        }
        for (double q : {p, p * (1 + 1e-6), p * (1 - 1e-6)}) texts.push_back(number + significanceMarks(q));
    }
    return texts;
}

std::u16string withoutMarks(std::u16string text) {
    while (!text.empty() && text.back() == u'*') text.pop_back();
    return text;
}

std::string narrow(const std::u16string& text) { return std::string(text.begin(), text.end()); }

void expectCell(const std::u16string& cell, double value, double p, bool withMarks, const std::string& where) {
    const std::vector<std::u16string> texts = acceptableTexts(value, p, withMarks);
    const std::u16string shown = withMarks ? cell : withoutMarks(cell);
    EXPECT_NE(std::find(texts.begin(), texts.end(), shown), texts.end())
        << where << ": shows " << narrow(cell) << ", lm " << narrow(texts[0]) << " (" << value << ", p " << p << ")";
}

TEST(LmOracle, EveryShownCellAgreesWithLmToTheFiveDecimalsShown) {
    std::size_t compared = 0, collinearRows = 0;
    for (const LmSet& set : lmSets()) {
        RunBlock block;
        block.dependentNames = {set.names[0]};
        block.explanatoryNames.assign(set.names.begin() + 1, set.names.end());
        block.dependentColumns = {set.y};
        block.explanatoryColumns = set.columns;
        block.keepCount = 1000;
        block.criterion = 0;
        RunProgress progress;
        ResultTable table;
        ASSERT_EQ(runSearch(block, progress, table), SearchOutcome::Completed) << set.name;
        const std::size_t k = set.columns.size();
        ASSERT_GE(table.size(), 4u);
        for (std::size_t r = 2; r + 2 < table.size(); ++r) {
            const ResultRow& row = table[r];
            SubsetMask mask = 0;
            for (std::size_t j = 0; j < k; ++j) {
                if (row[j] != u"-") mask |= SubsetMask{1} << j;
            }
            const LmSubset& subset = set.subsets.at(mask - 1);
            const std::string where = set.name + ", mask " + std::to_string(mask);
            ASSERT_FALSE(subset.aliased) << where << ": a model lm aliases is shown";
            if (subset.least < clearlyIndependent) {
                ++collinearRows;
                continue;
            }
            std::size_t m = 0;
            for (std::size_t j = 0; j < k; ++j) {
                if (!(mask & (SubsetMask{1} << j))) continue;
                // An exact fit's marks follow the engine's own rule.
                expectCell(row[j], subset.coefficients[m], subset.pValues[m], !subset.exact,
                           where + ", " + set.names[j + 1]);
                ++m;
            }
            expectCell(row[k], subset.r2, subset.pF, true, where + ", R2");
            expectCell(row[k + 1], subset.adjustedR2, 0, false, where + ", adjusted R2");
            expectCell(row[k + 2], subset.aic, 0, false, where + ", AIC");
            ++compared;
        }
    }
    std::cout << "lm cells: " << compared << " rows compared, " << collinearRows
              << " rows kept with some 1 - R2_j below " << clearlyIndependent << " not compared\n";
    EXPECT_GT(compared, 200u);
}

}  // namespace
