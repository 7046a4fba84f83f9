#include "model_table.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "model_details.h"
#include "regression/subset_mask.h"
#include "table_output.h"

namespace {

std::vector<std::string> headerCells(const std::vector<std::string>& names) {
    std::vector<std::string> cells = {"dependent", "rank", "size", "variables", "criterion", "rss", "mse",
                                      "r2", "adj_r2", "aic", "bic", "cp", "f", "f_p"};
    for (const std::string& name : names) {
        cells.push_back(name);
        cells.push_back(name + "_se");
        cells.push_back(name + "_t");
        cells.push_back(name + "_p");
    }
    cells.push_back("intercept");
    cells.push_back("intercept_se");
    return cells;
}

std::string joinedNames(const std::vector<std::string>& names, SubsetMask mask) {
    std::string text;
    for (SubsetMask rest = mask; rest != 0; rest = withoutLowestVariable(rest)) {
        text += (text.empty() ? "" : "+") + names[lowestVariable(rest)];
    }
    return text;
}

// The search ranked the prepared y, the data's y times 2^-e (centring.h):
// its sums of squares are the data's times 2^-2e, and n·ln(RSS/n) the
// data's less n·2e·ln 2; Mallows' Cp is a ratio of two of them.
long double criterionOfTheData(RankCriterion criterion, double value, std::size_t rows, int yExponent) {
    if (yExponent == 0) return value;
    switch (criterion) {
    case RankCriterion::ResidualSumOfSquares:
    case RankCriterion::ResidualMeanSquare: return std::ldexp(static_cast<long double>(value), 2 * yExponent);
    case RankCriterion::MallowsCp: return value;
    default: return value + static_cast<double>(rows) * (2.0 * static_cast<double>(yExponent) * std::log(2.0));
    }
}

std::vector<std::string> modelCells(const std::string& dependent, std::size_t rank, const RankedSubset& entry,
                                    const std::vector<std::string>& names, const ModelDetails& m,
                                    long double criterion) {
    std::vector<std::string> cells = {dependent, std::to_string(rank), std::to_string(subsetSize(entry.mask)),
                                      joinedNames(names, entry.mask), plainNumber(criterion)};
    if (!m.ok) {
        cells.resize(14 + 4 * names.size() + 2);
        return cells;
    }
    cells.push_back(plainNumber(m.rss));
    cells.push_back(plainNumber(m.residualMeanSquare));
    for (double value : {m.rSquared, m.adjustedRSquared, m.aic, m.bic, m.cp, m.f, m.fPValue}) {
        cells.push_back(plainNumber(value));
    }
    std::size_t j = 0;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if ((entry.mask >> i & 1u) == 0) {
            cells.insert(cells.end(), 4, "");
            continue;
        }
        cells.push_back(plainNumber(m.coefficients[j]));
        cells.push_back(plainNumber(m.standardErrors[j]));
        cells.push_back(plainNumber(m.tValues[j]));
        cells.push_back(plainNumber(m.pValues[j]));
        ++j;
    }
    cells.push_back(plainNumber(m.intercept));
    cells.push_back(plainNumber(m.interceptStandardError));
    return cells;
}

std::string csvLine(const std::vector<std::string>& cells) {
    std::string line;
    for (std::size_t c = 0; c < cells.size(); ++c) {
        if (c > 0) line += ',';
        line += spreadsheetCsvCell(cells[c]);
    }
    return line + "\r\n";
}

}  // namespace

std::string plainNumber(double value) {
    if (!std::isfinite(value)) return "";
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string plainNumber(long double value) {
    const double nearest = static_cast<double>(value);
    if (static_cast<long double>(nearest) == value) return plainNumber(nearest);
    if (!std::isfinite(value)) return "";
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.16Le", value);
    return buffer;
}

std::string renderModelTable(const RunBlock& block, const Analysis& analysis) {
    const std::vector<std::string>& names = block.explanatoryNames;
    std::string out = csvLine(headerCells(names));
    for (std::size_t i = 0; i < analysis.kept.size(); ++i) {
        const CentredData data = centreData(block.dependentColumns[i], block.explanatoryColumns);
        const double fullMeanSquare = fullModelMeanSquare(data);
        const std::vector<RankedSubset>& kept = analysis.kept[i];
        for (std::size_t m = 0; m < kept.size(); ++m) {
            const ModelDetails details = computeModelDetails(data, kept[m].mask, fullMeanSquare);
            const std::size_t rank = i < analysis.ranks.size() && m < analysis.ranks[i].size() ? analysis.ranks[i][m]
                                                                                             : m + 1;
            const long double criterion =
                criterionOfTheData(analysis.criterion, kept[m].criterion, data.y.size(), data.yExponent);
            out += csvLine(modelCells(block.dependentNames[i], rank, kept[m], names, details, criterion));
        }
    }
    return out;
}
