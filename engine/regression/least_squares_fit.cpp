#include "regression/least_squares_fit.h"

#include <stdexcept>

#include "regression/cross_products.h"
#include "regression/matrix_inverse.h"
#include "regression/subset_mask.h"

bool solveSubsetSystem(const SubsetSystem& system, LeastSquaresFit& fit) {
    fit.ok = invertMatrix(system.crossProducts, fit.inverse);
    if (!fit.ok) {
        return false;
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
    return true;
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
    const SubsetMask all = d == 0 ? 0u : static_cast<SubsetMask>((std::uint64_t{1} << d) - 1u);
    gatherSubsetSystem(products, all, system);
    LeastSquaresFit fit;
    solveSubsetSystem(system, fit);
    return fit;
}
