#pragma once
// The least-squares fit of one subset in double-double arithmetic, from the
// extended cross-products: for the subsets the double fit cannot resolve
// (least_squares_fit.h decides which), and for finding the exact linear
// dependencies among the columns (linear_dependencies.h).
//
// The intercept is taken out first: with m the column means (A_0j / n), the
// centred system C_ij = A_ij − m_i·A_0j of the subset's variables is
// factorised as L·D·Lᵀ (symmetric elimination without pivoting, stable for a
// positive definite matrix) with the target's cross-products eliminated
// alongside, so that RSS = SST − Σ z_p²/D_p, a sum of the decreases each
// variable brings, never a difference of two large numbers at the end. The
// rank rule (fit_levels.h) is decided on the way: D_p / C_pp is 1 − R² of
// variable p after the ones before it, which is never below its 1 − R²_p
// after all the others; once the factorisation has passed, C⁻¹ gives every
// 1 − R²_j = 1 / (C⁻¹_jj·C_jj) and the rule is checked on all of them.
#include <cstddef>
#include <vector>

#include "regression/extended_cross_products.h"
#include "regression/fit_levels.h"
#include "regression/square_matrix.h"

enum class ExtendedVerdict {
    Solved,
    RankDeficient,  // some variable has 1 − R²_j ≤ rankTolerance (or no spread at all)
    NoVariance,     // the target's centred sum of squares is rounding (a constant)
    NotFinite,      // the cross-products or the solution overflow
};

struct ExtendedSolution {
    ExtendedVerdict verdict = ExtendedVerdict::NotFinite;
    std::size_t order = 0;      // e = d + 1
    double beta[maxModelOrder];  // β_0 intercept, β_j of the j-th variable
    SquareMatrix inverse;       // (XᵀX)⁻¹, rounded to double
    double rss = 0.0;           // 0 for an exact fit
    double residualShare = 0.0;  // RSS / SST before the exact-fit rule: 1 − R² of the target
    double leastIndependence = 0.0;  // min over the variables of 1 − R²_j
    bool exactFit = false;      // RSS ≤ exactFitLevel · SST, taken as 0
};

// What a solve must give. Whole: every member of the solution. Ranking:
// what ranks the subset (verdict, order, leastIndependence, rss,
// residualShare, exactFit), each the same, bit for bit, as the whole
// solve's; beta and inverse are left unset. It forms the diagonal of C⁻¹
// alone, not C⁻¹ whole (more than half the cost of a whole solve).
// RankingIndependent: the same as Ranking, but leastIndependence is left 0,
// for a subset the caller knows to pass the rank rule by far (every
// 1 − R²_j at least 1e-6, against rankTolerance) with every column's
// centred sum of squares within 2^±201 and every mean below 2^100: the
// rank rule on C⁻¹'s diagonal, and the bound that keeps the intercept row
// finite, then hold without it, and it is not formed (the factorisation
// alone decides: about a quarter less work). Nor are the coefficients:
// with y's centred sum of squares within the same range they are finite
// by far (|β_j| ≤ √(C⁻¹_jj·SST), C⁻¹_jj ≤ 10⁶ / C_jj; the intercept
// ȳ − Σ m_j·β_j then stays below 2^330), so only the RSS is checked.
enum class ExtendedParts { Whole, Ranking, RankingIndependent };

// Solves the system of the coefficients source[0 … e − 1] (indices into
// products: source[0] = 0, the intercept, then the variables) against the
// target index (products.yIndex() for the dependent variable, or a
// column's index). The members of solution (those of parts) are set when
// the verdict is Solved (order, verdict, leastIndependence always).
void solveExtended(const ExtendedCrossProducts& products, const std::size_t* source, std::size_t e,
                   std::size_t target, ExtendedSolution& solution, ExtendedParts parts = ExtendedParts::Whole);

// The dependency walk's question (linear_dependencies.h) for every column j
// of the products in ascending order, skipping those whose sum of squares
// is 0: whether, by the ranking solve of j against the basis (the columns
// before it that have a spread and are not themselves combinations), it is
// a combination of the basis (solved, 1 − R² ≤ rankTolerance). The same
// answers, bit for bit, as one solve per column, from one factorisation of
// the basis grown a column at a time: order k³ work instead of k⁴.
struct BasisAnswer {
    bool asked = false;  // the column has a spread and the basis before it is not empty
    ExtendedVerdict verdict = ExtendedVerdict::NotFinite;
    double residualShare = 0.0;
    double leastIndependence = 0.0;
    bool combination() const { return asked && verdict == ExtendedVerdict::Solved && !(residualShare > rankTolerance); }
};
std::vector<BasisAnswer> basisAnswers(const ExtendedCrossProducts& products);
