#pragma once
// Data sets with the exact linear dependencies and the severe collinearity
// of real worksheets, each with the dependencies it holds by construction:
// a total beside its parts (two and three terms), copies scaled by factors
// that are not powers of two (3, 2.54, 0.001), a full set of dummy columns
// beside the intercept, a plain copy, columns with large offsets, powers of
// an uncentred year, an exactly fitted y, and legal near-collinear columns
// (1 − R² between 1e-10 and 1e-2) that must stay. Values are decimals as
// typed (two or three places), so no sum or product is exact in binary.
#include <cstddef>
#include <vector>

#include "test_data.h"

struct KnownDependency {
    std::size_t column;
    std::vector<std::size_t> combination;
};

struct DependencyCase {
    Dataset data;                             // centred as the search sees it
    std::vector<KnownDependency> dependencies;  // as findLinearDependencies should name them
    std::vector<std::size_t> fittedBy;         // columns that fit y exactly (empty: none)
    bool legalCollinearity = false;           // severe collinearity only: every subset must stay
};

std::vector<DependencyCase> dependencyCases();
