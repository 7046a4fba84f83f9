#include "regression/matrix_inverse.h"

#include <algorithm>
#include <cmath>

// The steps below reproduce Boost uBLAS (lu.hpp, triangular.hpp) operation
// for operation; with -ffp-contract=off every product and sum is rounded
// exactly as there. Where uBLAS tests an entry against zero before using it,
// so does this code: skipping x − l·0 is not the same as computing it, since
// l·0 can be NaN (l infinite) and −0 − (−0) is +0.

namespace {

void swapRows(SquareMatrix& m, std::size_t i, std::size_t j) {
    std::swap_ranges(m.row(i), m.row(i) + m.order, m.row(j));
}

// lu_factorize(W, P): Gaussian elimination with partial pivoting, in place.
// The pivot is the first entry of largest absolute value at or below the
// diagonal (NaNs never compare larger, and with none larger than 0 the
// diagonal entry itself is taken); the column below it is multiplied by the
// reciprocal of the pivot, formed once; then the outer product of that column
// part and the pivot row part is subtracted from the trailing block. False at
// the first exactly zero pivot (uBLAS goes on, but the matrix is rejected
// whatever follows).
bool factorizeLu(SquareMatrix& w, std::size_t* permutation) {
    const std::size_t e = w.order;
    for (std::size_t i = 0; i < e; ++i) {
        permutation[i] = i;
    }
    for (std::size_t i = 0; i < e; ++i) {
        std::size_t pivotRow = i;
        double largest = 0.0;
        for (std::size_t r = i; r < e; ++r) {
            const double size = std::fabs(w.at(r, i));
            if (size > largest) {
                largest = size;
                pivotRow = r;
            }
        }
        if (w.at(pivotRow, i) == 0.0) {
            return false;
        }
        if (pivotRow != i) {
            permutation[i] = pivotRow;
            swapRows(w, i, pivotRow);
        }
        const double reciprocal = 1.0 / w.at(i, i);
        const double* pivot = w.row(i);
        for (std::size_t r = i + 1; r < e; ++r) {
            double* target = w.row(r);
            target[i] *= reciprocal;
            const double factor = target[i];
            for (std::size_t c = i + 1; c < e; ++c) {
                target[c] -= factor * pivot[c];
            }
        }
    }
    return true;
}

// target −= factor · source, entry by entry, leaving alone the entries
// whose source value is zero (uBLAS's inplace_solve skips them).
inline void subtractNonZero(double* target, const double* source, double factor, std::size_t count) {
    for (std::size_t c = 0; c < count; ++c) {
        const double updated = target[c] - factor * source[c];
        target[c] = source[c] != 0.0 ? updated : target[c];
    }
}

// lu_substitute(W, P, X) with X the identity: the row exchanges of P applied
// in order, then inplace_solve with the unit lower triangle and with the
// upper triangle. uBLAS runs each solve row by row (n) and, within a row,
// column by column (l); an entry (m, l) receives its updates in ascending n
// (lower) or descending n (upper) whichever way the loops nest, so whole rows
// are processed here at once.
void substituteIdentity(const SquareMatrix& w, const std::size_t* permutation, SquareMatrix& x) {
    const std::size_t e = w.order;
    x.order = e;
    std::fill(x.entries, x.entries + e * e, 0.0);
    for (std::size_t i = 0; i < e; ++i) {
        x.at(i, i) = 1.0;
    }
    for (std::size_t i = 0; i < e; ++i) {
        if (permutation[i] != i) {
            swapRows(x, i, permutation[i]);
        }
    }
    // Unit lower triangle: row n is divided by 1 (no change), then used.
    for (std::size_t n = 0; n < e; ++n) {
        const double* source = x.row(n);
        for (std::size_t m = n + 1; m < e; ++m) {
            subtractNonZero(x.row(m), source, w.at(m, n), e);
        }
    }
    // Upper triangle: row n is divided by the diagonal (a true division for
    // every entry, zeros included: +0 / negative is −0), then used.
    for (std::size_t n = e; n-- > 0;) {
        double* source = x.row(n);
        const double diagonal = w.at(n, n);
        for (std::size_t c = 0; c < e; ++c) {
            source[c] /= diagonal;
        }
        for (std::size_t m = n; m-- > 0;) {
            subtractNonZero(x.row(m), source, w.at(m, n), e);
        }
    }
}

}  // namespace

bool invertMatrix(const SquareMatrix& a, SquareMatrix& inverse) {
    SquareMatrix w;
    w.order = a.order;
    std::copy(a.entries, a.entries + a.order * a.order, w.entries);
    std::size_t permutation[maxModelOrder];
    if (!factorizeLu(w, permutation)) {
        return false;
    }
    substituteIdentity(w, permutation, inverse);
    return true;
}
