#pragma once
// The exact least-squares fit of one subset through the normal equations:
// A = XᵀX inverted explicitly (its diagonal gives the standard errors),
// β = A⁻¹·Xᵀy and RSS = y·y − (Xᵀy)·β. The design matrix has the intercept
// in column 0 and the subset's variables in ascending bit order after it.
//
// Two arithmetics, one verdict (the levels are in fit_levels.h):
// - in double, by LU with partial pivoting, as long as the double fit's own
//   inverse shows every variable with a clear independent part
//   (VIF_j = A⁻¹_jj · C_jj below refitVarianceInflation), an RSS clearly
//   above its rounding and a y with real variance. This is the path of every
//   subset of well-conditioned data, and its numbers are those of the
//   textbook uBLAS fit bit for bit;
// - otherwise, and where the double elimination meets an exactly zero
//   pivot, again from the run's cross-products in double-double
//   (extended_fit.h). There the rank rule rejects a subset some variable of
//   which is a combination of the others (1 − R²_j ≤ rankTolerance), a y
//   without variance rejects every subset, and an RSS at or below
//   exactFitLevel · SST is an exact fit: RSS = 0.
#include <vector>

#include "regression/data_column.h"
#include "regression/square_matrix.h"
#include "regression/subset_system.h"

struct LeastSquaresFit {
    bool ok = false;                 // false: not a model (see above); nothing else is set then
    bool refitted = false;           // the numbers come from the double-double refit
    bool exactFit = false;           // RSS at the rounding level of an exact fit, taken as 0
    SquareMatrix inverse;            // A⁻¹
    double xty[maxModelOrder];       // Xᵀy
    double beta[maxModelOrder];      // β_0 intercept, β_j raw coefficient of the j-th variable
    double rss = 0.0;                // residual sum of squares

    std::size_t order() const { return inverse.order; }
};

// Solves a gathered system: fit.ok is the result. This is the one fit that
// the screening, the bounded search and the statistics use, so all reach
// the same verdict and the same numbers for a subset. Sums run in ascending
// index order from 0.0. The double-double cross-products are formed from
// system.products' columns on the first refit of a run.
bool solveSubsetSystem(const SubsetSystem& system, LeastSquaresFit& fit);

// The same fit for ranking: the same verdict, refitted, exactFit and rss,
// bit for bit. Where the double-double refit decides, it forms only what
// ranks the subset (the diagonal of the inverse, not the whole; less than
// half the cost), and inverse and beta are left unset (inverse.order is 0).
// The screening and the bounded search rank by it.
bool rankSubsetSystem(const SubsetSystem& system, LeastSquaresFit& fit);

// What a caller may know of a subset before its fit, from bounds of its own
// (the bounded search's tree). Each lets the ranking fit skip a step whose
// outcome it fixes, with the same verdict, refitted, exactFit and rss.
struct SubsetCertainties {
    // The double fit does not resolve the subset (its RSS would be below
    // the least it reports): it is refitted without the double fit.
    bool refitted = false;
    // The subset passes the rank rule by far, with the scales that keep
    // the refit finite (ExtendedParts::RankingIndependent).
    bool independent = false;
};
bool rankSubsetSystem(const SubsetSystem& system, LeastSquaresFit& fit, const SubsetCertainties& known);

// Fits the subset mask of columns against y from the data: forms the
// subset's cross-products (the same sums as the screening's), then
// solveSubsetSystem. Every set bit of mask must index a column (throws
// std::invalid_argument otherwise).
LeastSquaresFit fitLeastSquares(const DataColumn& y, const std::vector<DataColumn>& columns, SubsetMask mask);
