#pragma once
// The reference for the production fit: the least-squares fit written out
// literally with Boost uBLAS, building the design matrix from the data for
// every fit (matrix<double>, prod, trans, lu_factorize with a
// permutation_matrix, lu_substitute on the identity, inner_prod). The
// production code must agree with it bit for bit.
#include <boost/numeric/ublas/matrix.hpp>
#include <boost/numeric/ublas/vector.hpp>

#include <vector>

#include "regression/data_column.h"

struct LiteralFit {
    bool ok = false;
    boost::numeric::ublas::matrix<double> crossProducts;  // XᵀX
    boost::numeric::ublas::matrix<double> inverse;
    boost::numeric::ublas::vector<double> xty;
    boost::numeric::ublas::vector<double> beta;
    double rss = 0.0;
};

// Inverts a by lu_factorize and lu_substitute; false for an exactly zero
// pivot (inverse not written then).
bool literalInvert(const boost::numeric::ublas::matrix<double>& a, boost::numeric::ublas::matrix<double>& inverse);

LiteralFit literalFit(const DataColumn& y, const std::vector<DataColumn>& columns, SubsetMask mask);
