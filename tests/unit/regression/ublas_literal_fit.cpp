#include "ublas_literal_fit.h"

#include <boost/numeric/ublas/lu.hpp>

namespace ublas = boost::numeric::ublas;

bool literalInvert(const ublas::matrix<double>& a, ublas::matrix<double>& inverse) {
    ublas::matrix<double> work(a);
    ublas::permutation_matrix<std::size_t> permutation(a.size1());
    if (ublas::lu_factorize(work, permutation) != 0) {
        return false;
    }
    inverse.assign(ublas::identity_matrix<double>(a.size1()));
    ublas::lu_substitute(work, permutation, inverse);
    return true;
}

LiteralFit literalFit(const DataColumn& y, const std::vector<DataColumn>& columns, SubsetMask mask) {
    const std::size_t n = y.size();
    std::size_t d = 0;
    for (SubsetMask m = mask; m != 0; m &= m - 1) {
        ++d;
    }
    const std::size_t e = d + 1;

    ublas::matrix<double> x(n, e);
    for (std::size_t r = 0; r < n; ++r) {
        x(r, 0) = 1.0;
    }
    SubsetMask rest = mask;
    for (std::size_t j = 1; j <= d; ++j) {
        // b = number of one-bits in ((mask AND −mask) − 1)
        SubsetMask below = (rest & (0u - rest)) - 1u;
        std::size_t b = 0;
        for (; below != 0; below &= below - 1) {
            ++b;
        }
        for (std::size_t r = 0; r < n; ++r) {
            x(r, j) = columns[b][r];
        }
        rest &= rest - 1;
    }

    LiteralFit fit;
    fit.crossProducts = ublas::prod(ublas::trans(x), x);
    fit.inverse.resize(e, e);
    if (!literalInvert(fit.crossProducts, fit.inverse)) {
        return fit;
    }
    ublas::vector<double> yv(n);
    for (std::size_t r = 0; r < n; ++r) {
        yv(r) = y[r];
    }
    fit.xty = ublas::prod(ublas::trans(x), yv);
    fit.beta = ublas::prod(fit.inverse, fit.xty);
    fit.rss = ublas::inner_prod(yv, yv) - ublas::inner_prod(fit.xty, fit.beta);
    fit.ok = true;
    return fit;
}
