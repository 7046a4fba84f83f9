#include "regression/matrix_inverse.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <utility>

// The steps below reproduce Boost uBLAS (lu.hpp, triangular.hpp) operation
// for operation; with -ffp-contract=off every product and sum is rounded
// exactly as there.
//
// Speed. The work is done by one instance per matrix order, so that every
// loop bound is a constant, on rows padded to an even length and aligned to
// 16 bytes, two entries at a time with GCC's vector extension (SSE2 on every
// target: x86_64, and i686 built with -msse2). Each lane is the same IEEE
// operation as the scalar one, so the results are the same bits. The padding
// column starts at 0.0 and only ever holds values derived from its own
// column (0, ±0 or NaN, never a subnormal), which no real entry reads.

namespace {

using Pair = double __attribute__((vector_size(16), __may_alias__));

template <std::size_t E>
struct Shape {
    static constexpr std::size_t pairs = (E + 1) / 2;  // vectors per row
    static constexpr std::size_t width = 2 * pairs;    // doubles per row
};

template <std::size_t E>
struct alignas(16) Work {
    double at[E][Shape<E>::width];

    Pair* pairs(std::size_t r) { return reinterpret_cast<Pair*>(at[r]); }
    const Pair* pairs(std::size_t r) const { return reinterpret_cast<const Pair*>(at[r]); }
};

inline Pair splat(double value) { return Pair{value, value}; }

// target[v] −= factor · source[v] for the vectors v in [first, last).
inline void subtractMultiple(Pair* target, const Pair* source, double factor, std::size_t first, std::size_t last) {
    const Pair f = splat(factor);
    for (std::size_t v = first; v < last; ++v) {
        target[v] -= f * source[v];
    }
}

// lu_factorize(W, P): Gaussian elimination with partial pivoting, in place.
// The pivot is the first entry of largest absolute value at or below the
// diagonal (NaNs never compare larger, and with none larger than 0 the
// diagonal entry itself is taken); the column below it is multiplied by the
// reciprocal of the pivot, formed once; then the outer product of that column
// part and the pivot row part is subtracted from the trailing block. False at
// the first exactly zero pivot (uBLAS goes on, but the matrix is rejected
// whatever follows).
template <std::size_t E>
bool factorizeLu(Work<E>& w, std::size_t (&permutation)[E]) {
    for (std::size_t i = 0; i < E; ++i) {
        permutation[i] = i;
    }
    for (std::size_t i = 0; i < E; ++i) {
        std::size_t pivotRow = i;
        double largest = 0.0;
        for (std::size_t r = i; r < E; ++r) {
            const double size = std::fabs(w.at[r][i]);
            if (size > largest) {
                largest = size;
                pivotRow = r;
            }
        }
        if (w.at[pivotRow][i] == 0.0) {
            return false;
        }
        if (pivotRow != i) {
            permutation[i] = pivotRow;
            std::swap(w.at[i], w.at[pivotRow]);
        }
        const double reciprocal = 1.0 / w.at[i][i];
        // The vectors of the trailing columns i + 1 …; for even i the first
        // of them also holds column i, whose entry is put back afterwards.
        const std::size_t first = (i + 1) / 2;
        for (std::size_t r = i + 1; r < E; ++r) {
            w.at[r][i] *= reciprocal;
            const double factor = w.at[r][i];
            subtractMultiple(w.pairs(r), w.pairs(i), factor, first, Shape<E>::pairs);
            w.at[r][i] = factor;
        }
    }
    return true;
}

// Whether any of the first count entries of row is zero (either sign).
inline bool holdsZero(const double* row, std::size_t count) {
    bool zero = false;
    for (std::size_t c = 0; c < count; ++c) {
        zero |= row[c] == 0.0;
    }
    return zero;
}

// The substitution's row operation: row m −= factor · row n over the
// columns [0, count). uBLAS skips an entry whose source value is zero, and
// skipping x − l·0 is not the same as computing it (l·0 is NaN for an
// infinite l, and −0 − (−0) is +0), so a source row that holds a zero is
// applied entry by entry with the test.
inline void subtractMultipleSkippingZeros(double* target, const double* source, double factor, std::size_t count) {
    for (std::size_t c = 0; c < count; ++c) {
        if (source[c] != 0.0) {
            target[c] -= factor * source[c];
        }
    }
}

// lu_substitute(W, P, X) with X the identity: the row exchanges of P
// applied in order, then inplace_solve with the unit lower triangle and with
// the upper triangle of W. uBLAS runs each solve row by row (n) and, within
// a row, column by column; an entry (m, l) receives its updates in ascending
// n (lower) or descending n (upper) however the loops nest, so whole rows are
// processed here at once.
//
// Each column of X is solved on its own, so the columns may be taken in any
// order: they are taken in the order of the row that holds their 1 after the
// exchanges. X then starts as the identity, and during the lower solve row n
// is zero (+0, never touched, as uBLAS skips zeros) beyond column n, so the
// lower solve only works on columns 0 … n. The columns are put back in place
// at the end.
template <std::size_t E>
void substituteIdentity(const Work<E>& w, const std::size_t (&permutation)[E], SquareMatrix& inverse) {
    std::size_t columnOfRow[E];
    for (std::size_t r = 0; r < E; ++r) {
        columnOfRow[r] = r;
    }
    for (std::size_t i = 0; i < E; ++i) {
        std::swap(columnOfRow[i], columnOfRow[permutation[i]]);
    }

    Work<E> x = {};
    for (std::size_t i = 0; i < E; ++i) {
        x.at[i][i] = 1.0;
    }
    // Unit lower triangle: row n is divided by 1 (no change), then used on
    // columns 0 … n. For even n the last vector also holds column n + 1,
    // where row n is +0 and nothing may change: that entry is put back.
    for (std::size_t n = 0; n + 1 < E; ++n) {
        if (holdsZero(x.at[n], n + 1)) {
            for (std::size_t m = n + 1; m < E; ++m) {
                subtractMultipleSkippingZeros(x.at[m], x.at[n], w.at[m][n], n + 1);
            }
            continue;
        }
        for (std::size_t m = n + 1; m < E; ++m) {
            const double kept = x.at[m][n + 1];
            subtractMultiple(x.pairs(m), x.pairs(n), w.at[m][n], 0, n / 2 + 1);
            x.at[m][n + 1] = kept;
        }
    }
    // Upper triangle: row n is divided by the diagonal (a true division of
    // every entry, zeros included: +0 / negative is −0), then used.
    for (std::size_t n = E; n-- > 0;) {
        const Pair diagonal = splat(w.at[n][n]);
        for (std::size_t v = 0; v < Shape<E>::pairs; ++v) {
            x.pairs(n)[v] /= diagonal;
        }
        if (holdsZero(x.at[n], E)) {
            for (std::size_t m = 0; m < n; ++m) {
                subtractMultipleSkippingZeros(x.at[m], x.at[n], w.at[m][n], E);
            }
            continue;
        }
        for (std::size_t m = 0; m < n; ++m) {
            subtractMultiple(x.pairs(m), x.pairs(n), w.at[m][n], 0, Shape<E>::pairs);
        }
    }

    inverse.order = E;
    for (std::size_t r = 0; r < E; ++r) {
        double* to = inverse.row(r);
        for (std::size_t c = 0; c < E; ++c) {
            to[columnOfRow[c]] = x.at[r][c];
        }
    }
}

template <std::size_t E>
bool invertOfOrder(const SquareMatrix& a, SquareMatrix& inverse) {
    Work<E> w;
    for (std::size_t i = 0; i < E; ++i) {
        std::copy(a.row(i), a.row(i) + E, w.at[i]);
        if (Shape<E>::width > E) {
            w.at[i][E] = 0.0;
        }
    }
    std::size_t permutation[E];
    if (!factorizeLu<E>(w, permutation)) {
        return false;
    }
    substituteIdentity<E>(w, permutation, inverse);
    return true;
}

using Inversion = bool (*)(const SquareMatrix&, SquareMatrix&);

template <std::size_t... Orders>
constexpr std::array<Inversion, sizeof...(Orders)> inversionsOfOrder(std::index_sequence<Orders...>) {
    return {{&invertOfOrder<Orders + 1>...}};
}

// inversions[e − 1] inverts a matrix of order e.
constexpr std::array<Inversion, maxModelOrder> inversions = inversionsOfOrder(std::make_index_sequence<maxModelOrder>{});

}  // namespace

bool invertMatrix(const SquareMatrix& a, SquareMatrix& inverse) {
    if (a.order == 0) {
        inverse.order = 0;
        return true;
    }
    return inversions[a.order - 1](a, inverse);
}
