#pragma once
// Centring a column on its mean before the search keeps the normal
// equations well conditioned when a column's mean is large against its
// spread.
#include "regression/data_column.h"

// Subtracts the mean (values summed in ascending row order, divided by n)
// from every value. An empty column is left as it is.
void centreColumn(DataColumn& column);
