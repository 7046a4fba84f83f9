#pragma once
// Centring a column on its mean before the search keeps the normal
// equations well conditioned when a column's mean is large against its
// spread; scaling it by a power of two keeps its sums of squares in range
// at any magnitude a double holds.
#include "regression/data_column.h"

// Subtracts the mean (values summed in ascending row order, divided by n)
// from every value. Where the mean of a column that varies by little around
// a huge value (nanosecond timestamps, serial numbers with a large offset)
// carries too few digits, the centred values still share a part of a
// rounding error's size; their own mean is then subtracted as well
// (see centring.cpp). An empty column is left as it is.
void centreColumn(DataColumn& column);

// A column as the search sees it: (x − shift)·2^-exponent for every value x
// (shift is the total subtracted, as a double).
struct ColumnPreparation {
    double shift = 0.0;
    int exponent = 0;
};

// Centres the column (centreColumn), then, where its largest centred
// magnitude lies outside 2^-8 … 2^8, multiplies every value by the power
// of two that brings that magnitude into [0.5, 1). Scaling by a power of two
// is exact, and R², adjusted R², standardized coefficients and every t and
// F statistic are unchanged by it; a raw coefficient is that of the scaled
// data times 2^(e_y − e_x), an RSS times 2^(2·e_y). Columns within the
// range keep their centred values bit for bit.
ColumnPreparation prepareColumn(DataColumn& column);
