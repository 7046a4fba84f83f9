#pragma once
// The exact least-squares fit of one subset through the normal equations:
// A = XᵀX inverted explicitly (its diagonal gives the standard errors),
// β = A⁻¹·Xᵀy and RSS = y·y − (Xᵀy)·β, unclamped (an exact fit may give 0.0
// or a tiny number of either sign). The design matrix has the intercept in
// column 0 and the subset's variables in ascending bit order after it.
#include <vector>

#include "regression/data_column.h"
#include "regression/square_matrix.h"
#include "regression/subset_system.h"

struct LeastSquaresFit {
    bool ok = false;                 // false: A had an exactly zero pivot; nothing else is set then
    SquareMatrix inverse;            // A⁻¹
    double xty[maxModelOrder];       // Xᵀy
    double beta[maxModelOrder];      // β_0 intercept, β_j raw coefficient of the j-th variable
    double rss = 0.0;                // residual sum of squares

    std::size_t order() const { return inverse.order; }
};

// Solves a gathered system: fit.ok is the result. This is the one fit that
// both the screening and the statistics use, so both reach the same verdict
// and the same numbers for a subset. Sums run in ascending index order from
// 0.0.
bool solveSubsetSystem(const SubsetSystem& system, LeastSquaresFit& fit);

// Fits the subset mask of columns against y from the data: forms the
// subset's cross-products (the same sums as the screening's), then
// solveSubsetSystem. Every set bit of mask must index a column (throws
// std::invalid_argument otherwise).
LeastSquaresFit fitLeastSquares(const DataColumn& y, const std::vector<DataColumn>& columns, SubsetMask mask);
