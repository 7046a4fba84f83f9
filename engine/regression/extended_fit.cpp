#include "regression/extended_fit.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "regression/factor_kernels.h"
#include "regression/scratch_array.h"
#include "regression/fit_levels.h"

namespace {

using DD = DoubleDouble;

constexpr std::size_t maxVariables = maxModelOrder - 1;

// The models of up to 31 variables (every one of the library's) work in
// storage of that size, only larger ones in storage for 64.
constexpr std::size_t smallCapacity = 31;

// The centred system of one solve and its factors, for at most N variables.
// The arrays are left unset by the constructor (a DoubleDouble's members
// start at zero, and zeroing 17 KB per solve costs about as much as
// factorising a model of a few variables): every entry a solve reads, it
// has written before.
template <std::size_t N>
struct CentredSystem {
    CentredSystem() {}
    std::size_t d = 0;
    DD n;
    union {
        DD mean[N];  // m_j = A_0j / n
    };
    DD meanTarget;
    union {
        DD c[N][N];  // C's lower triangle, then L (below the diagonal) and D
    };
    union {
        DD reciprocal[N];  // 1 / D_p
    };
    union {
        DD spread[N];  // C_jj before the factorisation
    };
    union {
        DD rhs[N];  // Xᵀy centred, then z
    };
    DD sst;
    DD targetSquares;  // the target's uncentred sum of squares
};

// The centred system of source's columns and target, gathered from the
// products' centred entries (the mean of a column and the entries centred
// with it are the same for every solve, so they are formed once).
template <std::size_t N>
void centre(const ExtendedCrossProducts& p, const std::size_t* source, std::size_t e, std::size_t target,
            CentredSystem<N>& s) {
    s.d = e - 1;
    s.n = p.at(0, 0);
    for (std::size_t i = 0; i < s.d; ++i) s.mean[i] = p.means[source[i + 1]];
    s.meanTarget = p.means[target];
    for (std::size_t i = 0; i < s.d; ++i) {
        const std::size_t a = source[i + 1];
        for (std::size_t j = i; j < s.d; ++j) s.c[j][i] = p.centred(a, source[j + 1]);
        s.spread[i] = s.c[i][i];
        s.rhs[i] = p.centred(a, target);
    }
    s.targetSquares = p.at(target, target);
    s.sst = p.centred(target, target);
}

// L·D·Lᵀ in place with the right-hand side eliminated along; false as soon
// as a pivot shows the variable to be (nearly) a combination of the ones
// before it. rss receives SST − Σ z_p² / D_p. Only the lower triangle is
// worked on (C is symmetric, and the factors are read from there): at pivot
// p the entries of column p below it, as they stand, are both each row's
// multiplier (times 1/D_p) and, by symmetry, the pivot row that row
// subtracts up to its diagonal, so each step costs half the updates of an
// elimination of whole rows. Each pivot is divided by once: its reciprocal
// multiplies (a double-double division costs several multiplications, and
// a product by the rounded reciprocal is as accurate to within a few units
// of the 106-bit precision).
template <std::size_t N>
bool factorise(CentredSystem<N>& s, DD& rss) {
    rss = s.sst;
    ScratchArray<DD, N> column;
    for (std::size_t p = 0; p < s.d; ++p) {
        const DD pivot = s.c[p][p];
        if (!(pivot.hi > rankTolerance * s.spread[p].hi) || !(s.spread[p].hi > 0.0)) {
            return false;
        }
        const DD reciprocal = toDoubleDouble(1.0) / pivot;
        s.reciprocal[p] = reciprocal;
        for (std::size_t i = p + 1; i < s.d; ++i) column[i] = s.c[i][p];
        for (std::size_t i = p + 1; i < s.d; ++i) {
            const DD l = column[i] * reciprocal;
            eliminateRow(s.c[i], l, column.data(), p + 1, i + 1);
            s.rhs[i] = s.rhs[i] - l * s.rhs[p];
            s.c[i][p] = l;
        }
        rss = rss - s.rhs[p] * s.rhs[p] * reciprocal;
    }
    return true;
}

// x = (L·D·Lᵀ)⁻¹ b: forward with L, times 1/D, backward with Lᵀ.
template <std::size_t N>
void solveFactored(const CentredSystem<N>& s, DD* x) {
    for (std::size_t i = 0; i < s.d; ++i) {
        for (std::size_t k = 0; k < i; ++k) {
            x[i] = x[i] - s.c[i][k] * x[k];
        }
    }
    for (std::size_t i = 0; i < s.d; ++i) {
        x[i] = x[i] * s.reciprocal[i];
    }
    for (std::size_t i = s.d; i-- > 0;) {
        for (std::size_t k = i + 1; k < s.d; ++k) {
            x[i] = x[i] - s.c[k][i] * x[k];
        }
    }
}

// The diagonal of C⁻¹ = L⁻ᵀ·D⁻¹·L⁻¹: entry q is Σ_{i ≥ q} x_i² / D_i with x
// column q of L⁻¹ (x_q = 1, and x_i = −Σ_{q ≤ k < i} L_ik·x_k below it): half
// the work of solving for column q of C⁻¹, which the diagonal alone does
// not need. The rank rule of both kinds of solve is decided on it.
template <std::size_t N>
void inverseDiagonal(const CentredSystem<N>& s, DD* diagonal) {
    inverseDiagonalOfFactors(&s.c[0][0], N, s.reciprocal, s.d, diagonal);
}

// Anything of at most this size in the bound of a ranking solve is as
// finite in the whole solve, whose products split no factor beyond 2^996
// (double_double.h) and whose values stay within the bound but for
// roundings far below this slack.
constexpr double rankingFiniteLimit = 0x1p900;

// Whether the whole solve's intercept row −C⁻¹·m and corner 1/n + mᵀC⁻¹m are
// finite, from C⁻¹'s diagonal alone: C⁻¹ is positive definite, so
// |C⁻¹_kj| ≤ √(C⁻¹_kk·C⁻¹_jj) ≤ t (its trace), so every partial sum of a
// row entry Σ m_k·C⁻¹_kj is at most d·‖m‖·t, and of the corner at most
// 1/n + d²·‖m‖²·t, as is every factor of their products. False where those
// bounds are not comfortably finite (the whole solve then tells).
template <std::size_t N>
bool interceptRowFinite(const CentredSystem<N>& s, const DD* diagonal) {
    double trace = 0.0;
    double meanSquares = 0.0;
    for (std::size_t j = 0; j < s.d; ++j) {
        trace += std::fabs(diagonal[j].hi);
        meanSquares += s.mean[j].hi * s.mean[j].hi;
    }
    const double d = static_cast<double>(s.d);
    const double largestMean = std::sqrt(meanSquares);
    const double row = 2.0 * d * largestMean * trace;
    const double corner = 2.0 * (std::fabs(toDouble(toDoubleDouble(1.0) / s.n)) + d * d * meanSquares * trace);
    return largestMean < rankingFiniteLimit && trace < rankingFiniteLimit && row < rankingFiniteLimit &&
           corner < rankingFiniteLimit;
}

// What ranks a solved subset: 1 − R² of the target, the verdict on its
// variance, and the RSS (0 for an exact fit).
template <std::size_t N>
void setRankingResult(const CentredSystem<N>& s, DD rss, ExtendedSolution& solution) {
    solution.residualShare = toDouble(rss / s.sst);
    if (!(s.sst.hi > constantDependentLevel * s.targetSquares.hi)) {
        solution.verdict = ExtendedVerdict::NoVariance;
        return;
    }
    solution.exactFit = !(rss.hi > exactFitLevel * s.sst.hi);
    solution.rss = solution.exactFit ? 0.0 : toDouble(rss);
    solution.verdict = ExtendedVerdict::Solved;
}

// The rank rule on every variable, from the diagonal of C⁻¹: 1 − R²_j =
// 1 / (C⁻¹_jj·C_jj). Sets leastIndependence, and the verdict where it fails.
template <std::size_t N>
bool independentEnough(const CentredSystem<N>& s, const DD* inverseDiagonal, ExtendedSolution& solution) {
    double least = 1.0;
    for (std::size_t j = 0; j < s.d; ++j) {
        const double inflation = toDouble(inverseDiagonal[j] * s.spread[j]);  // 1 / (1 − R²_j)
        if (!(inflation > 0.0) || !(inflation * rankTolerance < 1.0)) {
            solution.leastIndependence = inflation > 0.0 ? 1.0 / inflation : 0.0;
            solution.verdict = ExtendedVerdict::RankDeficient;
            return false;
        }
        least = std::min(least, 1.0 / inflation);
    }
    solution.leastIndependence = least;
    return true;
}

// β_0 = ȳ − Σ m_j β_j.
template <std::size_t N>
DD interceptOf(const CentredSystem<N>& s, const DD* beta) {
    DD intercept = s.meanTarget;
    for (std::size_t j = 0; j < s.d; ++j) intercept = intercept - s.mean[j] * beta[j];
    return intercept;
}

// The whole solution from the factors: the rank rule on C⁻¹'s diagonal
// (inverseDiagonal, as the ranking solve decides it), C⁻¹ column by
// column, then the intercept, (XᵀX)⁻¹ row 0 = −C⁻¹·m and entry
// (0, 0) = 1/n + mᵀC⁻¹m.
template <std::size_t N>
void solveFromFactors(const CentredSystem<N>& s, DD rss, const DD* beta, ExtendedSolution& solution) {
    const std::size_t d = s.d;
    DD diagonal[N];
    inverseDiagonal(s, diagonal);
    if (!independentEnough(s, diagonal, solution)) return;
    DD inverse[N][N];
    std::size_t q = 0;
    for (; q + 2 <= d; q += 2) {
        ScratchArray<DoubleDoublePair, N> columns;
        inverseColumnPair(&s.c[0][0], N, s.reciprocal, d, q, columns.data());
        for (std::size_t i = 0; i < d; ++i) {
            inverse[i][q] = firstOf(columns[i]);
            inverse[i][q + 1] = secondOf(columns[i]);
        }
    }
    if (q < d) {
        DD column[N];
        for (std::size_t i = 0; i < d; ++i) column[i] = toDoubleDouble(i == q ? 1.0 : 0.0);
        solveFactored(s, column);
        for (std::size_t i = 0; i < d; ++i) inverse[i][q] = column[i];
    }

    const DD intercept = interceptOf(s, beta);
    DD interceptRow[N];
    DD corner = toDoubleDouble(1.0) / s.n;
    for (std::size_t j = 0; j < d; ++j) {
        DD sum;
        for (std::size_t k = 0; k < d; ++k) sum = sum + s.mean[k] * inverse[k][j];
        interceptRow[j] = -sum;
        corner = corner + sum * s.mean[j];
    }

    solution.beta[0] = toDouble(intercept);
    solution.inverse.order = s.d + 1;
    solution.inverse.at(0, 0) = toDouble(corner);
    bool finite = isFinite(rss) && isFinite(intercept) && isFinite(corner);
    for (std::size_t j = 0; j < d; ++j) {
        solution.beta[j + 1] = toDouble(beta[j]);
        solution.inverse.at(0, j + 1) = toDouble(interceptRow[j]);
        solution.inverse.at(j + 1, 0) = toDouble(interceptRow[j]);
        for (std::size_t k = 0; k < d; ++k) solution.inverse.at(j + 1, k + 1) = toDouble(inverse[j][k]);
        finite = finite && isFinite(beta[j]) && isFinite(interceptRow[j]);
    }
    if (!finite) {
        solution.verdict = ExtendedVerdict::NotFinite;
        return;
    }
    setRankingResult(s, rss, solution);
}

// Whether the RSS, the coefficients and the intercept the factors give are
// finite; sets the verdict NotFinite where not.
template <std::size_t N>
bool factorsFinite(const CentredSystem<N>& s, DD rss, const DD* beta, ExtendedSolution& solution) {
    bool finite = isFinite(rss) && isFinite(interceptOf(s, beta));
    for (std::size_t j = 0; j < s.d; ++j) finite = finite && isFinite(beta[j]);
    if (!finite) solution.verdict = ExtendedVerdict::NotFinite;
    return finite;
}

// What ranks the subset, from the factors and C⁻¹'s diagonal, with the
// verdict of solveFromFactors: the rank rule on the diagonal, and the
// finiteness of the intercept row from a bound on it. False where that
// cannot be told without the whole solve (near an overflow).
template <std::size_t N>
bool rankWithDiagonal(const CentredSystem<N>& s, DD rss, const DD* beta, const DD* diagonal,
                      ExtendedSolution& solution) {
    if (!independentEnough(s, diagonal, solution)) return true;
    if (!factorsFinite(s, rss, beta, solution)) return true;
    if (!interceptRowFinite(s, diagonal)) return false;
    setRankingResult(s, rss, solution);
    return true;
}

// The same, forming the diagonal from the factors.
template <std::size_t N>
bool rankFromFactors(const CentredSystem<N>& s, DD rss, const DD* beta, ExtendedSolution& solution) {
    ScratchArray<DD, N> diagonal;
    inverseDiagonal(s, diagonal.data());
    return rankWithDiagonal(s, rss, beta, diagonal.data(), solution);
}

// rankFromFactors for a subset whose rank rule, coefficients and intercept
// row the caller vouches for (ExtendedParts::RankingIndependent): the
// finiteness of the RSS, and the verdict on the target.
template <std::size_t N>
void rankIndependentFromFactors(const CentredSystem<N>& s, DD rss, ExtendedSolution& solution) {
    if (!isFinite(rss)) {
        solution.verdict = ExtendedVerdict::NotFinite;
        return;
    }
    setRankingResult(s, rss, solution);
}

// β of the variables: z / D, then back with Lᵀ (z is the eliminated
// right-hand side).
template <std::size_t N>
void coefficientsOf(const CentredSystem<N>& s, DD* beta) {
    const std::size_t d = s.d;
    for (std::size_t i = 0; i < d; ++i) {
        beta[i] = s.rhs[i] * s.reciprocal[i];
    }
    for (std::size_t i = d; i-- > 0;) {
        for (std::size_t k = i + 1; k < d; ++k) {
            beta[i] = beta[i] - s.c[k][i] * beta[k];
        }
    }
}

template <std::size_t N>
void solveOfCapacity(const ExtendedCrossProducts& products, const std::size_t* source, std::size_t e,
                     std::size_t target, ExtendedSolution& solution, ExtendedParts parts) {
    CentredSystem<N> s;
    centre(products, source, e, target, s);
    solution.order = e;
    solution.leastIndependence = 0.0;
    solution.exactFit = false;
    if (!isFinite(s.sst) || !isFinite(s.targetSquares)) {
        solution.verdict = ExtendedVerdict::NotFinite;
        return;
    }
    DD rss;
    if (!factorise(s, rss)) {
        solution.verdict = ExtendedVerdict::RankDeficient;
        return;
    }

    if (parts == ExtendedParts::RankingIndependent) {
        rankIndependentFromFactors(s, rss, solution);
        return;
    }

    ScratchArray<DD, N> beta;
    coefficientsOf(s, beta.data());
    if (parts == ExtendedParts::Ranking) {
        if (!rankFromFactors(s, rss, beta.data(), solution)) {
            // Near an overflow only the whole solve can tell.
            solveOfCapacity<N>(products, source, e, target, solution, ExtendedParts::Whole);
        }
        return;
    }
    solveFromFactors(s, rss, beta.data(), solution);
}

// The dependency walk's basis, grown a column at a time: the system of its
// members and its factors, kept as the factorisation of the whole basis
// leaves them. Each step of that factorisation touches an entry (a, b) in
// the order of the pivots before min(a, b), so the first m rows of a
// larger basis come out the same as those of the first m members alone:
// a new member's row is eliminated with the pivots before it, in their
// order, with column p as it stood at pivot p (unscaled) as the pivot row.
// The diagonal of C⁻¹ grows the same way: entry q sums x_i²/D_i over the
// rows i ≥ q in ascending order (inverseDiagonalOfFactors), so a new row
// adds one term to each entry, with x_m of column q of L⁻¹ from the row.
// The arrays are left unset (written before they are read).
struct GrowingBasis {
    GrowingBasis() {}
    CentredSystem<maxVariables> s;  // the members' system (s.d members), and the target of the question asked
    std::size_t source[maxModelOrder];
    union {
        DD unscaled[maxVariables][maxVariables];  // [p][i]: entry (i, p) as it stood at pivot p
    };
    union {
        DD inverseColumns[maxVariables][maxVariables];  // [q][i]: x_i of column q of L⁻¹ (i > q)
    };
    union {
        DD diagonal[maxVariables];  // of C⁻¹
    };
    bool factorised = true;  // every pivot so far passed the rank rule
};

// Adds column index (of the products) to the basis: its row of the system,
// eliminated with the pivots before it, then its own pivot, which must
// pass as factorise checks it (else no solve with this basis factorises).
void addMember(const ExtendedCrossProducts& p, GrowingBasis& g, std::size_t index) {
    CentredSystem<maxVariables>& s = g.s;
    const std::size_t m = s.d;
    s.mean[m] = p.means[index];
    for (std::size_t j = 0; j < m; ++j) s.c[m][j] = p.centred(g.source[j + 1], index);
    s.c[m][m] = p.centred(index, index);
    s.spread[m] = s.c[m][m];
    g.source[m + 1] = index;
    s.d = m + 1;
    if (!g.factorised) return;
    for (std::size_t q = 0; q < m; ++q) {
        g.unscaled[q][m] = s.c[m][q];
        const DD l = s.c[m][q] * s.reciprocal[q];
        eliminateRow(s.c[m], l, g.unscaled[q], q + 1, m + 1);
        s.c[m][q] = l;
    }
    const DD pivot = s.c[m][m];
    if (!(pivot.hi > rankTolerance * s.spread[m].hi) || !(s.spread[m].hi > 0.0)) {
        g.factorised = false;
        return;
    }
    s.reciprocal[m] = toDoubleDouble(1.0) / pivot;
    for (std::size_t q = 0; q < m; ++q) {
        DD sum = -s.c[m][q];
        for (std::size_t k = q + 1; k < m; ++k) sum = sum - s.c[m][k] * g.inverseColumns[q][k];
        g.inverseColumns[q][m] = sum;
        g.diagonal[q] = g.diagonal[q] + sum * sum * s.reciprocal[m];
    }
    g.diagonal[m] = s.reciprocal[m];
}

// The ranking solve of target against the basis, from its factors: the
// right-hand side eliminated as factorise eliminates it along, then what
// rankFromFactors decides. False where only the whole solve can tell.
bool rankAgainstBasis(const ExtendedCrossProducts& p, GrowingBasis& g, std::size_t target,
                      ExtendedSolution& solution) {
    CentredSystem<maxVariables>& s = g.s;
    const std::size_t d = s.d;
    solution.order = d + 1;
    solution.leastIndependence = 0.0;
    solution.exactFit = false;
    s.meanTarget = p.means[target];
    s.targetSquares = p.at(target, target);
    s.sst = p.centred(target, target);
    if (!isFinite(s.sst) || !isFinite(s.targetSquares)) {
        solution.verdict = ExtendedVerdict::NotFinite;
        return true;
    }
    if (!g.factorised) {
        solution.verdict = ExtendedVerdict::RankDeficient;
        return true;
    }
    for (std::size_t i = 0; i < d; ++i) s.rhs[i] = p.centred(g.source[i + 1], target);
    DD rss = s.sst;
    for (std::size_t q = 0; q < d; ++q) {
        for (std::size_t i = q + 1; i < d; ++i) s.rhs[i] = s.rhs[i] - s.c[i][q] * s.rhs[q];
        rss = rss - s.rhs[q] * s.rhs[q] * s.reciprocal[q];
    }
    ScratchArray<DD, maxVariables> beta;
    coefficientsOf(s, beta.data());
    return rankWithDiagonal(s, rss, beta.data(), g.diagonal, solution);
}

}  // namespace

std::vector<BasisAnswer> basisAnswers(const ExtendedCrossProducts& products) {
    const std::size_t k = products.variables;
    std::vector<BasisAnswer> answers(k);
    const std::unique_ptr<GrowingBasis> basis(new GrowingBasis);
    basis->source[0] = 0;
    basis->s.d = 0;
    basis->s.n = products.at(0, 0);
    for (std::size_t j = 0; j < k; ++j) {
        const std::size_t index = 1 + j;
        if (!(products.at(index, index).hi > 0.0)) continue;  // a column of zeros (after centring)
        BasisAnswer& answer = answers[j];
        if (basis->s.d > 0) {
            ExtendedSolution solution;
            if (!rankAgainstBasis(products, *basis, index, solution)) {
                // Near an overflow: the solve of its own, as any solve.
                solveExtended(products, basis->source, basis->s.d + 1, index, solution, ExtendedParts::Ranking);
            }
            answer.asked = true;
            answer.verdict = solution.verdict;
            answer.residualShare = solution.residualShare;
            answer.leastIndependence = solution.leastIndependence;
        }
        if (!answer.combination()) addMember(products, *basis, index);
    }
    return answers;
}

void solveExtended(const ExtendedCrossProducts& products, const std::size_t* source, std::size_t e,
                   std::size_t target, ExtendedSolution& solution, ExtendedParts parts) {
    if (e <= smallCapacity + 1) {
        solveOfCapacity<smallCapacity>(products, source, e, target, solution, parts);
    } else {
        solveOfCapacity<maxVariables>(products, source, e, target, solution, parts);
    }
}
