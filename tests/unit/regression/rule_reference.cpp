#include "rule_reference.h"

#include <cmath>

#include "regression/fit_levels.h"

namespace {

using Real = long double;

std::vector<Real> centred(const DataColumn& column) {
    Real sum = 0;
    for (double v : column) sum += v;
    const Real mean = sum / static_cast<Real>(column.size());
    std::vector<Real> values(column.size());
    for (std::size_t r = 0; r < column.size(); ++r) values[r] = static_cast<Real>(column[r]) - mean;
    return values;
}

Real dot(const std::vector<Real>& a, const std::vector<Real>& b) {
    Real sum = 0;
    for (std::size_t r = 0; r < a.size(); ++r) sum += a[r] * b[r];
    return sum;
}

// v minus its projections on the orthonormal basis, twice.
void orthogonalise(std::vector<Real>& v, const std::vector<std::vector<Real>>& basis) {
    for (int pass = 0; pass < 2; ++pass) {
        for (const std::vector<Real>& q : basis) {
            const Real c = dot(q, v);
            for (std::size_t r = 0; r < v.size(); ++r) v[r] -= c * q[r];
        }
    }
}

}  // namespace

long double referenceResidualShare(const std::vector<const DataColumn*>& regressors, const DataColumn& target) {
    std::vector<std::vector<Real>> basis;
    for (const DataColumn* column : regressors) {
        std::vector<Real> v = centred(*column);
        const Real before = dot(v, v);
        orthogonalise(v, basis);
        const Real after = dot(v, v);
        // A regressor that is (up to long double rounding) in the span of
        // the others adds no direction.
        if (!(after > 1e-30L * before)) continue;
        const Real norm = std::sqrt(after);
        for (Real& value : v) value /= norm;
        basis.push_back(v);
    }
    std::vector<Real> t = centred(target);
    const Real total = dot(t, t);
    if (!(total > 0)) return 0;
    orthogonalise(t, basis);
    return dot(t, t) / total;
}

ReferenceVerdict referenceVerdict(const DataColumn& y, const std::vector<DataColumn>& columns, SubsetMask mask) {
    ReferenceVerdict verdict;
    std::vector<const DataColumn*> chosen;
    for (std::size_t b = 0; b < 32; ++b) {
        if (mask & (SubsetMask{1} << b)) chosen.push_back(&columns.at(b));
    }
    // The double cross-products the fit starts from must exist.
    std::vector<const DataColumn*> all(chosen);
    all.push_back(&y);
    for (const DataColumn* a : all) {
        double sum = 0;
        for (double v : *a) sum += v;
        verdict.computable = verdict.computable && std::isfinite(sum);
        for (const DataColumn* b : all) {
            double products = 0;
            for (std::size_t r = 0; r < y.size(); ++r) products += (*a)[r] * (*b)[r];
            verdict.computable = verdict.computable && std::isfinite(products);
        }
        // A sum of squares that underflows (or vanishes for a column that
        // is not all zero) no longer represents the column.
        double squares = 0;
        bool zero = true;
        for (double v : *a) {
            squares += v * v;
            zero = zero && v == 0.0;
        }
        verdict.computable = verdict.computable && (zero || squares >= 2.2250738585072014e-308);
    }
    for (std::size_t j = 0; j < chosen.size(); ++j) {
        std::vector<const DataColumn*> others;
        for (std::size_t i = 0; i < chosen.size(); ++i) {
            if (i != j) others.push_back(chosen[i]);
        }
        const Real share = referenceResidualShare(others, *chosen[j]);
        verdict.leastIndependence = std::fmin(verdict.leastIndependence, share);
    }
    const std::vector<Real> c = centred(y);
    verdict.sst = dot(c, c);
    for (double v : y) verdict.yy += static_cast<Real>(v) * v;
    verdict.residualShare = referenceResidualShare(chosen, y);
    return verdict;
}

Expected expectedVerdict(const ReferenceVerdict& reference) {
    if (!reference.computable) return Expected::NotAModel;
    const Real constantLevel = static_cast<Real>(constantDependentLevel) * reference.yy;
    if (!(reference.sst > 4 * constantLevel)) {
        return reference.sst == 0 || reference.sst * 4 < constantLevel ? Expected::NotAModel : Expected::Either;
    }
    const Real tolerance = rankTolerance;
    if (reference.leastIndependence <= tolerance / 4) return Expected::NotAModel;
    if (reference.leastIndependence <= tolerance * 4) return Expected::Either;
    return Expected::Model;
}

bool referenceExactFit(const ReferenceVerdict& reference) {
    return reference.residualShare <= static_cast<Real>(exactFitLevel);
}
