#include "regression/pair_sums.h"

namespace {

constexpr std::size_t sumWidth = maxCrossProductOrder;

// One row's values and their Dekker halves (splitDouble), split once per
// row rather than once per product.
struct SplitRow {
    double value[sumWidth];
    double hi[sumWidth];
    double lo[sumWidth];
};

// Adds one row's exact products x_a·x_b = p + e (Dekker's two-product of
// two split values), b = a … width − 1, to the running sums hi + lo. The
// sum of the leading parts is error-free (two-sum); the trailing parts
// (|lo| ≤ u·|hi|, |e| ≤ u·|p|) are added in double and the pair
// renormalised. Each step then errs by at most about 3·u²·(|sum| + |term|)
// absolutely (the "sloppy" double-double addition; Joldes, Muller and
// Popescu 2017, whose relative bound fails only under cancellation, where
// the absolute one above still holds). With every partial sum at most
// Σ|terms|, n rows err by at most 3·(n + 1)·u²·Σ|terms| = 0.75·(n + 1)·u₂·
// Σ|terms| (u₂ = 2^-104 = 4·u²): the order n·u₂ per entry that the search's
// margins take for sums of n rows in double-double (drop_tree.cpp), where
// Dot2's bound grows as n²·u², at half the operations of the accurate
// addition.
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

}  // namespace

void sumPairs(const double* const* columns, std::size_t count, std::size_t n, PairSums& sums) {
    const std::size_t width = count + 1;
    for (std::size_t a = 0; a < width; ++a) {
        for (std::size_t b = a; b < width; ++b) {
            sums.hi[a * sumWidth + b] = 0.0;
            sums.lo[a * sumWidth + b] = 0.0;
        }
    }
    SplitRow row;
    const std::size_t ones = count;
    row.value[ones] = 1.0;
    row.hi[ones] = 1.0;
    row.lo[ones] = 0.0;
    for (std::size_t r = 0; r < n; ++r) {
        for (std::size_t c = 0; c < ones; ++c) {
            row.value[c] = columns[c][r];
            splitDouble(row.value[c], row.hi[c], row.lo[c]);
        }
        for (std::size_t a = 0; a < width; ++a) addProducts(row, a, width, sums.hi + a * sumWidth, sums.lo + a * sumWidth);
    }
}
