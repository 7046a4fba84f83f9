#pragma once
// The explicit inverse of a small square matrix by LU factorisation with
// partial pivoting.
#include "regression/square_matrix.h"

// Inverts a (not changed) into inverse (same order on return). False, with
// inverse not written, exactly when the elimination meets a pivot of exactly
// 0.0: there is no tolerance, so a matrix singular only up to rounding is
// inverted.
//
// The operations and their order are those of Boost uBLAS's lu_factorize
// with a permutation_matrix followed by lu_substitute on the identity, so the
// inverse is bit for bit the one that code computes (signed zeros and NaNs
// included).
bool invertMatrix(const SquareMatrix& a, SquareMatrix& inverse);
