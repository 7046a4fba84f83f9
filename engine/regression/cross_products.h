#pragma once
// The cross-products of one dependent variable with all of the run's
// explanatory variables, formed once and shared by every subset.
//
// Index 0 stands for the intercept (a column of 1.0), index 1 + i for
// explanatory column i and index k + 1 for y. Entry (a, b) is the sum over
// the rows in ascending order, starting from 0.0, of column a times column b:
// exactly the running sum that the product of the transposed design matrix
// with the design matrix (or with y) forms for the same pair of columns. So a
// subset's XᵀX, Xᵀy and y·y gathered from here are bit for bit the values a
// fit that builds its own design matrix would compute, and forming them once
// takes the data out of the per-subset cost.
#include <cstddef>
#include <memory>
#include <vector>

#include "regression/data_column.h"

// The most explanatory variables a search can have (a subset is a 64-bit
// mask, and the intercept takes one more coefficient). The library's runs
// stop at 31 (its own check); the command line goes up to this.
constexpr std::size_t maxExplanatoryVariables = 64;
constexpr std::size_t maxCrossProductOrder = maxExplanatoryVariables + 2;

struct ExtendedCrossProducts;

struct CrossProducts {
    std::size_t variables = 0;  // k
    std::size_t rows = 0;       // n, the length of y
    double entries[maxCrossProductOrder * maxCrossProductOrder];  // row-major, stride variables + 2
    // The values of each index's column (nullptr for the intercept), kept so
    // that the double-double cross-products can be formed from the same data
    // when a subset needs them; the columns must outlive these products.
    const double* columns[maxCrossProductOrder] = {};
    // Those double-double cross-products, once formed
    // (extended_cross_products.h); empty until a subset needs them.
    mutable std::shared_ptr<ExtendedCrossProducts> extended;
    // The same, formed ahead (offerExtendedCrossProducts) but not yet taken.
    mutable std::shared_ptr<ExtendedCrossProducts> offered;

    std::size_t order() const { return variables + 2; }
    std::size_t yIndex() const { return variables + 1; }
    const double* row(std::size_t a) const { return entries + a * order(); }
    double at(std::size_t a, std::size_t b) const { return entries[a * order() + b]; }
};

// Forms the cross-products of [intercept, columns..., y]. Throws
// std::invalid_argument when there are more than 64 columns or a column's
// length differs from y's.
void formCrossProducts(const DataColumn& y, const std::vector<DataColumn>& columns, CrossProducts& products);

// The same for count columns given by address (the variables of one subset,
// for instance).
void formCrossProducts(const DataColumn& y, const DataColumn* const* columns, std::size_t count,
                       CrossProducts& products);
