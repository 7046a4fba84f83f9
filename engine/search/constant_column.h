#pragma once
// Whether a column carries no information for a regression: fewer than two
// values, or every value from the second on equal (==) to the first. NaN
// compares unequal to everything, so a column holding one is not constant;
// 0.0 and -0.0 compare equal.
#include "regression/data_column.h"

bool isConstantColumn(const DataColumn& column);
