#pragma once
// The normal equations of all explanatory variables, centred and scaled, in
// double-double: the system the bounded search's tree works on.
//
// The sums Σx_i·x_j, Σx_i and Σx_i·y run over the rows in ascending order
// with exact products (two-product) and double-double accumulation, so they
// carry about 32 significant digits of the data as given. Centring
// C_ij = Σx_i·x_j − Σx_i·Σx_j / n then takes the intercept out exactly
// enough even for columns with a large common offset, and the scaling
// s_i = 1/√C_ii gives a unit diagonal. A variable's residual share after
// the others (1 − R²_j) is then 1 / (C̃⁻¹)_jj of the scaled system, and a
// relative RSS is an RSS over the centred y·y.
#include <cstddef>
#include <vector>

#include "regression/cross_products.h"
#include "regression/data_column.h"
#include "regression/double_double.h"
#include "regression/extended_cross_products.h"
#include "regression/scratch_array.h"

constexpr std::size_t scaledStride = maxExplanatoryVariables;

struct ScaledSystem {
    ScaledSystem() {}  // a user-provided constructor: value-initialisation does not clear the matrix
    std::size_t variables = 0;  // k
    std::size_t rows = 0;       // n
    double yy = 0.0;            // centred y·y, the unit of relative RSS values
    // Variables whose centred sum of squares is zero or only rounding of
    // their uncentred one: constant columns (after centring noise, too).
    // Whatever the exact fit makes of a subset that holds one, such a
    // column changes its RSS by rounding only, so the tree takes it as a
    // unit column orthogonal to the others (row and column 0, diagonal 1).
    SubsetMask constant = 0;
    // C̃, row-major; only the entries of the k variables are set (the rest
    // of the array is left unset rather than cleared on every search).
    ScratchArray<DoubleDouble, scaledStride * scaledStride> matrix;
    DoubleDouble xty[scaledStride];                    // C̃_iy / √(centred y·y)
    double yShare = 0.0;  // centred over uncentred y·y: how far y is from a constant
    DoubleDouble yyScaled;                             // centred y·y over its rounded self: 1 within rounding

    const DoubleDouble& at(std::size_t i, std::size_t j) const { return matrix[i * scaledStride + j]; }
};

// Forms the system from the double-double cross-products of the run (their
// pair sums, pair_sums.h). False when y has no centred sum of squares at
// all; yShare tells how close to constant it is otherwise.
bool formScaledSystem(const ExtendedCrossProducts& extended, ScaledSystem& system);
// The same from the data, forming those cross-products first.
bool formScaledSystem(const DataColumn& y, const std::vector<DataColumn>& columns, ScaledSystem& system);
