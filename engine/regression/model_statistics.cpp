#include "regression/model_statistics.h"

#include <boost/math/distributions/fisher_f.hpp>
#include <boost/math/distributions/students_t.hpp>

#include <cmath>
#include <cstdint>
#include <limits>

#include "regression/least_squares_fit.h"
#include "regression/subset_mask.h"

namespace {

namespace policies = boost::math::policies;

// Arguments the distributions cannot take are caught below before they are
// passed; this policy is the second line: whatever the library would still
// reject gives NaN (or its limit) instead of an exception, so nothing from
// it can end the search. The distributions compute in double rather than
// promoting to long double: long double is the x87 unit on x86, whose
// precision the host process may have lowered, while double arithmetic is
// SSE2 everywhere and gives the same bits in every build and every host.
using QuietPolicy = policies::policy<policies::domain_error<policies::ignore_error>,
                                     policies::pole_error<policies::ignore_error>,
                                     policies::overflow_error<policies::ignore_error>,
                                     policies::evaluation_error<policies::ignore_error>,
                                     policies::rounding_error<policies::ignore_error>,
                                     policies::promote_float<false>, policies::promote_double<false>>;
using TDistribution = boost::math::students_t_distribution<double, QuietPolicy>;
using FDistribution = boost::math::fisher_f_distribution<double, QuietPolicy>;

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

// Σx and x·x of a column, running sums from 0.0 in row order.
void sumAndSquares(const DataColumn& column, double& sum, double& squares) {
    sum = 0.0;
    squares = 0.0;
    for (double value : column) {
        sum += value;
        squares += value * value;
    }
}

}  // namespace

bool computeModelStatistics(const DataColumn& y, const std::vector<DataColumn>& columns, SubsetMask mask,
                            ModelResult& result) {
    const std::size_t d = subsetSize(mask);
    const double n = static_cast<double>(y.size());
    const double variables = static_cast<double>(d);

    double sy = 0.0;
    double syy = 0.0;
    sumAndSquares(y, sy, syy);
    const double sst = syy - sy * sy / n;
    const double varY = sst / (n - 1.0);

    // Residual degrees of freedom in signed arithmetic: with n ≤ d + 1 they
    // are 0 or negative and no test can be computed.
    const std::int64_t residualDf = static_cast<std::int64_t>(y.size()) - static_cast<std::int64_t>(d) - 1;
    const double df = static_cast<double>(residualDf);
    const bool testsUsable = residualDf > 0 && d > 0;
    const TDistribution tDistribution(testsUsable ? df : 1.0);
    const FDistribution fDistribution(testsUsable ? variables : 1.0, testsUsable ? df : 1.0);

    result.coefficients.resize(d + 1);
    result.pValues.resize(d + 1);
    result.statistics.resize(3);
    result.coefficients[0] = 0.0;
    result.pValues[0] = 0.0;

    // SSx_j of each variable of the subset, lowest bit first.
    std::size_t j = 1;
    for (SubsetMask rest = mask; rest != 0; rest = withoutLowestVariable(rest), ++j) {
        const DataColumn& x = columns.at(lowestVariable(rest));
        double sx = 0.0;
        double sxx = 0.0;
        sumAndSquares(x, sx, sxx);
        result.coefficients[j] = sxx - sx * sx / static_cast<double>(x.size());
    }

    const LeastSquaresFit fit = fitLeastSquares(y, columns, mask);
    if (!fit.ok) {
        return false;
    }
    const double rss = fit.rss;
    const double mse = rss / df;

    const double f = (sst - rss) / (mse * variables);
    result.pValues[0] = upperTailOfF(fDistribution, f, testsUsable);

    for (j = 1; j <= d; ++j) {
        const double beta = fit.beta[j];
        result.coefficients[j] = std::sqrt(result.coefficients[j] / sst) * beta;
        const double standardError = std::sqrt(fit.inverse.at(j, j) * mse);
        const double t = beta / standardError;
        result.pValues[j] = twoSidedPOfT(tDistribution, t, testsUsable);
    }

    result.statistics[0] = 1.0 - rss / sst;
    result.statistics[1] = 1.0 - mse / varY;
    result.statistics[2] = n * std::log(rss / n) + 2.0 * variables + 2.0;
    return true;
}
