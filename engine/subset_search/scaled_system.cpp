#include "subset_search/scaled_system.h"

#include <cmath>
#include <memory>

#include "regression/scratch_array.h"
#include "regression/subset_mask.h"

namespace {

// A centred sum of squares at or below this share of the uncentred one is
// the rounding of the double-double sums (about 2^-104 of each term, times
// n terms), not a spread of the data.
constexpr double constantShare = 0x1p-90;

// The columns of the sums: the k variables, y, and a column of ones (whose
// products with the others are the plain column sums).
constexpr std::size_t sumWidth = maxExplanatoryVariables + 2;

// One row's values and their Dekker halves (splitDouble), split once per
// row rather than once per product.
struct SplitRow {
    double value[sumWidth];
    double hi[sumWidth];
    double lo[sumWidth];
};

// The running sums Σ a·b of every pair of columns a ≤ b, as double-double
// pairs (upper triangle, row-major, stride sumWidth).
struct PairSums {
    double hi[sumWidth * sumWidth];
    double lo[sumWidth * sumWidth];
};

// Adds one row's exact products x_a·x_b = p + e (Dekker's two-product of
// two split values), b = a … width − 1, to the running sums hi + lo. The sum of the leading parts is error-free
// (two-sum); the trailing parts (|lo| ≤ u·|hi|, |e| ≤ u·|p|) are added in
// double and the pair renormalised. Each step then errs by at most about
// 3·u²·(|sum| + |term|) absolutely (the "sloppy" double-double addition;
// Joldes, Muller and Popescu 2017, whose relative bound fails only under
// cancellation, where the absolute one above still holds). With every
// partial sum at most Σ|terms|, n rows err by at most 3·(n + 1)·u²·Σ|terms|
// = 0.75·(n + 1)·u₂·Σ|terms| (u₂ = 2^-104 = 4·u²), where the accurate
// addition's bound for a running sum of n terms is 3·n·u²·Σ|terms| (3·u² of
// each partial sum, each at most Σ|terms|): the order n·u₂ per entry that
// the tree's margin takes for sums of n rows in double-double
// (drop_tree.cpp), at half the operations of the accurate addition.
//
// The pairs (a, b) for one a and every b ≥ a are independent, and their
// arrays do not overlap (restrict), so the compiler may form several at
// once in vector registers: each lane does the same IEEE operations in the
// same order as a scalar loop would, so the sums are the same bits.
void addProducts(const SplitRow& row, std::size_t a, std::size_t width, double* __restrict hi, double* __restrict lo) {
    const double* __restrict value = row.value;
    const double* __restrict high = row.hi;
    const double* __restrict low = row.lo;
    const double x = value[a], xHigh = high[a], xLow = low[a];
    for (std::size_t b = a; b < width; ++b) {
        const double p = x * value[b];
        const double e = ((xHigh * high[b] - p) + xHigh * low[b] + xLow * high[b]) + xLow * low[b];
        const double s = hi[b] + p;
        const double back = s - hi[b];
        const double error = (hi[b] - (s - back)) + (p - back);
        const double w = error + (lo[b] + e);
        const double sum = s + w;
        lo[b] = w - (sum - s);
        hi[b] = sum;
    }
}

// Σ a·b over the rows in ascending order for every pair of the width
// columns (the last one the ones), with exact products.
void sumPairs(const std::vector<const DataColumn*>& columns, std::size_t n, PairSums& sums) {
    const std::size_t width = columns.size() + 1;
    for (std::size_t a = 0; a < width; ++a) {
        for (std::size_t b = a; b < width; ++b) {
            sums.hi[a * sumWidth + b] = 0.0;
            sums.lo[a * sumWidth + b] = 0.0;
        }
    }
    SplitRow row;
    const std::size_t ones = width - 1;
    row.value[ones] = 1.0;
    row.hi[ones] = 1.0;
    row.lo[ones] = 0.0;
    for (std::size_t r = 0; r < n; ++r) {
        for (std::size_t c = 0; c < ones; ++c) {
            row.value[c] = (*columns[c])[r];
            splitDouble(row.value[c], row.hi[c], row.lo[c]);
        }
        for (std::size_t a = 0; a < width; ++a) addProducts(row, a, width, sums.hi + a * sumWidth, sums.lo + a * sumWidth);
    }
}

}  // namespace

bool formScaledSystem(const DataColumn& y, const std::vector<DataColumn>& columns, ScaledSystem& system) {
    const std::size_t k = columns.size();
    const std::size_t n = y.size();
    system.variables = k;
    system.rows = n;
    system.constant = 0;
    const DoubleDouble rows = toDoubleDouble(static_cast<double>(n));

    // Columns 0 … k − 1 are the variables, column k is y, column k + 1 the
    // ones.
    std::vector<const DataColumn*> all;
    for (const DataColumn& column : columns) all.push_back(&column);
    all.push_back(&y);
    // Left unset (sumPairs clears the pairs it uses): 70 KB, once per search.
    const std::unique_ptr<PairSums> products(new PairSums);
    sumPairs(all, n, *products);
    const std::size_t ones = k + 1;
    const auto pairSum = [&](std::size_t a, std::size_t b) {
        const std::size_t at = a <= b ? a * sumWidth + b : b * sumWidth + a;
        return quickTwoSum(products->hi[at], products->lo[at]);
    };
    DoubleDouble sums[maxExplanatoryVariables + 1];
    for (std::size_t i = 0; i <= k; ++i) sums[i] = pairSum(i, ones);
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
