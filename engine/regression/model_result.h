#pragma once
// The statistics of one fitted model, indexed like its coefficients: index 0
// for the intercept (or the model as a whole), index j for the variable of
// the j-th set bit of the model's mask, lowest bit first.
#include <vector>

struct ModelResult {
    std::vector<double> coefficients;  // [0] = 0.0, [j] = standardized coefficient
    std::vector<double> pValues;       // [0] = F test of the model, [j] = two-sided t test of coefficient j
    std::vector<double> statistics;    // R², adjusted R², AIC
};
