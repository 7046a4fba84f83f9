#include "regression/least_squares_fit.h"

#include <algorithm>
#include <stdexcept>

#include "regression/cross_products.h"
#include "regression/extended_cross_products.h"
#include "regression/extended_fit.h"
#include "regression/fit_levels.h"
#include "regression/matrix_inverse.h"
#include "regression/subset_mask.h"

namespace {

// Whether the double fit resolves the subset (see the header). The VIF of
// each variable comes from the computed inverse and the centred sum of
// squares A_jj − A_0j²/n of its column; rounding garbage shows as a huge,
// negative or NaN value, and every comparison is written so that NaN fails.
bool resolvedInDouble(const SubsetSystem& system, const LeastSquaresFit& fit) {
    const SquareMatrix& a = system.crossProducts;
    const std::size_t e = system.order();
    // 1/n once: the test only needs to be deterministic, not to round like
    // a division, and it runs for every subset.
    const double perRow = 1.0 / a.at(0, 0);
    double largest = 1.0;
    for (std::size_t j = 1; j < e; ++j) {
        const double spread = a.at(j, j) - a.at(0, j) * a.at(0, j) * perRow;
        const double inflation = fit.inverse.at(j, j) * spread;
        if (!(inflation < refitVarianceInflation) || !(inflation > 0.5)) {
            return false;
        }
        largest = inflation > largest ? inflation : largest;
    }
    const double sst = system.yy - system.xty[0] * system.xty[0] * perRow;
    return sst > refitTotalLevel * system.yy && fit.rss > refitResidualLevel * largest * sst;
}

bool holdsWhole(SubsetMask mask, SubsetMask set) { return set != 0 && (mask & set) == set; }

// The fit in double-double. A subset that holds one of the run's dependent
// sets whole (found once by the dependency walk) fails the rank rule without
// a solve: data with a copy or a total among k columns have a quarter or
// more of their 2^k subsets of that kind.
bool refitExtended(const SubsetSystem& system, LeastSquaresFit& fit, ExtendedParts parts) {
    fit.refitted = true;
    if (system.products == nullptr) {
        fit.ok = false;
        return false;
    }
    const ExtendedCrossProducts& products = extendedCrossProducts(*system.products);
    for (SubsetMask set : products.dependentSets) {
        if (holdsWhole(system.mask, set)) {
            fit.ok = false;
            return false;
        }
    }
    fit.ok = false;
    ExtendedSolution solution;
    const std::size_t e = system.order();
    solveExtended(products, system.source, e, products.yIndex(), solution, parts);
    if (solution.verdict != ExtendedVerdict::Solved) {
        return false;
    }
    fit.ok = true;
    fit.exactFit = solution.exactFit;
    fit.rss = solution.rss;
    if (parts != ExtendedParts::Whole) {
        fit.inverse.order = 0;  // not formed
        return true;
    }
    // The e·e entries in use only (the storage holds order 65).
    fit.inverse.order = e;
    std::copy(solution.inverse.entries, solution.inverse.entries + e * e, fit.inverse.entries);
    for (std::size_t i = 0; i < e; ++i) {
        fit.xty[i] = system.xty[i];
        fit.beta[i] = solution.beta[i];
    }
    return true;
}

bool solveSubsetSystemFor(const SubsetSystem& system, LeastSquaresFit& fit, ExtendedParts refitParts) {
    fit.refitted = false;
    fit.exactFit = false;
    fit.ok = invertMatrix(system.crossProducts, fit.inverse);
    if (!fit.ok) {
        return refitExtended(system, fit, refitParts);
    }
    const std::size_t e = system.order();
    for (std::size_t i = 0; i < e; ++i) {
        fit.xty[i] = system.xty[i];
    }
    // β = A⁻¹·Xᵀy and (Xᵀy)·β: running sums from 0.0 in ascending index
    // order, as uBLAS's prod and inner_prod form them.
    for (std::size_t i = 0; i < e; ++i) {
        const double* inverseRow = fit.inverse.row(i);
        double sum = 0.0;
        for (std::size_t j = 0; j < e; ++j) {
            sum += inverseRow[j] * fit.xty[j];
        }
        fit.beta[i] = sum;
    }
    double fitted = 0.0;
    for (std::size_t j = 0; j < e; ++j) {
        fitted += fit.xty[j] * fit.beta[j];
    }
    fit.rss = system.yy - fitted;
    if (!resolvedInDouble(system, fit)) {
        return refitExtended(system, fit, refitParts);
    }
    return true;
}

}  // namespace

bool solveSubsetSystem(const SubsetSystem& system, LeastSquaresFit& fit) {
    return solveSubsetSystemFor(system, fit, ExtendedParts::Whole);
}

bool rankSubsetSystem(const SubsetSystem& system, LeastSquaresFit& fit) {
    return solveSubsetSystemFor(system, fit, ExtendedParts::Ranking);
}

bool rankSubsetSystem(const SubsetSystem& system, LeastSquaresFit& fit, const SubsetCertainties& known) {
    const ExtendedParts parts = known.independent ? ExtendedParts::RankingIndependent : ExtendedParts::Ranking;
    if (known.refitted) {
        // What solveSubsetSystemFor comes to when the double fit fails or
        // does not resolve: the refit alone decides.
        fit.exactFit = false;
        return refitExtended(system, fit, parts);
    }
    return solveSubsetSystemFor(system, fit, parts);
}

LeastSquaresFit fitLeastSquares(const DataColumn& y, const std::vector<DataColumn>& columns, SubsetMask mask) {
    // The cross-products of just this subset's columns, then the same gather
    // and solve as the screening: the sums are the same, so is the fit.
    const DataColumn* chosen[maxExplanatoryVariables] = {};
    std::size_t d = 0;
    for (SubsetMask rest = mask; rest != 0; rest = withoutLowestVariable(rest)) {
        const std::size_t variable = lowestVariable(rest);
        if (variable >= columns.size() || d == maxExplanatoryVariables) {
            throw std::invalid_argument("the subset names a variable beyond the last column");
        }
        chosen[d++] = &columns[variable];
    }
    CrossProducts products;
    formCrossProducts(y, chosen, d, products);
    SubsetSystem system;
    const SubsetMask all = firstVariables(d);
    gatherSubsetSystem(products, all, system);
    LeastSquaresFit fit;
    solveSubsetSystem(system, fit);
    return fit;
}
