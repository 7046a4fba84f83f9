#include "report/model_row.h"

#include <cmath>

#include "report/number_text.h"

namespace {

// Reads slot i of a result vector; a slot the statistics did not fill reads
// as NaN rather than past the end.
double slot(const std::vector<double>& values, std::size_t i) {
    return i < values.size() ? values[i] : std::nan("");
}

}  // namespace

ResultRow formatModelRow(SubsetMask mask, const ModelResult& result, std::size_t width) {
    ResultRow row(width);
    if (width < 3) return row;
    const std::size_t k = width - 3;
    std::size_t m = 1;  // slot of the next variable in the model, in bit order
    for (std::size_t i = 0; i < k; ++i) {
        if (i < 64 && (mask >> i) & 1u) {
            row[i] = formatNumber(slot(result.coefficients, m)) + significanceMarks(slot(result.pValues, m));
            ++m;
        } else {
            row[i] = u"-";
        }
    }
    row[k] = formatNumber(slot(result.statistics, 0)) + significanceMarks(slot(result.pValues, 0));
    row[k + 1] = formatNumber(slot(result.statistics, 1));
    row[k + 2] = formatNumber(slot(result.statistics, 2));
    return row;
}
