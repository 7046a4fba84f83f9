#pragma once
// The running sums Σ a·b over the rows, in ascending order, of every pair of
// a set of columns and of each column with a column of ones (its plain
// sum): exact products (Dekker's two-product of split halves) accumulated
// in double-double. The double-double cross-products and the search's
// scaled system both take their sums from here, so the two agree bit for
// bit, and a search forms them once.
#include <cstddef>

#include "regression/cross_products.h"
#include "regression/double_double.h"

// Columns 0 … count − 1 and the ones at index count; upper triangle,
// row-major, stride maxCrossProductOrder. Left unset when default-
// initialised (sumPairs clears the pairs it uses).
struct PairSums {
    double hi[maxCrossProductOrder * maxCrossProductOrder];
    double lo[maxCrossProductOrder * maxCrossProductOrder];

    // The sum of pair (a, b), either order; index count is the ones.
    DoubleDouble at(std::size_t a, std::size_t b) const {
        const std::size_t index = a <= b ? a * maxCrossProductOrder + b : b * maxCrossProductOrder + a;
        return quickTwoSum(hi[index], lo[index]);
    }
};

// Sums every pair of the count columns of n values each (at most
// maxCrossProductOrder − 1 of them) and the ones.
void sumPairs(const double* const* columns, std::size_t count, std::size_t n, PairSums& sums);
