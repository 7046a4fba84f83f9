#pragma once
// The full statistics of one kept model.
#include <vector>

#include "regression/data_column.h"
#include "regression/model_result.h"

// Fits the subset mask of columns against y and fills result: standardized
// coefficients, t and F test p values, R², adjusted R² and AIC. False when
// the fit is rejected as singular (result unspecified then). Never throws
// from the distributions: where a test statistic is out of their domain the
// p value is its limit or NaN.
bool computeModelStatistics(const DataColumn& y, const std::vector<DataColumn>& columns, SubsetMask mask,
                            ModelResult& result);
