#include "regression/model_statistics.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <stdexcept>

#include "regression/fit_levels.h"
#include "regression/least_squares_fit.h"
#include "regression/quiet_distributions.h"
#include "regression/subset_mask.h"
#include "regression/subset_system.h"

namespace {

constexpr double notANumber = std::numeric_limits<double>::quiet_NaN();

// Upper-tail probability of F with (d, df) degrees of freedom: 0 for F = +∞
// (its limit), NaN where the distribution has no value (no degrees of
// freedom, F negative from a rounding-negative RSS, F not a number).
double upperTailOfF(const FDistribution& distribution, double f, bool usable) {
    if (!usable || std::isnan(f) || f < 0.0) {
        return notANumber;
    }
    if (std::isinf(f)) {
        return 0.0;
    }
    return boost::math::cdf(boost::math::complement(distribution, f));
}

// Two-sided p value of t: twice the lower tail at −|t|; 0 for |t| = ∞.
double twoSidedPOfT(const TDistribution& distribution, double t, bool usable) {
    if (!usable || std::isnan(t)) {
        return notANumber;
    }
    if (std::isinf(t)) {
        return 0.0;
    }
    return 2.0 * boost::math::cdf(distribution, -std::fabs(t));
}

}  // namespace

bool computeModelStatistics(const CrossProducts& products, SubsetMask mask, ModelResult& result) {
    const std::size_t d = subsetSize(mask);
    const double n = static_cast<double>(products.rows);
    const double variables = static_cast<double>(d);
    const std::size_t yIndex = products.yIndex();

    // Σy and y·y: the running sums in row order that the cross-products hold.
    const double sy = products.at(0, yIndex);
    const double syy = products.at(yIndex, yIndex);
    const double sst = syy - sy * sy / n;
    const double varY = sst / (n - 1.0);

    // Residual degrees of freedom in signed arithmetic: with n ≤ d + 1 they
    // are 0 or negative and no test can be computed.
    const std::int64_t residualDf = static_cast<std::int64_t>(products.rows) - static_cast<std::int64_t>(d) - 1;
    const double df = static_cast<double>(residualDf);
    const bool testsUsable = residualDf > 0 && d > 0;
    const TDistribution tDistribution(testsUsable ? df : 1.0);
    const FDistribution fDistribution(testsUsable ? variables : 1.0, testsUsable ? df : 1.0);

    result.coefficients.resize(d + 1);
    result.pValues.resize(d + 1);
    result.statistics.resize(3);
    result.coefficients[0] = 0.0;
    result.pValues[0] = 0.0;

    // SSx_j = x·x − (Σx)²/n of each variable of the subset, lowest bit first.
    std::size_t j = 1;
    for (SubsetMask rest = mask; rest != 0; rest = withoutLowestVariable(rest), ++j) {
        const std::size_t index = 1 + lowestVariable(rest);
        if (index > products.variables) {
            throw std::invalid_argument("the subset names a variable beyond the last column");
        }
        const double sx = products.at(0, index);
        result.coefficients[j] = products.at(index, index) - sx * sx / n;
    }

    SubsetSystem system;
    gatherSubsetSystem(products, mask, system);
    LeastSquaresFit fit;
    if (!solveSubsetSystem(system, fit) || !(sst > 0.0)) {
        return false;
    }
    const double rss = fit.rss;
    const double mse = rss / df;

    const double f = (sst - rss) / (mse * variables);
    result.pValues[0] = upperTailOfF(fDistribution, f, testsUsable);

    for (j = 1; j <= d; ++j) {
        const double beta = fit.beta[j];
        result.coefficients[j] = std::sqrt(result.coefficients[j] / sst) * beta;
        if (fit.exactFit) {
            // t_j² = (β_j² / A⁻¹_jj) / MSE with MSE = 0: the limit is +∞
            // where the numerator is not itself at the exact-fit level.
            const double contribution = beta * beta / fit.inverse.at(j, j);
            result.pValues[j] = !testsUsable ? notANumber : contribution > exactFitLevel * sst ? 0.0 : 1.0;
            continue;
        }
        const double standardError = std::sqrt(fit.inverse.at(j, j) * mse);
        const double t = beta / standardError;
        result.pValues[j] = twoSidedPOfT(tDistribution, t, testsUsable);
    }

    result.statistics[0] = 1.0 - rss / sst;
    result.statistics[1] = 1.0 - mse / varY;
    result.statistics[2] = n * std::log(rss / n) + 2.0 * variables + 2.0;
    return true;
}

bool computeModelStatistics(const DataColumn& y, const std::vector<DataColumn>& columns, SubsetMask mask,
                            ModelResult& result) {
    // The cross-products of just this subset's columns: the same sums as the
    // run's, so the same statistics.
    const DataColumn* chosen[maxExplanatoryVariables] = {};
    std::size_t d = 0;
    for (SubsetMask rest = mask; rest != 0; rest = withoutLowestVariable(rest)) {
        const std::size_t variable = lowestVariable(rest);
        if (variable >= columns.size() || d == maxExplanatoryVariables) {
            throw std::out_of_range("the subset names a variable beyond the last column");
        }
        chosen[d++] = &columns[variable];
    }
    CrossProducts products;
    formCrossProducts(y, chosen, d, products);
    const SubsetMask all = firstVariables(d);
    return computeModelStatistics(products, all, result);
}
