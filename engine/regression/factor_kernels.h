#pragma once
// The inner kernels of the double-double refit's L·D·Lᵀ factorisation
// (extended_fit.cpp): the elimination of one row and the diagonal of the
// inverse from the factors. Each takes two independent entries at a time in
// the lanes of a DoubleDoublePair, every lane doing exactly the scalar
// operations of the entry it holds, so the results are the bits of the
// scalar loops (which the unit tests keep as their reference).
#include <cstddef>

#include "regression/double_double_pair.h"
#include "regression/scratch_array.h"
#include "regression/square_matrix.h"

// row[j] = row[j] − l·pivotRow[j] for j in [from, to).
inline void eliminateRow(DoubleDouble* row, DoubleDouble l, const DoubleDouble* pivotRow, std::size_t from,
                         std::size_t to) {
    const PairFactor factor = factorOf(broadcast(l));
    std::size_t j = from;
    for (; j + 2 <= to; j += 2) {
        storePair(loadPair(row + j) - factor * loadPair(pivotRow + j), row + j);
    }
    if (j < to) row[j] = row[j] - l * pivotRow[j];
}

// The diagonal of C⁻¹ = L⁻ᵀ·D⁻¹·L⁻¹ from the factors of a d × d system: L
// below the diagonal of c (row stride stride) and 1/D in reciprocal. Entry q
// is Σ_{i ≥ q} x_i²/D_i with x column q of L⁻¹ (x_q = 1, and
// x_i = −Σ_{q ≤ k < i} L_ik·x_k below it, summed in ascending k).
//
// Columns q and q + 1 are formed side by side, column q in lane 0: x_{q+1}
// of column q has no partner (column q + 1 starts with its implicit 1
// there) and is formed alone; from row q + 2 on, each lane's sum starts
// where its column's does (column q's with the k = q + 1 term already
// taken, as the scalar sum takes it first) and the terms k ≥ q + 2 are
// subtracted in both lanes together.
inline void inverseDiagonalOfFactors(const DoubleDouble* c, std::size_t stride, const DoubleDouble* reciprocal,
                                     std::size_t d, DoubleDouble* diagonal) {
    ScratchArray<DoubleDoublePair, maxModelOrder> x;
    std::size_t q = 0;
    for (; q + 2 <= d; q += 2) {
        const DoubleDouble first = -c[(q + 1) * stride + q];
        const DoubleDouble entry0 = reciprocal[q] + first * first * reciprocal[q + 1];
        DoubleDoublePair entry = pairOf(entry0, reciprocal[q + 1]);
        for (std::size_t i = q + 2; i < d; ++i) {
            const DoubleDouble* row = c + i * stride;
            const DoubleDouble sum0 = -row[q] - row[q + 1] * first;
            DoubleDoublePair sum = pairOf(sum0, -row[q + 1]);
            for (std::size_t k = q + 2; k < i; ++k) sum = sum - broadcast(row[k]) * x[k];
            x[i] = sum;
            entry = entry + sum * sum * broadcast(reciprocal[i]);
        }
        diagonal[q] = firstOf(entry);
        diagonal[q + 1] = secondOf(entry);
    }
    // The last column of an odd order has no entry below the diagonal.
    if (q < d) diagonal[q] = reciprocal[q];
}
