#include "model_details.h"

#include <cmath>
#include <cstdint>
#include <limits>

#include "regression/centring.h"
#include "regression/fit_levels.h"
#include "regression/least_squares_fit.h"
#include "regression/quiet_distributions.h"
#include "regression/subset_mask.h"

namespace {

constexpr double notANumber = std::numeric_limits<double>::quiet_NaN();

double upperTailOfF(double f, double d, double df) {
    if (!(df > 0.0) || std::isnan(f) || f < 0.0) return notANumber;
    if (std::isinf(f)) return 0.0;
    const FDistribution distribution(d, df);
    return boost::math::cdf(boost::math::complement(distribution, f));
}

double twoSidedPOfT(double t, double df) {
    if (!(df > 0.0) || std::isnan(t)) return notANumber;
    if (std::isinf(t)) return 0.0;
    const TDistribution distribution(df);
    return 2.0 * boost::math::cdf(distribution, -std::fabs(t));
}

// Σ (y − ȳ)² of the centred y: a plain running sum of squares in row order.
double totalSumOfSquares(const DataColumn& centredY) {
    double sum = 0.0;
    for (double value : centredY) sum += value * value;
    return sum;
}

// The intercept of the uncentred data and its standard error, from the
// prepared fit's β and A⁻¹ (coefficient j of the fit is column index[j − 1])
// and its residual mean square mse: formed in the units of the prepared y,
// with each column's mean in the units of its prepared column, then scaled
// back by y's power of two.
void recoverIntercept(const CentredData& data, const LeastSquaresFit& fit, const std::vector<std::size_t>& index,
                      double mse, ModelDetails& out) {
    const std::size_t e = fit.order();
    std::vector<double> c(e);
    c[0] = 1.0;
    double intercept = std::ldexp(data.yMean, -data.yExponent) + fit.beta[0];
    for (std::size_t j = 1; j < e; ++j) {
        c[j] = -std::ldexp(data.columnMeans[index[j - 1]], -data.columnExponents[index[j - 1]]);
        intercept += c[j] * fit.beta[j];
    }
    double quadratic = 0.0;
    for (std::size_t a = 0; a < e; ++a) {
        double row = 0.0;
        for (std::size_t b = 0; b < e; ++b) row += fit.inverse.at(a, b) * c[b];
        quadratic += c[a] * row;
    }
    out.intercept = std::ldexp(static_cast<long double>(intercept), data.yExponent);
    out.interceptStandardError = std::ldexp(static_cast<long double>(std::sqrt(quadratic * mse)), data.yExponent);
}

}  // namespace

CentredData centreData(const DataColumn& y, const std::vector<DataColumn>& columns) {
    CentredData data;
    data.y = y;
    const ColumnPreparation prepared = prepareColumn(data.y);
    data.yMean = prepared.shift;
    data.yExponent = prepared.exponent;
    for (const DataColumn& column : columns) {
        data.columns.push_back(column);
        const ColumnPreparation preparedColumn = prepareColumn(data.columns.back());
        data.columnMeans.push_back(preparedColumn.shift);
        data.columnExponents.push_back(preparedColumn.exponent);
    }
    return data;
}

double fullModelMeanSquare(const CentredData& data) {
    // The columns in their order, each kept where the fit still takes it:
    // a column that is a combination of earlier ones adds nothing to the
    // span (R's lm aliases it the same way), so the full model's residuals
    // are those of the others.
    SubsetMask basis = 0;
    double rss = 0.0;
    for (std::size_t i = 0; i < data.columns.size(); ++i) {
        const SubsetMask candidate = basis | (SubsetMask{1} << i);
        const LeastSquaresFit fit = fitLeastSquares(data.y, data.columns, candidate);
        if (!fit.ok) continue;
        basis = candidate;
        rss = std::max(fit.rss, 0.0);
    }
    const std::int64_t df =
        static_cast<std::int64_t>(data.y.size()) - static_cast<std::int64_t>(subsetSize(basis)) - 1;
    if (basis == 0 || df <= 0) return notANumber;
    return rss / static_cast<double>(df);
}

ModelDetails computeModelDetails(const CentredData& data, SubsetMask mask, double fullMeanSquare) {
    ModelDetails out;
    const LeastSquaresFit fit = fitLeastSquares(data.y, data.columns, mask);
    if (!fit.ok) return out;
    out.ok = true;
    std::vector<std::size_t> index;
    for (SubsetMask rest = mask; rest != 0; rest = withoutLowestVariable(rest)) index.push_back(lowestVariable(rest));
    const std::size_t d = index.size();
    const double n = static_cast<double>(data.y.size());
    const double dd = static_cast<double>(d);
    const double df = n - dd - 1.0;
    // Everything is computed in the prepared units, then sums of squares
    // and coefficients are scaled back by their powers of two (exact), and
    // the logarithms get their offsets.
    const double sst = totalSumOfSquares(data.y);
    const double rss = std::max(fit.rss, 0.0);
    const double mse = df > 0.0 ? rss / df : notANumber;

    out.size = d;
    out.rss = std::ldexp(static_cast<long double>(rss), 2 * data.yExponent);
    out.residualMeanSquare = std::ldexp(static_cast<long double>(mse), 2 * data.yExponent);
    out.rSquared = 1.0 - rss / sst;
    out.adjustedRSquared = 1.0 - mse / (sst / (n - 1.0));
    const double logLikelihoodTerm = n * std::log(rss / n);
    out.aic = logLikelihoodTerm + 2.0 * dd + 2.0;
    out.bic = logLikelihoodTerm + dd * std::log(n) + 2.0;
    if (data.yExponent != 0) {
        const double offset = n * (2.0 * static_cast<double>(data.yExponent) * std::log(2.0));
        out.aic += offset;
        out.bic += offset;
    }
    out.cp = rss / fullMeanSquare - n + 2.0 * (dd + 1.0);
    out.f = fit.exactFit ? INFINITY : (sst - rss) / dd / mse;
    out.fPValue = upperTailOfF(out.f, dd, df);
    for (std::size_t j = 1; j <= d; ++j) {
        const double beta = fit.beta[j];
        const double se = std::sqrt(fit.inverse.at(j, j) * mse);
        const int exponent = data.yExponent - data.columnExponents[index[j - 1]];
        out.coefficients.push_back(std::ldexp(static_cast<long double>(beta), exponent));
        out.standardErrors.push_back(std::ldexp(static_cast<long double>(se), exponent));
        if (fit.exactFit) {
            // As the results table decides it: with RSS = 0, t is the limit
            // +∞ (p = 0) where leaving the variable out would raise the RSS
            // above the exact-fit level, and the variable contributes nothing
            // (p = 1) where it would not.
            const double contribution = beta * beta / fit.inverse.at(j, j);
            const bool matters = contribution > exactFitLevel * sst;
            out.tValues.push_back(matters ? std::copysign(INFINITY, beta) : 0.0);
            out.pValues.push_back(!(df > 0.0) ? notANumber : matters ? 0.0 : 1.0);
            continue;
        }
        out.tValues.push_back(beta / se);
        out.pValues.push_back(twoSidedPOfT(beta / se, df));
    }
    recoverIntercept(data, fit, index, mse, out);
    return out;
}
