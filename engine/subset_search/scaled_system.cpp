#include "subset_search/scaled_system.h"

#include <cmath>
#include <memory>

#include "regression/scratch_array.h"
#include "regression/extended_cross_products.h"
#include "regression/subset_mask.h"

namespace {

// A centred sum of squares at or below this share of the uncentred one is
// the rounding of the double-double sums (about 2^-104 of each term, times
// n terms), not a spread of the data.
constexpr double constantShare = 0x1p-90;

}  // namespace

bool formScaledSystem(const ExtendedCrossProducts& extended, ScaledSystem& system) {
    const std::size_t k = extended.variables;
    const std::size_t n = extended.rows;
    system.variables = k;
    system.rows = n;
    system.constant = 0;
    const DoubleDouble rows = toDoubleDouble(static_cast<double>(n));

    // Columns 0 … k − 1 are the variables, column k is y (the products'
    // indices 1 … k + 1), and the products' row 0 holds their sums.
    const auto pairSum = [&](std::size_t a, std::size_t b) { return extended.at(a + 1, b + 1); };
    DoubleDouble sums[maxExplanatoryVariables + 1];
    for (std::size_t i = 0; i <= k; ++i) sums[i] = extended.at(0, i + 1);
    ScratchArray<DoubleDouble, (maxExplanatoryVariables + 1) * (maxExplanatoryVariables + 1)> centred;
    const std::size_t width = k + 1;
    double scale[maxExplanatoryVariables + 1];
    for (std::size_t i = 0; i <= k; ++i) {
        for (std::size_t j = i; j <= k; ++j) {
            const DoubleDouble value = pairSum(i, j) - sums[i] * sums[j] / rows;
            centred[i * width + j] = value;
            centred[j * width + i] = value;
        }
        const DoubleDouble squares = centred[i * width + i];
        const double uncentred = pairSum(i, i).hi;
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

bool formScaledSystem(const DataColumn& y, const std::vector<DataColumn>& columns, ScaledSystem& system) {
    CrossProducts products;
    formCrossProducts(y, columns, products);
    const std::unique_ptr<ExtendedCrossProducts> extended(new ExtendedCrossProducts);
    formExtendedCrossProducts(products, *extended);
    return formScaledSystem(*extended, system);
}
