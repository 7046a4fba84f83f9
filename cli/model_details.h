#pragma once
// Everything about one kept model that a user needs to use it for
// prediction or to compare it with other tools: raw coefficients with their
// standard errors, t and p values, the intercept of the uncentred data with
// its standard error, and the fit's summary statistics, BIC and Mallows' Cp
// among them.
#include <vector>

#include "regression/data_column.h"

// The data as the search fitted them: y and the columns centred on their
// means and scaled by powers of two (prepareColumn, centring.h), with what
// was subtracted and the exponents: a stored value is (x − mean)·2^-exponent.
struct CentredData {
    DataColumn y;
    double yMean = 0.0;
    int yExponent = 0;
    std::vector<DataColumn> columns;
    std::vector<double> columnMeans;
    std::vector<int> columnExponents;
};

// Prepares y and every column as the search does, keeping the means and
// exponents.
CentredData centreData(const DataColumn& y, const std::vector<DataColumn>& columns);

// Sums of squares, coefficients and standard errors are in the data's own
// units, which for data near the ends of a double's range (y near 1e-200:
// RSS near 1e-400) need not be doubles: they are long doubles, exactly the
// prepared fit's doubles times their powers of two.
struct ModelDetails {
    bool ok = false;       // false: the fit was rejected as singular; nothing else is set
    std::size_t size = 0;  // d, the number of explanatory variables in the model
    long double rss = 0.0L, residualMeanSquare = 0.0L;
    double rSquared = 0.0, adjustedRSquared = 0.0;
    double aic = 0.0;      // n ln(RSS/n) + 2d + 2, as the results table shows it
    double bic = 0.0;      // n ln(RSS/n) + d ln n + 2: AIC's constant with BIC's penalty
    double cp = 0.0;       // RSS / MSE_full − n + 2(d + 1); NaN without a usable full model
    double f = 0.0, fPValue = 0.0;
    // Per variable of the model, j = 0 … d − 1 in ascending bit order.
    std::vector<long double> coefficients, standardErrors;
    std::vector<double> tValues, pValues;
    long double intercept = 0.0L, interceptStandardError = 0.0L;
};

// The residual mean square of the model with every column (Mallows' Cp is
// measured against it), over the degrees of freedom of the columns that are
// not combinations of earlier ones, in the units of the prepared y (the
// search's Cp scale); NaN when no residual degrees of freedom are left.
double fullModelMeanSquare(const CentredData& data);

// The details of the subset mask, from the same exact fit as the screening's
// on the prepared data, given in the data's own units. Centring changes
// neither the raw coefficients nor their standard errors, a scale 2^-e_y of
// y and 2^-e_x of a column multiplies them by 2^(e_x − e_y) (exactly: the
// products and RSS are scaled back by powers of two, in long double); the intercept of the uncentred data is
// ȳ + β₀ − Σ β_j x̄_j, and its variance MSE·cᵀA⁻¹c with c = (1, −x̄_1, …).
// An exact fit (the fit's RSS taken as 0) has zero standard errors; its t
// values are the limits ±∞ (p 0) or, for a variable that contributes
// nothing, 0 (p 1), as the results table marks them.
ModelDetails computeModelDetails(const CentredData& data, SubsetMask mask, double fullMeanSquare);
