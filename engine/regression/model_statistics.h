#pragma once
// The full statistics of one kept model.
#include <vector>

#include "regression/cross_products.h"
#include "regression/data_column.h"
#include "regression/model_result.h"

// Fits the subset mask of columns against y and fills result: standardized
// coefficients, t and F test p values, R², adjusted R² and AIC. False when
// the fit rejects the subset (least_squares_fit.h: singular, or a y without
// variance; result unspecified then). Never throws from the distributions:
// where a test statistic is out of their domain the p value is its limit or
// NaN (no residual degrees of freedom).
//
// An exact fit (RSS taken as 0 by the fit) has R² = adjusted R² = 1 and
// AIC = −∞, and its tests follow the limits of RSS → 0: the F test's p value
// is 0, and so is a coefficient's when dropping its variable would raise the
// RSS above the exact-fit level (β_j² / A⁻¹_jj > exactFitLevel · SST, the
// numerator of t_j²); a variable whose removal leaves the fit exact
// contributes nothing and its p value is 1.
bool computeModelStatistics(const DataColumn& y, const std::vector<DataColumn>& columns, SubsetMask mask,
                            ModelResult& result);

// The same from the run's cross-products (formed from y and the run's
// columns): the sums of y, y·y, and each column's sum and sum of squares are
// there already, so nothing here is proportional to the number of rows. The
// numbers are bit for bit those of the function above.
bool computeModelStatistics(const CrossProducts& products, SubsetMask mask, ModelResult& result);
