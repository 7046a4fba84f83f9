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

// Columns q and q + 1 of C⁻¹ = (L·D·Lᵀ)⁻¹ side by side, column q in lane 0:
// each the solve of its unit vector, forward with L, times 1/D, backward
// with Lᵀ. The loops do not depend on the column (the zeros above the unit
// entry are carried through like any value), so both lanes take the same
// sequence, each the scalar solve of its own column.
inline void inverseColumnPair(const DoubleDouble* c, std::size_t stride, const DoubleDouble* reciprocal,
                              std::size_t d, std::size_t q, DoubleDoublePair* x) {
    for (std::size_t i = 0; i < d; ++i) {
        x[i] = pairOf(toDoubleDouble(i == q ? 1.0 : 0.0), toDoubleDouble(i == q + 1 ? 1.0 : 0.0));
    }
    for (std::size_t i = 0; i < d; ++i) {
        for (std::size_t k = 0; k < i; ++k) x[i] = x[i] - broadcast(c[i * stride + k]) * x[k];
    }
    for (std::size_t i = 0; i < d; ++i) x[i] = x[i] * broadcast(reciprocal[i]);
    for (std::size_t i = d; i-- > 0;) {
        for (std::size_t k = i + 1; k < d; ++k) x[i] = x[i] - broadcast(c[k * stride + i]) * x[k];
    }
}
