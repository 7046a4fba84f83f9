#pragma once
// Values the regression cannot compute with: not finite, or so large that
// sums over a column (its mean; the RSS of the data as given, from which
// AIC is shown) could overflow. Such a cell would silently drop every model
// containing its variable (NaN) or rank rows of "nan" coefficients among
// the real ones (overflow), so a run is refused instead. Small values have
// no such limit: columns are scaled by powers of two before the search
// (centring.h), so data near 1e-200 or subnormal are searched like any.
#include <cstddef>
#include <string>
#include <vector>

#include "regression/data_column.h"

// The largest magnitude accepted. Its square, 1e300, still leaves a factor of
// about 1.8e8 before double overflows (1.8e308), so the sum of squares of a
// column stays finite for any row count a worksheet can hold.
inline constexpr double largestComputableMagnitude = 1e150;

// Finite and at most largestComputableMagnitude in magnitude.
bool isComputableValue(double value);

// The index of the first column (in list order) holding a value that is not
// computable, or columns.size() when every value is.
std::size_t firstUncomputableColumn(const std::vector<DataColumn>& columns);
