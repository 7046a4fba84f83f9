#pragma once
// The normal equations of one subset, gathered from the cross-products of
// the run's variables into fixed work storage (no allocation, nothing
// proportional to the number of rows).
#include "regression/cross_products.h"
#include "regression/data_column.h"
#include "regression/square_matrix.h"

struct SubsetSystem {
    SquareMatrix crossProducts;       // A = XᵀX, order e = d + 1
    double xty[maxModelOrder];        // Xᵀy
    double yy = 0.0;                  // y·y
    std::size_t rows = 0;             // n
    // Where the system was gathered from, for a refit in double-double:
    // the run's cross-products and, per coefficient, its index there.
    const CrossProducts* products = nullptr;
    SubsetMask mask = 0;
    std::size_t source[maxModelOrder];

    std::size_t order() const { return crossProducts.order; }
};

// Gathers XᵀX, Xᵀy and y·y of the subset mask: coefficient 0 is the
// intercept, coefficient j the variable of the j-th set bit, lowest first.
// Every set bit of mask must index one of products' variables.
void gatherSubsetSystem(const CrossProducts& products, SubsetMask mask, SubsetSystem& system);
