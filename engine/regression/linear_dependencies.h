#pragma once
// The exact linear dependencies among a run's explanatory columns, and
// whether the dependent variable is fitted exactly: what the rank rule and
// the exact-fit rule of the fit (fit_levels.h) will make of the subsets,
// said once per data set instead of per subset.
#include <cstddef>
#include <vector>

#include "regression/data_column.h"

struct LinearDependency {
    std::size_t column = 0;                 // the column that is a combination of others
    std::vector<std::size_t> combination;  // of these (ascending; none of them a combination itself)
};

struct DependencyReport {
    std::vector<LinearDependency> dependencies;
    bool exactFit = false;                 // y is fitted exactly …
    std::vector<std::size_t> fittedBy;     // … by these columns (ascending)
};

// Walks the columns in order and keeps a basis of those that are not
// combinations of the earlier ones by the rank rule (1 − R² ≤ rankTolerance
// against the basis); each one that is gets a dependency, pruned to a
// minimal set of basis columns (dropping, in ascending order, every column
// the dependency holds without). Then y is tried against the whole basis by
// the exact-fit rule, and the columns that fit it exactly are pruned the
// same way. So every subset that contains a dependency's column with its
// whole combination is one the fit rejects, and every subset that contains
// fittedBy is an exact fit.
//
// The columns should be as the search sees them (centred). When the double
// fit of all columns resolves (the usual case), there is neither a
// dependency nor an exact fit, and nothing beyond that fit is computed.
// Columns without spread are passed over. Throws std::invalid_argument like
// formCrossProducts.
DependencyReport findLinearDependencies(const DataColumn& y, const std::vector<DataColumn>& columns);

struct ExtendedCrossProducts;

// The walk itself, on double-double cross-products (always, without the
// double fit's shortcut).
DependencyReport dependenciesOf(const ExtendedCrossProducts& products);

// The walk over the columns alone (the dependencies of dependenciesOf, the
// same ones), without trying y; basis, if given, receives the columns kept.
std::vector<LinearDependency> columnDependencies(const ExtendedCrossProducts& products,
                                                std::vector<std::size_t>* basis = nullptr);
