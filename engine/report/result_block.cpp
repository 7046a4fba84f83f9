#include "report/result_block.h"

#include <cmath>
#include <memory>

#include "regression/cross_products.h"
#include "regression/model_statistics.h"
#include "report/model_row.h"
#include "report/narrow_text.h"

namespace {

ResultRow titleRow(const std::string& dependentName, std::size_t width) {
    ResultRow row(width);
    // The prefix is UTF-16 already; only the name comes in the narrow
    // encoding. (The prefix ends with an ASCII space, so joining before or
    // after the conversion gives the same text in code page 932.)
    if (width > 0) row[0] = u"\u3000従属変数: " + narrowToUtf16(dependentName);
    return row;
}

ResultRow headerRow(const std::vector<std::string>& explanatoryNames) {
    ResultRow row;
    row.reserve(explanatoryNames.size() + 3);
    for (const std::string& name : explanatoryNames) row.push_back(narrowToUtf16(name));
    row.push_back(u"決定係数");
    row.push_back(u"調整済み\n決定係数");
    row.push_back(u"AIC");
    return row;
}

ResultRow footerRow(std::uint32_t observations, std::size_t width) {
    ResultRow row(width);
    const std::string digits = std::to_string(observations);
    if (width > 0) row[0] = u"\u3000N=" + std::u16string(digits.begin(), digits.end()) + u" **p<.01 *p<.05";
    return row;
}

// The statistics were computed from y·2^-e, whose RSS is the data's times
// 2^-2e: R², adjusted R², standardized coefficients and p values are the
// same, and AIC = n·ln(RSS/n) + … is the data's less n·2e·ln 2. The offset
// is added rather than the RSS scaled back, since the data's RSS need not
// be a double (y near 1e-200 has an RSS near 1e-400).
void undoDependentScale(int exponent, std::size_t rows, ModelResult& result) {
    if (exponent == 0) return;
    const double n = static_cast<double>(rows);
    result.statistics[2] += n * (2.0 * static_cast<double>(exponent) * std::log(2.0));
}

}  // namespace

bool appendResultBlock(const BlockInput& input, ModelResult& result, ResultTable& table, const RunProgress& progress) {
    const std::size_t width = input.explanatoryNames.size() + 3;
    ResultTable block;
    block.reserve(input.kept.size() + 4);
    block.push_back(titleRow(input.dependentName, width));
    block.push_back(headerRow(input.explanatoryNames));
    if (!input.kept.empty()) {
        // Heap storage: the cross-products are several kilobytes, and this
        // runs on worker threads with modest stacks.
        const std::unique_ptr<CrossProducts> products = std::make_unique<CrossProducts>();
        formCrossProducts(input.y, input.columns, *products);
        for (const RankedSubset& entry : input.kept) {
            if (progress.stopping()) return false;
            // The search kept only subsets whose fit succeeded, and this is
            // the same fit on the same sums, so the statistics are there.
            computeModelStatistics(*products, entry.mask, result);
            undoDependentScale(input.yExponent, products->rows, result);
            block.push_back(formatModelRow(entry.mask, result, width));
        }
    }
    block.push_back(footerRow(input.observations, width));
    block.push_back(ResultRow(width));
    table.insert(table.end(), std::make_move_iterator(block.begin()), std::make_move_iterator(block.end()));
    return true;
}

void appendResultBlock(const BlockInput& input, ModelResult& result, ResultTable& table) {
    const RunProgress running;
    appendResultBlock(input, result, table, running);
}
