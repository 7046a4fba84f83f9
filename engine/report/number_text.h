#pragma once
// The text of the numbers in the results table.
#include <string>

// Fixed-point, exactly five decimals, '.' as separator, no grouping, a
// leading '-' for negative values, whatever the process locale. Non-finite
// values read "nan" (either sign), "inf" and "-inf".
std::u16string formatNumber(double value);

// "**" for p <= 0.01, "*" for p <= 0.05, otherwise (and for NaN) empty.
std::u16string significanceMarks(double pValue);
