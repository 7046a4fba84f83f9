#include "statistics_reference.h"

#include <cmath>
#include <stdexcept>

namespace {

using Real = long double;
const Real pi = 3.141592653589793238462643383279502884L;

Real mean(const DataColumn& values) {
    Real sum = 0;
    for (double v : values) {
        sum += v;
    }
    return sum / static_cast<Real>(values.size());
}

Real centredSquares(const DataColumn& values) {
    const Real centre = mean(values);
    Real sum = 0;
    for (double v : values) {
        sum += (v - centre) * (v - centre);
    }
    return sum;
}

}  // namespace

ReferenceModel referenceModel(const DataColumn& y, const std::vector<DataColumn>& columns, SubsetMask mask) {
    std::vector<const DataColumn*> chosen;
    for (std::size_t b = 0; b < 32; ++b) {
        if (mask & (SubsetMask{1} << b)) {
            chosen.push_back(&columns.at(b));
        }
    }
    const std::size_t n = y.size();
    const std::size_t d = chosen.size();
    const std::size_t e = d + 1;
    if (n < e) {
        throw std::invalid_argument("reference needs n >= d + 1");
    }
    // [X | y], column by column.
    std::vector<std::vector<Real>> a(e + 1, std::vector<Real>(n, 1));
    for (std::size_t j = 0; j < d; ++j) {
        for (std::size_t r = 0; r < n; ++r) {
            a[j + 1][r] = (*chosen[j])[r];
        }
    }
    for (std::size_t r = 0; r < n; ++r) {
        a[e][r] = y[r];
    }
    // Householder reflections make X upper triangular; they carry y along.
    for (std::size_t j = 0; j < e; ++j) {
        Real norm = 0;
        for (std::size_t r = j; r < n; ++r) {
            norm += a[j][r] * a[j][r];
        }
        norm = std::sqrt(norm);
        const Real alpha = a[j][j] > 0 ? -norm : norm;
        std::vector<Real> v(n, 0);
        for (std::size_t r = j; r < n; ++r) {
            v[r] = a[j][r];
        }
        v[j] -= alpha;
        Real vv = 0;
        for (std::size_t r = j; r < n; ++r) {
            vv += v[r] * v[r];
        }
        if (vv == 0) {
            continue;
        }
        for (std::size_t c = j; c <= e; ++c) {
            Real dot = 0;
            for (std::size_t r = j; r < n; ++r) {
                dot += v[r] * a[c][r];
            }
            const Real scale = 2 * dot / vv;
            for (std::size_t r = j; r < n; ++r) {
                a[c][r] -= scale * v[r];
            }
        }
    }
    // R β = (Qᵀy)_0..e−1; RSS = Σ of the rest of Qᵀy squared.
    std::vector<Real> beta(e);
    for (std::size_t i = e; i-- > 0;) {
        Real s = a[e][i];
        for (std::size_t j = i + 1; j < e; ++j) {
            s -= a[j][i] * beta[j];
        }
        beta[i] = s / a[i][i];
    }
    Real rss = 0;
    for (std::size_t r = e; r < n; ++r) {
        rss += a[e][r] * a[e][r];
    }
    // (XᵀX)⁻¹ = R⁻¹R⁻ᵀ: its diagonal is the row sums of squares of R⁻¹.
    std::vector<std::vector<Real>> rInverse(e, std::vector<Real>(e, 0));
    for (std::size_t c = 0; c < e; ++c) {
        for (std::size_t i = c + 1; i-- > 0;) {
            Real s = i == c ? 1 : 0;
            for (std::size_t j = i + 1; j <= c; ++j) {
                s -= a[j][i] * rInverse[j][c];
            }
            rInverse[i][c] = s / a[i][i];
        }
    }

    ReferenceModel model;
    const Real rows = static_cast<Real>(n);
    const Real df = rows - static_cast<Real>(e);
    const Real sst = centredSquares(y);
    const Real mse = rss / df;
    model.rss = static_cast<double>(rss);
    model.sst = static_cast<double>(sst);
    model.standardized.assign(e, 0.0);
    model.t.assign(e, 0.0);
    for (std::size_t i = 0; i < e; ++i) {
        Real diagonal = 0;
        for (std::size_t c = i; c < e; ++c) {
            diagonal += rInverse[i][c] * rInverse[i][c];
        }
        model.beta.push_back(static_cast<double>(beta[i]));
        model.inverseDiagonal.push_back(static_cast<double>(diagonal));
        if (i > 0) {
            model.standardized[i] = static_cast<double>(beta[i] * std::sqrt(centredSquares(*chosen[i - 1]) / sst));
            model.t[i] = static_cast<double>(beta[i] / std::sqrt(diagonal * mse));
        }
    }
    model.f = static_cast<double>(((sst - rss) / static_cast<Real>(d)) / mse);
    model.rSquared = static_cast<double>(1 - rss / sst);
    model.adjustedRSquared = static_cast<double>(1 - mse / (sst / (rows - 1)));
    model.aic = static_cast<double>(rows * std::log(rss / rows) + 2 * static_cast<Real>(e));
    return model;
}

double referenceTwoSidedT(double t, int df) {
    const Real nu = df;
    const Real theta = std::atan(std::fabs(static_cast<Real>(t)) / std::sqrt(nu));
    const Real c = std::cos(theta);
    const Real s = std::sin(theta);
    Real a;  // P(|T| < |t|)
    if (df % 2 == 1) {
        Real series = 0;
        if (df > 1) {
            Real term = c;
            series = term;
            for (int i = 1; 2 * i + 1 <= df - 2; ++i) {
                term *= c * c * (2 * i) / (2 * i + 1);
                series += term;
            }
        }
        a = 2 / pi * (theta + s * series);
    } else {
        Real term = 1;
        Real series = 1;
        for (int i = 1; 2 * i <= df - 2; ++i) {
            term *= c * c * (2 * i - 1) / (2 * i);
            series += term;
        }
        a = s * series;
    }
    return static_cast<double>(1 - a);
}

double referenceUpperTailF(double f, int d1, int d2) {
    if (d1 == 1) {
        return referenceTwoSidedT(std::sqrt(f), d2);
    }
    if (d1 % 2 != 0) {
        throw std::invalid_argument("closed form needs d1 = 1 or even");
    }
    const Real x = static_cast<Real>(d2) / (d2 + d1 * static_cast<Real>(f));
    Real term = 1;
    Real series = 1;
    for (int i = 1; 2 * i <= d1 - 2; ++i) {
        term *= (d2 + 2 * (i - 1)) / static_cast<Real>(2 * i) * (1 - x);
        series += term;
    }
    return static_cast<double>(std::pow(x, static_cast<Real>(d2) / 2) * series);
}

double referenceCorrelation(const DataColumn& x, const DataColumn& y) {
    const Real mx = mean(x);
    const Real my = mean(y);
    Real sxy = 0;
    for (std::size_t r = 0; r < x.size(); ++r) {
        sxy += (x[r] - mx) * (y[r] - my);
    }
    return static_cast<double>(sxy / std::sqrt(centredSquares(x) * centredSquares(y)));
}
