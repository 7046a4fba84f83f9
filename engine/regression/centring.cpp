#include "regression/centring.h"

#include <cmath>

namespace {

// The centred values' own mean is subtracted where their sum exceeds this
// share of n times their largest magnitude. After a plain centring the sum
// is n times the error of the mean, a few units of the mean's last place:
// below the share for every column whose mean is within about 10^5 of its
// spread, so such columns keep exactly the values of a plain centring. Above
// it (values near 1.6e18 varying by 1e12, say) the sum is rounding that can
// outweigh n itself, and the exact fit's elimination would pivot on it.
constexpr double residualMeanShare = 0x1p-32;

// Columns whose largest centred magnitude lies in this range are not
// scaled, so data of everyday magnitudes keep the values of a plain
// centring bit for bit. The range is narrow enough that the exact fit's
// partial pivoting never meets an entry that is only rounding: that needs
// two columns (or a column and the intercept) whose norms differ by more
// than 2^26 with a cosine below 2^-26, and norms within 2^8 of 1 differ by
// at most 2^16·√n (2^26 at Excel's 2^20 rows); a centred sum, at most
// residualMeanShare·n times the largest magnitude, stays far below both n
// and the column's own sum of squares.
constexpr double smallestUnscaled = 0x1p-8;
constexpr double largestUnscaled = 0x1p8;

double sumOf(const DataColumn& column) {
    double sum = 0.0;
    for (double value : column) sum += value;
    return sum;
}

double largestMagnitude(const DataColumn& column) {
    double largest = 0.0;
    for (double value : column) largest = std::fmax(largest, std::fabs(value));
    return largest;
}

void subtract(DataColumn& column, double amount) {
    for (double& value : column) value -= amount;
}

// Centres the column and returns what was subtracted in all.
double centre(DataColumn& column) {
    const double n = static_cast<double>(column.size());
    const double mean = sumOf(column) / n;
    subtract(column, mean);
    // Values near a huge mean and the mean itself differ by exact
    // subtractions (they lie within a factor of two of each other), so the
    // centred values are the data less one constant: their sum is n times
    // the mean's error, and subtracting their own mean removes it down to
    // the rounding of the centred values themselves.
    const double residual = sumOf(column);
    if (!(std::fabs(residual) > residualMeanShare * n * largestMagnitude(column))) return mean;
    subtract(column, residual / n);
    return mean + residual / n;
}

}  // namespace

void centreColumn(DataColumn& column) {
    if (!column.empty()) centre(column);
}

ColumnPreparation prepareColumn(DataColumn& column) {
    ColumnPreparation preparation;
    if (column.empty()) return preparation;
    preparation.shift = centre(column);
    const double largest = largestMagnitude(column);
    if (largest == 0.0 || (largest >= smallestUnscaled && largest <= largestUnscaled)) return preparation;
    // largest = f·2^e with f in [0.5, 1): the values times 2^-e. Subnormal
    // values scale up exactly; values far below the largest may become
    // subnormal when a column is scaled down, which only touches digits
    // below the rounding of the centring itself.
    std::frexp(largest, &preparation.exponent);
    for (double& value : column) value = std::ldexp(value, -preparation.exponent);
    return preparation;
}
