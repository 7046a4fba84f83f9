#include "subset_search/scaled_system.h"

#include <cmath>

#include "regression/subset_mask.h"

namespace {

// A centred sum of squares at or below this share of the uncentred one is
// the rounding of the double-double sums (about 2^-104 of each term, times
// n terms), not a spread of the data.
constexpr double constantShare = 0x1p-90;

DoubleDouble productSum(const DataColumn& a, const DataColumn& b) {
    DoubleDouble sum;
    for (std::size_t r = 0; r < a.size(); ++r) sum = sum + twoProduct(a[r], b[r]);
    return sum;
}

DoubleDouble plainSum(const DataColumn& a) {
    DoubleDouble sum;
    for (double value : a) sum = sum + toDoubleDouble(value);
    return sum;
}

}  // namespace

bool formScaledSystem(const DataColumn& y, const std::vector<DataColumn>& columns, ScaledSystem& system) {
    const std::size_t k = columns.size();
    const std::size_t n = y.size();
    system.variables = k;
    system.rows = n;
    system.constant = 0;
    const DoubleDouble rows = toDoubleDouble(static_cast<double>(n));

    // Columns 0 … k − 1 are the variables, column k is y.
    std::vector<const DataColumn*> all;
    for (const DataColumn& column : columns) all.push_back(&column);
    all.push_back(&y);
    DoubleDouble sums[maxExplanatoryVariables + 1];
    for (std::size_t i = 0; i <= k; ++i) sums[i] = plainSum(*all[i]);
    DoubleDouble centred[(maxExplanatoryVariables + 1) * (maxExplanatoryVariables + 1)];
    const std::size_t width = k + 1;
    double scale[maxExplanatoryVariables + 1];
    for (std::size_t i = 0; i <= k; ++i) {
        for (std::size_t j = i; j <= k; ++j) {
            const DoubleDouble value = productSum(*all[i], *all[j]) - sums[i] * sums[j] / rows;
            centred[i * width + j] = value;
            centred[j * width + i] = value;
        }
        const DoubleDouble squares = centred[i * width + i];
        const double uncentred = productSum(*all[i], *all[i]).hi;
        if (i == k) {
            system.yShare = squares.hi / uncentred;
            scale[i] = squares.hi > 0.0 ? 1.0 / std::sqrt(squares.hi) : 0.0;
        } else if (!(squares.hi > constantShare * uncentred)) {
            scale[i] = 0.0;
            if (i < k) system.constant |= variableMask(i);
        } else {
            scale[i] = 1.0 / std::sqrt(squares.hi);
        }
    }
    if (scale[k] == 0.0) return false;
    system.yy = centred[k * width + k].hi;
    system.yyScaled = centred[k * width + k] * toDoubleDouble(scale[k]) * toDoubleDouble(scale[k]);
    for (std::size_t i = 0; i < k; ++i) {
        for (std::size_t j = 0; j < k; ++j) {
            system.matrix[i * scaledStride + j] = centred[i * width + j] * toDoubleDouble(scale[i]) * toDoubleDouble(scale[j]);
        }
        system.xty[i] = centred[i * width + k] * toDoubleDouble(scale[i]) * toDoubleDouble(scale[k]);
    }
    // A constant column explains nothing beyond the intercept: it stands in
    // as a unit column orthogonal to everything else.
    for (std::size_t i = 0; i < k; ++i) {
        if ((system.constant & variableMask(i)) == 0) continue;
        system.matrix[i * scaledStride + i] = toDoubleDouble(1.0);
    }
    return true;
}
