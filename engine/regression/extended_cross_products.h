#pragma once
// The cross-products of one dependent variable with all of the run's
// explanatory variables in double-double arithmetic (double_double.h), for
// the subsets that the double fit cannot resolve (extended_fit.h).
//
// Same layout as CrossProducts: index 0 the intercept, 1 + i explanatory
// column i, k + 1 the dependent variable. Each entry is the sum over the rows
// in ascending order of the exact products (two-product) accumulated in
// double-double (pair_sums.h): an error of at most 0.75·(n + 1)·2^-104 of
// Σ|products|, and the same bits on every target.
#include <cstddef>
#include <memory>
#include <vector>

#include "regression/cross_products.h"
#include "regression/double_double.h"

struct ExtendedCrossProducts {
    std::size_t variables = 0;  // k
    std::size_t rows = 0;       // n
    DoubleDouble entries[maxCrossProductOrder * maxCrossProductOrder];  // row-major, stride variables + 2
    // What every solve centres its system with, formed once from entries
    // (centreExtendedCrossProducts) by the operations a solve would take:
    // means[a] = A_0a / n (n = A_00), and centred(a, b) = A_ab − means[a]·A_0b,
    // row a's mean with column b's sum (not symmetric in its rounding),
    // same layout as entries.
    DoubleDouble means[maxCrossProductOrder];
    DoubleDouble centredEntries[maxCrossProductOrder * maxCrossProductOrder];

    // Found once from these sums (linear_dependencies.h): the sets of
    // columns that are exactly dependent (a column with its combination).
    // Every subset that holds such a set whole fails the rank rule, so the
    // fit can say so without a solve.
    std::vector<SubsetMask> dependentSets;

    std::size_t order() const { return variables + 2; }
    std::size_t yIndex() const { return variables + 1; }
    const DoubleDouble& at(std::size_t a, std::size_t b) const { return entries[a * order() + b]; }
    const DoubleDouble& centred(std::size_t a, std::size_t b) const { return centredEntries[a * order() + b]; }
};

// Forms means and centredEntries from entries (formExtendedCrossProducts
// does, once entries are summed).
void centreExtendedCrossProducts(ExtendedCrossProducts& extended);

// Forms the extended cross-products of the columns products was formed
// from (their addresses are kept in products, and must still be valid).
void formExtendedCrossProducts(const CrossProducts& products, ExtendedCrossProducts& extended);

// The extended cross-products of products' run, with its dependent sets,
// formed on the first call and kept in products for the
// later ones: a run whose subsets all resolve in double never pays for them.
const ExtendedCrossProducts& extendedCrossProducts(const CrossProducts& products);

// Hands products the extended cross-products already formed from its
// columns (formExtendedCrossProducts, as a search does for its scaled
// system), for the first extendedCrossProducts call to take instead of
// summing the rows again. Before any thread asks for them.
void offerExtendedCrossProducts(const CrossProducts& products, std::shared_ptr<ExtendedCrossProducts> formed);
