#pragma once
// Independent references for the model statistics, from first principles:
// a Householder QR least-squares solve (no normal equations), two-pass
// centred sums, and closed forms of the t and F tail probabilities for
// integer degrees of freedom (Abramowitz and Stegun 26.7.3–4 and 26.6.4).
// Everything is computed in long double.
#include <vector>

#include "regression/data_column.h"

struct ReferenceModel {
    std::vector<double> beta;            // intercept first, then the subset's variables by bit
    std::vector<double> inverseDiagonal;  // diagonal of (XᵀX)⁻¹, from R⁻¹
    double rss = 0.0;                     // Σ of squared residuals
    double sst = 0.0;                     // Σ (y − ȳ)²
    std::vector<double> standardized;     // β_j · s_x / s_y, index 0 unused (0)
    std::vector<double> t;                // β_j / SE_j, index 0 unused
    double f = 0.0;                       // overall F statistic
    double rSquared = 0.0;
    double adjustedRSquared = 0.0;
    double aic = 0.0;                     // n ln(RSS/n) + 2(d + 1)
};

ReferenceModel referenceModel(const DataColumn& y, const std::vector<DataColumn>& columns, SubsetMask mask);

// Two-sided p value of t with df degrees of freedom (df ≥ 1, integer).
double referenceTwoSidedT(double t, int df);

// Upper-tail probability of F with (d1, d2) degrees of freedom; d1 must be
// 1 or even.
double referenceUpperTailF(double f, int d1, int d2);

// Pearson's correlation of x and y, from centred two-pass sums.
double referenceCorrelation(const DataColumn& x, const DataColumn& y);
