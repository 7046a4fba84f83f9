#pragma once
// One model's row of the results table.
#include <cstddef>

#include "regression/data_column.h"
#include "regression/model_result.h"
#include "report/result_table.h"

// width = k + 3. Cell i (i < k): the standardized coefficient of variable i
// with the marks of its t test when bit i of mask is set, "-" otherwise;
// then R² with the marks of the F test, adjusted R², AIC.
ResultRow formatModelRow(SubsetMask mask, const ModelResult& result, std::size_t width);
