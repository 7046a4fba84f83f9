#include "subset_search/drop_tree.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <type_traits>

#include "regression/double_double_pair.h"
#include "regression/scratch_array.h"
#include "regression/subset_mask.h"

namespace {

constexpr std::size_t stride = scaledStride;
constexpr double unitRoundoff = 0x1p-53;        // u of double
constexpr double extendedRoundoff = 0x1p-104;   // u of double-double

// Sums of squares outside this range are left to the exhaustive screening:
// products of a handful of such scales (an entry of the unscaled system, of
// its LU factors and of its inverse) then stay far from overflow and from
// the subnormal range in the exact fit.
bool scaleInRange(double sumOfSquares) { return sumOfSquares >= 0x1p-200 && sumOfSquares <= 0x1p200; }

// Whether the exact fit's elimination may pivot on an entry that is only
// rounding. Partial pivoting compares unscaled entries: where |A_ab| ≥ A_bb,
// row a can displace b's own diagonal as the pivot of column b. That is
// harmless when the two variables are genuinely correlated, but when the
// scaled entry is at the level of rounding (a column centred on its mean has
// such a sum with the intercept; a centred column of values near 1e14 or
// more then outweighs n) the elimination divides by rounding noise and the
// exact fit loses digits that no bound on the conditioning accounts for.
// The columns of mask take no part.
bool pivotingUnstable(const CrossProducts& products, SubsetMask zeroColumns) {
    const std::size_t e = products.variables + 1;
    const auto used = [&](std::size_t a) { return a == 0 || (zeroColumns & (SubsetMask{1} << (a - 1))) == 0; };
    for (std::size_t a = 0; a < e; ++a) {
        if (!used(a)) continue;
        for (std::size_t b = 0; b < e; ++b) {
            if (a == b || !used(b)) continue;
            const double scaled = products.at(a, b) / std::sqrt(products.at(a, a)) / std::sqrt(products.at(b, b));
            if (std::fabs(products.at(a, b)) >= products.at(b, b) && std::fabs(scaled) < 0x1p-26) return true;
        }
    }
    return false;
}

// √x for x ≥ 0: one Newton step from the double square root.
DoubleDouble squareRoot(DoubleDouble x) {
    if (!(x.hi > 0.0)) return {0.0, 0.0};
    const double s = std::sqrt(x.hi);
    const double correction = (x - twoProduct(s, s)).hi / (2.0 * s);
    return quickTwoSum(s, correction);
}

double leading(DoubleDouble x) { return x.hi; }

template <class Scalar>
Scalar fromDouble(double x);
template <>
DoubleDouble fromDouble<DoubleDouble>(double x) { return {x, 0.0}; }

// The entries (i, j) of a⁻¹ = W·Wᵀ whose row or column is in slots (a
// mask of slot numbers), and the whole diagonal; every entry by the same
// operations, so that forming the rest later gives the inverse bit for bit
// as forming it at once.
template <class Scalar>
void formInverseEntries(const Scalar* w, std::size_t e, SubsetMask slots, Scalar* inverse) {
    for (std::size_t i = 0; i < e; ++i) {
        const bool row = (slots >> i) & 1u;
        for (std::size_t j = i; j < e; ++j) {
            if (!row && j != i && !((slots >> j) & 1u)) continue;
            Scalar sum{};
            for (std::size_t p = j; p < e; ++p) sum = sum + w[i * stride + p] * w[j * stride + p];
            inverse[i * stride + j] = sum;
            inverse[j * stride + i] = sum;
        }
    }
}

// G = a⁻¹ for the symmetric positive definite a (order e, stride `stride`)
// through its Cholesky factor a = RᵀR, in double-double, and the fitted
// part bᵀa⁻¹b as ‖z‖² with Rᵀz = b (forward substitution: its error is that
// of a backward stable solve, linear in the trace of a⁻¹, where bᵀGb from
// the explicit inverse would carry G's own error). False when a pivot is not
// positive. R, its diagonal's reciprocals and W = R⁻¹ are left in factors.
//
// parent, where given, holds the factors of a system that is a with one
// more variable, in slot dropped: R's rows and W's columns before that slot
// depend only on the leading variables (row i of R on a's rows up to i,
// column j of W on R's leading j + 1 rows and columns), which the two
// systems share, so they are taken over instead of formed again. They are
// the same, bit for bit, as the ones this would form.
//
// kept (without parent): the first kept columns of R and of W and their
// reciprocals already stand in factors, from a system whose first kept
// variables are the same (consecutive roots of a plan): they too are what
// this would form, bit for bit, and are left as they are.
template <class Scalar>
bool invertPositiveDefinite(const Scalar* a, std::size_t e, const Scalar* b, Scalar* inverse, Scalar& fitted,
                            FreshFactors<Scalar>& factors, const FreshFactors<Scalar>* parent = nullptr,
                            std::size_t dropped = 0, SubsetMask formedSlots = ~SubsetMask{0},
                            std::size_t kept = 0) {
    // The divisions by R's diagonal are multiplications by its reciprocals,
    // formed once: one more double-double rounding per entry, which the
    // error bounds below allow for (gamma of e + 3 operations).
    Scalar* r = factors.r;
    Scalar* reciprocal = factors.reciprocal;
    const std::size_t prefix = parent != nullptr ? dropped : 0;
    const Scalar one = fromDouble<Scalar>(1.0);
    for (std::size_t j = 0; j < e; ++j) {
        const std::size_t parentColumn = j < prefix ? j : j + 1;
        for (std::size_t i = 0; i < prefix && i <= j; ++i) r[i * stride + j] = parent->r[i * stride + parentColumn];
        if (j < prefix) reciprocal[j] = parent->reciprocal[j];
        if (j < kept) continue;  // column j and its reciprocal stand in factors already
        for (std::size_t i = prefix; i <= j; ++i) {
            Scalar sum = a[i * stride + j];
            for (std::size_t p = 0; p < i; ++p) sum = sum - r[p * stride + i] * r[p * stride + j];
            if (i < j) {
                r[i * stride + j] = sum * reciprocal[i];
            } else {
                if (!(leading(sum) > 0.0)) return false;
                r[j * stride + j] = squareRoot(sum);
                reciprocal[j] = one / r[j * stride + j];
            }
        }
    }
    Scalar z[stride];
    fitted = Scalar{};
    for (std::size_t i = 0; i < e; ++i) {
        Scalar sum = b[i];
        for (std::size_t p = 0; p < i; ++p) sum = sum - r[p * stride + i] * z[p];
        z[i] = sum * reciprocal[i];
        fitted = fitted + z[i] * z[i];
    }
    // W = R⁻¹ (upper triangular), column by column.
    Scalar* w = factors.w;
    for (std::size_t j = 0; j < prefix && j < e; ++j) {
        for (std::size_t i = 0; i <= j; ++i) w[i * stride + j] = parent->w[i * stride + j];
    }
    for (std::size_t j = std::max(prefix, kept); j < e; ++j) {
        w[j * stride + j] = reciprocal[j];
        for (std::size_t i = j; i-- > 0;) {
            Scalar sum{};
            for (std::size_t p = i + 1; p <= j; ++p) sum = sum + r[i * stride + p] * w[p * stride + j];
            w[i * stride + j] = -(sum * reciprocal[i]);
        }
    }
    formInverseEntries(w, e, formedSlots, inverse);
    return true;
}

// The slot of variable v in node (its slotted variables stand in ascending
// order).
template <class Node>
std::size_t slotOf(const Node& node, std::size_t v) {
    return subsetSize(variablesBelow(node.slotMask, v));
}

// The parent's slots that the child keeps, in ascending order; their count.
std::size_t keptSlots(SubsetMask parentSlots, SubsetMask childSlots, std::size_t* kept) {
    std::size_t count = 0;
    std::size_t slot = 0;
    for (SubsetMask rest = parentSlots; rest != 0; rest &= rest - 1u, ++slot) {
        if (childSlots & rest & (~rest + 1u)) kept[count++] = slot;
    }
    return count;
}

// Upper bounds on traces carry this factor for the rounding of the
// double-double inverse and of the double sums that estimate them.
constexpr double traceSlack = 1.0 + 0x1p-30;

// The most a diagonal entry of the inverse adds to a doubleTrace.
constexpr double doublePathEntry = 1.0 / doublePathLevel;

// An absolute allowance on each diagonal entry of a node's inverse: the
// double-double inverse errs by far less than e³·u₂·t² (see the margin), and
// 1 more covers the rounding of the double estimates of entries near 1. The
// doubleTrace only feeds a term of order u·(n + e³), so the allowance costs
// nothing there.
double entryAllowance(std::size_t order, double trace, double inverseRoundoff) {
    const double e = static_cast<double>(order + 1);
    return 1.0 + 4.0 * inverseRoundoff * e * e * e * trace * trace;
}

// The tree's own error, tracked node by node (DropNode::rssError) rather
// than bounded for a whole tree at once.
//
// u_dd bounds the relative error of one double-double operation (the
// operations here are within about 3·u₂ of exact; 8·u₂ leaves room), and
// γ_m = m·u_dd/(1 − m·u_dd) as in Higham's error analysis. The bounds
// below take γ_{e+3} where the analysis has γ_{e+1}, for the divisions done
// as multiplications by reciprocals.
constexpr double ddRoundoff = 8.0 * extendedRoundoff;
double gamma(std::size_t m, double roundoff) {
    const double mu = static_cast<double>(m) * roundoff;
    return mu / (1.0 - mu);
}

// A node factorised afresh: the computed Cholesky factor is that of A + ΔA
// with |ΔA| ≤ γ_{e+1}·|Rᵀ||R|, and ‖|R|‖₂² ≤ ‖R‖_F² = trace(A) = e on the
// unit diagonal, so ‖ΔA‖ ≤ e·γ_{e+1}; the forward substitution adds as much
// twice over (‖R‖·‖ΔR‖ ≤ e·γ_e each way). A backward error E moves the
// fitted part bᵀA⁻¹b by |β̂ᵀEβ| ≤ ‖E‖·‖β‖², and ‖β‖² ≤ t (drop_tree.h), so
// |rss − exact| ≤ 3.2·e·γ_{e+1}·t plus the rounding of ‖z‖² and of the
// subtraction from y·y (γ_e of a fitted part at most 1): 4·e·γ_{e+1}·(t + 1).
double freshRssError(std::size_t e, double trace, double roundoff) {
    const double order = static_cast<double>(e);
    return 4.0 * order * gamma(e + 3, roundoff) * (trace + 1.0);
}

// A drop cost β_s²/G_ss from a fresh factorisation. Column j of W = R⁻¹ is a
// backward stable solve (R + ΔR_j)ŵ_j = e_j with ‖ΔR_j‖ ≤ γ_e·√e, so row s
// of W errs by at most √G_ss·γ_e·√(e·t) and the whole of W by γ_e·√e·t in
// Frobenius norm; with the rounding of G = W·Wᵀ and of β = G·b (‖b‖² ≤ e),
// and the backward error e·γ_{e+1} of the factor itself (which moves G_ss by
// at most e·γ_{e+1}·t·G_ss and β_s by e·γ_{e+1}·t·√G_ss), G_ss errs by at most
// 4·e·γ_{e+1}·t relative and β_s by 5·e·γ_{e+1}·t·√G_ss. A drop cost is at
// most 1 (of y·y), so it errs by at most 2·√drop·5·e·γ·t + drop·4·e·γ·t
// ≤ 14·e·γ_{e+1}·t; 16 covers the operations that form it.
double freshDropError(std::size_t e, double trace, double roundoff) {
    return 16.0 * static_cast<double>(e) * gamma(e + 3, roundoff) * trace;
}

// A drop cost from an inverse reached by downdates from one of trace τ: the
// blanket bound e³·u₂·τ² (e = k + 1) of the inverse's error, as the margin
// has always carried it (see there), here charged again at every step.
double chainDropError(std::size_t variables, double sourceTrace, double inverseRoundoff) {
    const double e = static_cast<double>(variables + 1);
    return 4.0 * inverseRoundoff * e * e * e * sourceTrace * sourceTrace;
}

// The arithmetic of each kind of tree: the bound on one operation's
// relative error (γ above), and the u of the inverse's blanket bound.
template <class Scalar>
struct TreeArithmetic;
template <>
struct TreeArithmetic<DoubleDouble> {
    static constexpr double operation = ddRoundoff;
    static constexpr double inverse = extendedRoundoff;
};
template <>
struct TreeArithmetic<double> {
    static constexpr double operation = unitRoundoff;  // IEEE double, no contraction
    static constexpr double inverse = unitRoundoff;
};

// The double tree's own error. A double subtree starts from an extended
// inverse G and coefficients β rounded to double, and goes on by downdates
// in double. Each rounding is a perturbation E of the inverse and δ of β;
// those of one downdate obey |E_ab| ≤ 3·u·(|G_ab| + |g_a·g_b|/G_ss) ≤
// 6·u·√(G_aa·G_bb) and |δ_a| ≤ 3·u·(|β_a| + √G_aa) (β_s²/G_ss ≤ 1), so
// ‖E‖₂ ≤ 6·u·τ and ‖δ‖ ≤ 6·u·√τ with τ the trace where the subtree
// started (the diagonal only shrinks below it); the first rounding is
// smaller still. Whatever follows is the exact downdate of the perturbed
// pair, i.e. the exact tree of a perturbed system: G + E = (A + F)⁻¹ with
// F = −A·E·A, and b + A·(δ − E·b) for b, to first order. For any member T'
// below, with x its coefficients padded with zeros, the fitted part moves
// by −(Ax)ᵀE(Ax) + 2·(Ax)ᵀ(δ − E·b), and ‖Ax‖² = ‖X_Tᵀŷ_T'‖² ≤ λ_max(A) ≤ e,
// ‖b‖² ≤ e: at most 6·u·e·τ + 2·√e·(6·u·√τ + 6·u·τ·√e) ≤ 30·u·e·τ per
// rounding (y·y = 1). Linear in τ, where the blanket bound of a chain is
// quadratic: the perturbations are measured where the tree will use them,
// not entry by entry. The higher orders: G + E is exactly (A + F)⁻¹ with
// F = −A·E·A·(I + E·A)⁻¹, and over a path of e steps ‖E·A‖ ≤ 6·u·e²·τ; the
// second-order terms of the fitted part are quadratic forms in A of E·A·x,
// δ and E·b (A's Schur complements never exceed A), so at most about
// 36·u²·e⁴·τ² against a first order of 30·u·e²·τ: a share of 1.2·u·e²·τ.
// Both stay below 2e-5 for τ ≤ doubleTreeTrace and e ≤ 32, so a factor 2
// covers the higher orders. Each step is charged this,
// and besides the error the extended tree would have charged a drop of its
// own at the switch (the extended inverse's own error, which every member
// inherits).
double doubleChainError(std::size_t variables, double startTrace) {
    return 64.0 * unitRoundoff * static_cast<double>(variables + 1) * startTrace;
}

// Where the inverse a chain of downdates would start from has a trace above
// this, the child is factorised afresh instead: the chain's error, of order
// e³·u₂·τ², stays below about 1e-10 of y·y (e = 32), far inside the exact
// fit's own terms, while a fresh factorisation's grows only like e²·u₂·t.
constexpr double refactoriseTrace = 1e8;

// One diagonal entry's share of a doubleTrace, from its double estimate.
double doublePathShare(double estimate, double allowance) {
    return std::min(doublePathEntry, std::max(estimate, 0.0) * traceSlack + allowance);
}

}  // namespace

const char* dropTreeTrustText(DropTreeTrust trust) {
    switch (trust) {
    case DropTreeTrust::Trusted: return "none";
    case DropTreeTrust::ScaleOutOfRange: return "a sum of squares is zero or outside 2^-200 to 2^200";
    case DropTreeTrust::UnstablePivoting: return "a centred column's sum is rounding larger than the row count";
    case DropTreeTrust::TooManyRoots: return "so few rows that the subsets they allow split into too many trees (screening them is faster, or the plan would not fit in memory)";
    default: return "the columns are not centred";
    }
}

DropTreeTrust checkDropTree(const CrossProducts& products, SubsetMask constantColumns, SubsetMask& zeroColumns) {
    zeroColumns = 0;
    const std::size_t k = products.variables;
    if (!scaleInRange(products.at(products.yIndex(), products.yIndex()))) return DropTreeTrust::ScaleOutOfRange;
    if (!scaleInRange(products.at(0, 0))) return DropTreeTrust::ScaleOutOfRange;
    for (std::size_t v = 0; v < k; ++v) {
        const double squares = products.at(v + 1, v + 1);
        if (squares == 0.0) {
            zeroColumns |= SubsetMask{1} << v;
        } else if (!scaleInRange(squares)) {
            return DropTreeTrust::ScaleOutOfRange;
        }
    }
    if (pivotingUnstable(products, zeroColumns | constantColumns)) return DropTreeTrust::UnstablePivoting;
    return DropTreeTrust::Trusted;
}

// The margin. Two computations of a subset's RSS meet in the bound: the
// tree's (a double-double Cholesky inverse of a root's scaled system, then
// downdates of it) and the exact fit's (LU with partial pivoting of the
// unscaled double normal equations, or its extended-precision refit). Both
// are measured against the RSS of the data as given, relative to y·y, for a
// subset T below a node whose inverse has trace t (so trace(T⁻¹) ≤ t and
// ‖β̃_T‖² ≤ t, see drop_tree.h).
//
// - Exact fit, double path. Its cross-products are rounded sums of n terms
//   (a perturbation of at most n·u per scaled entry), and its elimination
//   has a backward error of order e³·u on the scaled system once the
//   pivoting check has excluded pivots on rounding noise. A perturbation E
//   of the scaled system moves the fitted part by about β̃ᵀEβ̃, so the error
//   is at most c·u·(n + e³)·‖β̃_T‖². That path is only taken while every
//   1 − R²_j ≥ doublePathLevel, i.e. every (T⁻¹)_jj ≤ 1/doublePathLevel,
//   and each (T⁻¹)_jj is also at most the node's G_jj, so ‖β̃_T‖² ≤
//   trace(T⁻¹) ≤ t_d = Σ_j min(G_jj, 1/doublePathLevel) ≤ min(t, k/level)
//   (the node's doubleTrace, with an allowance on each G_jj for the error
//   of the inverse). Where a few variables carry all the collinearity this
//   is far below t: with three of the powers of a year, t ≈ 2.5e11 and
//   t_d ≈ 6e6, against k/level ≈ 6e7.
//   Columns of far apart scales make the elimination pivot off the
//   diagonal, which gives its error a floor that does not shrink with t:
//   the term κ₀ = 64 covers it.
// - Exact fit, refit path: the same from double-double cross-products of
//   the same data, with u₂ for u and no cap on t.
// - Tree: E, the node's rssError, tracked along the path from its root.
//   An inverse factorised afresh makes errors linear in its trace t (the
//   root's RSS by forward substitution, 4·e·γ_{e+1}·(t + 1); each drop cost
//   from it, 16·e·γ_{e+1}·t: freshRssError, freshDropError). A downdated
//   inverse keeps the blanket bound of the double-double inverse: an error
//   of order e·u₂·κ·‖G‖ with κ ≤ e·τ and ‖G‖ ≤ τ, τ the trace of the inverse
//   the downdates started from, which the fitted part bᵀGb with ‖b‖² ≤ e
//   takes up to e³·u₂·τ² (each downdate is a Schur complement of that same
//   inverse); it is charged at every drop (chainDropError). Downdates only
//   start from inverses of trace at most refactoriseTrace; below a larger
//   one each child is factorised afresh. Every step adds the rounding of
//   rss + β²/G. So E stays at the level of u₂·e²·t where the old blanket
//   e³·u₂·t² was useless: with three powers of a year (t ≈ 2.5e11, k = 31)
//   E ≈ 2e-15 instead of 4e-4.
// Hence, with e = k + 1, u = 2^-53, u₂ = 2^-104 and κ₀ = 64:
//   Δ_refit(t)  = E + 4·u₂·(n + e³)·(t + κ₀) + 512·u·r,
//   Δ_double(t) = 4·u·(n + e³)·(t_d·F + κ₀) + Δ_refit(t),
// F the factor by which the exact fit's uncentred system is worse
// conditioned than the centred one, and r the node's relative RSS (both
// fits hand back doubles, and the bound itself is formed in double: each
// rounds relative to the RSS, and the refit's RSS of subsets with an R²
// beyond 0.99999 was measured up to 4.6·u·r from the tree's; 1 for F with
// centred data, as the search
// driver hands over; the bound is not used above maxUncentredFactor).
//
// Evidence (drop_tree_test: every subset of every node of data sets with
// traces up to 1e15, scales up to 1e±12 apart, exact and near-exact fits,
// exact dependencies): |tree − exact| stays below 1/64 of the margin of the
// exact fit's path, as does the slack of every node against its subtree's
// least exact RSS. On noise at k = 31, n = 200, t ≈ 37: Δ_double ≈ 1.4e-9
// and Δ_refit ≈ 1e-25 of y·y.
MarginTerms dropTreeMarginTerms(std::size_t variables, std::size_t rows, double trace, double doubleTracePath,
                                double treeError, double offsetFactor) {
    const double e = static_cast<double>(variables + 1);
    const double e3 = e * e * e;
    const double n = static_cast<double>(rows);
    const double doubleTrace =
        std::min({trace, doubleTracePath, static_cast<double>(variables) / doublePathLevel}) * offsetFactor;
    MarginTerms terms;
    terms.refitPath = treeError + 4.0 * extendedRoundoff * (n + e3) * (trace + 64.0);
    terms.doublePath = 4.0 * unitRoundoff * (n + e3) * (doubleTrace + 64.0);
    return terms;
}

DropMargin dropTreeMargin(std::size_t variables, std::size_t rows, double trace, double doubleTracePath,
                          double treeError, double relativeRss, double offsetFactor) {
    return dropTreeMargin(dropTreeMarginTerms(variables, rows, trace, doubleTracePath, treeError, offsetFactor),
                          relativeRss);
}

double uncentredFactor(const CrossProducts& products, SubsetMask zeroColumns) {
    double factor = 1.0;
    const double n = products.at(0, 0);
    for (std::size_t v = 0; v < products.variables; ++v) {
        if (zeroColumns & (SubsetMask{1} << v)) continue;
        const double squares = products.at(v + 1, v + 1);
        const double sum = products.at(0, v + 1);
        const double spread = n * squares - sum * sum;  // n·Σx² − (Σx)², n²·(1 − c²)·Σx²/n
        if (!(spread > 0.0)) return std::numeric_limits<double>::infinity();
        factor += sum * sum / spread;
    }
    return factor;
}

namespace {

// Factorises node's own scaled system (node.mask, node.order set): its
// inverse, coefficients, trace bounds and fitted part. False when a pivot
// is not positive.
//
// formedSlots: the slots whose rows of the inverse and coefficients are
// formed now (the diagonal always is); completeInverse forms the rest.
template <class Scalar>
bool factoriseNode(const ScaledSystem& system, DropNodeOf<Scalar>& node, Scalar& fitted,
                   const DropNodeOf<Scalar>* parent = nullptr, std::size_t dropped = 0,
                   SubsetMask formedSlots = ~SubsetMask{0}, std::size_t kept = 0) {
    std::size_t slots[maxExplanatoryVariables];
    std::size_t e = 0;
    for (std::size_t v = 0; v < system.variables; ++v) {
        if (node.mask & (SubsetMask{1} << v)) slots[e++] = v;
    }
    ScratchArray<Scalar, stride * stride> a;
    Scalar b[stride];
    for (std::size_t i = 0; i < e; ++i) {
        for (std::size_t j = 0; j < e; ++j) a[i * stride + j] = system.at(slots[i], slots[j]);
        b[i] = system.xty[slots[i]];
    }
    node.factors.valid = false;
    const FreshFactors<Scalar>* parentFactors = parent != nullptr && parent->factors.valid ? &parent->factors : nullptr;
    if (!invertPositiveDefinite(a.data(), e, b, node.inverse, fitted, node.factors, parentFactors, dropped,
                                formedSlots, kept)) {
        return false;
    }
    node.factors.valid = true;
    node.formedSlots = formedSlots;
    double trace = 0.0;
    for (std::size_t i = 0; i < e; ++i) {
        if ((formedSlots >> i) & 1u) {
            Scalar sum{};
            for (std::size_t j = 0; j < e; ++j) sum = sum + node.inverse[i * stride + j] * b[j];
            node.beta[i] = sum;
        }
        trace += leading(node.inverse[i * stride + i]);
    }
    node.trace = trace * traceSlack;
    const double allowance = entryAllowance(e, node.trace, TreeArithmetic<Scalar>::inverse);
    double doubleTrace = 0.0;
    for (std::size_t i = 0; i < e; ++i) doubleTrace += doublePathShare(leading(node.inverse[i * stride + i]), allowance);
    node.doubleTrace = doubleTrace * traceSlack;
    node.sourceTrace = 0.0;
    return true;
}

// The error of one drop cost from node's inverse, and of the child's RSS
// formed from it. In the double tree: the extended tree's charge inherited
// at the switch and the double chain's (doubleChainError), from the trace
// the subtree started at (sourceTrace).
template <class Scalar>
double childRssError(const DropNodeOf<Scalar>& node) {
    using Arithmetic = TreeArithmetic<Scalar>;
    double stepError = 0.0;
    if constexpr (std::is_same_v<Scalar, double>) {
        // The double chain's errors, and the rounding of rss + β_s²/G_ss
        // (four operations on values at most the scale), in units of the
        // scale.
        stepError = node.inheritedError +
                    node.scale * (doubleChainError(node.system->variables, node.sourceTrace) + 8.0 * unitRoundoff);
        return node.rssError + stepError;
    } else {
        stepError = node.sourceTrace == 0.0 ? freshDropError(node.order, node.trace, Arithmetic::operation)
                                            : chainDropError(node.system->variables, node.sourceTrace, Arithmetic::inverse);
    }
    // The rounding of rss + β_s²/G_ss (four operations on values at most 1).
    return node.rssError + stepError + 8.0 * Arithmetic::operation;
}

// What dropping one variable leaves: the child's RSS and its trace bounds.
template <class Scalar>
struct DropEstimate {
    Scalar rss;
    double trace = 0.0;
    double doubleTrace = 0.0;
};

// The child's trace bounds from the sums over row s of the parent's inverse
// (rankDropsOf): removed = ‖g‖², shares = Σ_{a ≠ s} of the double path's
// share of each child diagonal entry.
template <class Scalar>
void childTraces(const DropNodeOf<Scalar>& node, double pivot, double removed, double shares, bool capped,
                 DropEstimate<Scalar>& drop) {
    drop.doubleTrace = capped ? std::min(node.doubleTrace, shares * traceSlack) : node.doubleTrace;
    const double estimate = node.trace - removed / pivot;
    const double error = 8.0 * static_cast<double>(node.order + 2) * unitRoundoff * node.trace;
    drop.trace = node.trace;
    if (estimate > 64.0 * error) drop.trace = std::min(node.trace, (estimate + error) * traceSlack);
}

// The estimate of dropping the variable in slot s. trackTraces: the child's
// trace bounds too (rankDropsOf); otherwise the node's.
template <class Scalar>
DropEstimate<Scalar> dropEstimate(const DropNodeOf<Scalar>& node, std::size_t s, bool trackTraces, bool capped,
                                  double allowance) {
    const Scalar pivot = node.inverse[s * stride + s];
    DropEstimate<Scalar> drop;
    drop.rss = node.rss + node.beta[s] * node.beta[s] / pivot;
    drop.trace = node.trace;
    drop.doubleTrace = node.doubleTrace;
    if (!trackTraces) return drop;
    double removed = 0.0;
    double shares = 0.0;
    for (std::size_t a = 0; a < node.slots; ++a) {
        const double g = leading(node.inverse[s * stride + a]);  // row s: formed, as s is droppable
        removed += g * g;
        if (a == s || !capped) continue;
        const double diagonal = leading(node.inverse[a * stride + a]);
        const double entry = diagonal - g * g / leading(pivot);
        shares += doublePathShare(entry + 4.0 * unitRoundoff * diagonal, allowance);
    }
    childTraces(node, leading(pivot), removed, shares, capped, drop);
    return drop;
}

// The same for the variables in slots s and t of an extended node, the two
// in the lanes of SSE2 registers: each lane performs the operations of
// dropEstimate, in the same order, so the estimates are the same bits.
void dropEstimates(const DropNode& node, std::size_t s, std::size_t t, bool capped, double allowance,
                   DropEstimate<DoubleDouble>& first, DropEstimate<DoubleDouble>& second) {
    const DoubleDouble* rowS = node.inverse + s * stride;
    const DoubleDouble* rowT = node.inverse + t * stride;
    const DoubleDoublePair pivot = pairOf(rowS[s], rowT[t]);
    const DoubleDoublePair beta = pairOf(node.beta[s], node.beta[t]);
    const DoubleDoublePair rss = broadcast(node.rss) + beta * beta / pivot;
    first.rss = firstOf(rss);
    second.rss = secondOf(rss);
    const DoubleLanes zero = {0.0, 0.0};
    const DoubleLanes cap = {doublePathEntry, doublePathEntry};
    const LaneMask dropped = {static_cast<long long>(s), static_cast<long long>(t)};
    DoubleLanes removed = zero;
    DoubleLanes shares = zero;
    for (std::size_t a = 0; a < node.slots; ++a) {
        const DoubleLanes g = {leading(rowS[a]), leading(rowT[a])};
        removed += g * g;
        if (!capped) continue;
        const double diagonal = leading(node.inverse[a * stride + a]);
        const DoubleLanes diagonals = {diagonal, diagonal};
        const DoubleLanes entry = diagonals - g * g / pivot.hi;
        // doublePathShare: std::min and std::max as their comparisons.
        const DoubleLanes estimate = entry + 4.0 * unitRoundoff * diagonals;
        const DoubleLanes floored = estimate < zero ? zero : estimate;
        const DoubleLanes share = floored * traceSlack + allowance;
        const DoubleLanes bounded = share < cap ? share : cap;
        const LaneMask slot = {static_cast<long long>(a), static_cast<long long>(a)};
        shares = slot == dropped ? shares : shares + bounded;
    }
    childTraces(node, leading(rowS[s]), removed[0], shares[0], capped, first);
    childTraces(node, leading(rowT[t]), removed[1], shares[1], capped, second);
}

// Ranks the drops of node (rankDrops). trackTraces: estimate each child's
// trace bounds (the extended tree, whose traces vary over many orders);
// otherwise the children keep the node's.
template <class Scalar>
void rankDropsOf(DropNodeOf<Scalar>& node, bool byIndex, bool trackTraces) {
    // Insertion sort of at most 64 entries: cheaper here than a general sort.
    const std::size_t r = node.droppableCount;
    const std::size_t e = node.order;
    const double allowance = entryAllowance(e, node.trace, TreeArithmetic<Scalar>::inverse);
    const double childError = childRssError(node);
    // Where no diagonal entry can reach the cap, Σ min(G_aa, cap) is the
    // trace itself: the children keep the parent's doubleTrace (never below
    // theirs), and the margin takes the smaller of it and the trace.
    const bool capped = node.trace > doublePathEntry;
    // The child's trace: trace(G) − ‖g‖²/G_ss. Its double estimate errs by
    // at most about e·u·t; where that is not small against the result, the
    // parent's trace is the bound. Its doubleTrace from its diagonal
    // G_aa − g_a²/G_ss, each entry estimated in double to within a few u of
    // G_aa (g_a² ≤ G_aa·G_ss); never above the parent's. The drops are
    // independent: in the extended tree two at a time.
    std::uint8_t variables[maxExplanatoryVariables];
    ScratchArray<DropEstimate<Scalar>, maxExplanatoryVariables> drops;
    std::size_t next = 0;
    if constexpr (std::is_same_v<Scalar, DoubleDouble>) {
        if (trackTraces) {
            for (; next + 2 <= r; next += 2) {
                dropEstimates(node, slotOf(node, node.droppable[next]), slotOf(node, node.droppable[next + 1]),
                              capped, allowance, drops[next], drops[next + 1]);
            }
        }
    }
    for (; next < r; ++next) {
        drops[next] = dropEstimate(node, slotOf(node, node.droppable[next]), trackTraces, capped, allowance);
    }
    for (std::size_t j = 0; j < r; ++j) variables[j] = node.droppable[j];
    for (std::size_t i = 0; i < r; ++i) {
        const std::uint8_t v = variables[i];
        const Scalar rss = drops[i].rss;
        std::size_t at = i;
        const auto after = [&](std::size_t j) {
            if (byIndex) return node.droppable[j] < v;
            return leading(node.childRss[j]) < leading(rss) ||
                   (leading(node.childRss[j]) == leading(rss) && node.droppable[j] > v);
        };
        while (at > 0 && after(at - 1)) {
            node.childRss[at] = node.childRss[at - 1];
            node.childTrace[at] = node.childTrace[at - 1];
            node.childDoubleTrace[at] = node.childDoubleTrace[at - 1];
            node.childError[at] = node.childError[at - 1];
            node.droppable[at] = node.droppable[at - 1];
            --at;
        }
        node.childRss[at] = rss;
        node.childTrace[at] = drops[i].trace;
        node.childDoubleTrace[at] = drops[i].doubleTrace;
        node.childError[at] = childError;
        node.droppable[at] = v;
    }
}

// The child's place in the tree: everything but its inverse and β.
template <class Parent, class Child>
void placeChild(const Parent& parent, std::size_t i, Child& child) {
    child.system = parent.system;
    child.order = parent.order - 1;
    child.mask = parent.mask & ~(SubsetMask{1} << parent.droppable[i]);
    child.rssError = parent.childError[i];
    child.trace = parent.childTrace[i];
    child.doubleTrace = parent.childDoubleTrace[i];
    child.droppableCount = parent.droppableCount - 1 - i;
    SubsetMask droppable = 0;
    for (std::size_t j = 0; j < child.droppableCount; ++j) {
        child.droppable[j] = parent.droppable[i + 1 + j];
        droppable |= SubsetMask{1} << child.droppable[j];
    }
    if constexpr (std::is_same_v<Child, DoubleDropNode>) {
        child.slotMask = droppable;
        child.slots = child.droppableCount;
    } else {
        child.slotMask = child.mask;
        child.slots = child.order;
    }
}

// The child's droppable variables as slot numbers of the child (slot j the
// j-th of its slotted variables, ascending).
template <class Node>
SubsetMask droppableSlots(const Node& child) {
    SubsetMask droppable = 0;
    for (std::size_t j = 0; j < child.droppableCount; ++j) droppable |= SubsetMask{1} << child.droppable[j];
    SubsetMask slots = 0;
    std::size_t slot = 0;
    for (SubsetMask rest = child.slotMask; rest != 0; rest = withoutLowestVariable(rest), ++slot) {
        if (droppable & rest & (~rest + 1u)) slots |= SubsetMask{1} << slot;
    }
    return slots;
}

// The downdate of parent's inverse and β without droppable variable i.
// The child may be a double node below an extended one: the entries are
// then formed in double-double and rounded.
//
// Only what the child's subtree reads is formed: the rows of its droppable
// slots (and their mirror images), the whole diagonal, and β of the
// droppable slots (formedSlots). Ranking the child's drops reads the
// diagonal, β and the rows of the droppable slots; a downdated entry (a, b)
// reads the parent's (a, b), (a, s), (s, b) and (s, s), all within the
// parent's droppable rows when b is droppable in the child (the child's
// droppable variables are some of the parent's, as s is); a double child
// keeps only droppable slots. A node of e slots and r droppable ones forms
// about e·r entries instead of e²/2.
template <class Scalar, class Target>
void downdate(const DropNodeOf<Scalar>& parent, std::size_t i, DropNodeOf<Target>& child) {
    const auto store = [](const Scalar& value) {
        if constexpr (std::is_same_v<Target, Scalar>) {
            return value;
        } else {
            return toDouble(value);
        }
    };
    const std::size_t s = slotOf(parent, parent.droppable[i]);
    std::size_t kept[maxExplanatoryVariables];
    const std::size_t count = keptSlots(parent.slotMask, child.slotMask, kept);
    const Scalar* g = parent.inverse;
    const Scalar pivot = g[s * stride + s];
    const Scalar* pivotRow = g + s * stride;
    // In double-double each row's factor G_as / G_ss is G_as times the
    // rounded 1 / G_ss: a double-double division costs several products,
    // and the one more rounding (a few u₂ of the factor) is far inside the
    // blanket e³·u₂·τ² that each drop of the extended tree is charged
    // (chainDropError). In double every factor is divided, as the double
    // tree's own error bound counts it.
    const Scalar reciprocal = Scalar{1.0} / pivot;
    const auto divided = [&](const Scalar& value) {
        if constexpr (std::is_same_v<Scalar, DoubleDouble>) {
            return value * reciprocal;
        } else {
            return value / pivot;
        }
    };
    const Scalar betaFactor = divided(parent.beta[s]);
    const SubsetMask formed = droppableSlots(child);
    if constexpr (std::is_same_v<Target, DoubleDouble>) child.formedSlots = formed;
    // The updated inverse is symmetric: each entry of the upper triangle is
    // computed once and mirrored.
    const auto entry = [&](const Scalar* from, const Scalar& factor, std::size_t to, std::size_t at) {
        const std::size_t b = kept[at];
        const Target value = store(from[b] - factor * pivotRow[b]);
        child.inverse[to * stride + at] = value;
        child.inverse[at * stride + to] = value;
    };
    // In double-double the entries of a row are independent: two of them at
    // a time in the lanes of a pair, the same bits as one at a time.
    const auto entries = [&](const Scalar* from, const Scalar& factor, const PairFactor& prepared, std::size_t to,
                             std::size_t at, std::size_t next) {
        if constexpr (std::is_same_v<Scalar, DoubleDouble>) {
            const std::size_t b = kept[at];
            const std::size_t c = kept[next];
            const DoubleDoublePair value = pairOf(from[b], from[c]) - prepared * pairOf(pivotRow[b], pivotRow[c]);
            const Target first = store(firstOf(value));
            const Target second = store(secondOf(value));
            child.inverse[to * stride + at] = first;
            child.inverse[at * stride + to] = first;
            child.inverse[to * stride + next] = second;
            child.inverse[next * stride + to] = second;
        } else {
            (void)prepared;
            entry(from, factor, to, at);
            entry(from, factor, to, next);
        }
    };
    // Each row's factor and diagonal entry; in double-double those of two
    // rows at a time.
    ScratchArray<Scalar, maxExplanatoryVariables> factors;
    std::size_t first = 0;
    if constexpr (std::is_same_v<Scalar, DoubleDouble>) {
        const DoubleDoublePair reciprocals = broadcast(reciprocal);
        for (; first + 2 <= count; first += 2) {
            const std::size_t a = kept[first];
            const std::size_t b = kept[first + 1];
            const Scalar* fromA = g + a * stride;
            const Scalar* fromB = g + b * stride;
            const DoubleDoublePair factor = pairOf(fromA[s], fromB[s]) * reciprocals;
            const DoubleDoublePair value = pairOf(fromA[a], fromB[b]) - factor * pairOf(pivotRow[a], pivotRow[b]);
            factors[first] = firstOf(factor);
            factors[first + 1] = secondOf(factor);
            child.inverse[first * stride + first] = store(firstOf(value));
            child.inverse[(first + 1) * stride + first + 1] = store(secondOf(value));
        }
    }
    for (std::size_t to = first; to < count; ++to) {
        factors[to] = divided(g[kept[to] * stride + s]);
        entry(g + kept[to] * stride, factors[to], to, to);
    }
    for (std::size_t to = 0; to < count; ++to) {
        const std::size_t a = kept[to];
        const Scalar* from = g + a * stride;
        const Scalar factor = factors[to];
        PairFactor paired;
        if constexpr (std::is_same_v<Scalar, DoubleDouble>) paired = factorOf(broadcast(factor));
        if (((formed >> to) & 1u) != 0) {
            std::size_t at = to + 1;
            for (; at + 2 <= count; at += 2) entries(from, factor, paired, to, at, at + 1);
            if (at < count) entry(from, factor, to, at);
            child.beta[to] = store(parent.beta[a] - from[s] * betaFactor);
        } else {
            // Only the droppable slots after this one.
            SubsetMask rest = formed & ~((SubsetMask{2} << to) - 1u);
            while (rest != 0) {
                const std::size_t at = lowestVariable(rest);
                rest = withoutLowestVariable(rest);
                if (rest == 0) {
                    entry(from, factor, to, at);
                    break;
                }
                entries(from, factor, paired, to, at, lowestVariable(rest));
                rest = withoutLowestVariable(rest);
            }
        }
    }
}

}  // namespace

bool startDropTree(const ScaledSystem& system, SubsetMask mask, SubsetMask droppableMask, DropNode& root,
                   bool followsRoot) {
    // Where root still holds the factors of a root of the same system whose
    // first variables (in ascending order) are this one's, their columns of
    // R and W are this root's too.
    std::size_t kept = 0;
    if (followsRoot && root.factors.valid && root.system == &system) {
        SubsetMask before = root.mask;
        for (SubsetMask rest = mask; rest != 0 && before != 0 && lowestVariable(rest) == lowestVariable(before);
             rest = withoutLowestVariable(rest), before = withoutLowestVariable(before)) {
            ++kept;
        }
    }
    root.system = &system;
    root.mask = mask;
    root.order = subsetSize(mask);
    root.slotMask = mask;
    root.slots = root.order;
    // Only the rows of the droppable variables (and the diagonal) at first:
    // they are all that ranking the root's drops and a double tree below it
    // read. With few rows most roots are cut off right there, and a root of
    // e variables with d droppable ones then forms e + d·e entries of its
    // inverse instead of e²/2; the rest waits for the first extended child.
    SubsetMask formed = 0;
    std::size_t slot = 0;
    for (SubsetMask rest = mask; rest != 0; rest = withoutLowestVariable(rest), ++slot) {
        if (droppableMask & rest & (~rest + 1u)) formed |= SubsetMask{1} << slot;
    }
    DoubleDouble fitted;
    if (!factoriseNode(system, root, fitted, static_cast<const DropNode*>(nullptr), 0, formed, kept)) return false;
    root.rss = system.yyScaled - fitted;
    root.rssError = freshRssError(root.order, root.trace, ddRoundoff);
    root.droppableCount = 0;
    for (std::size_t v = 0; v < system.variables; ++v) {
        if (droppableMask & mask & (SubsetMask{1} << v)) root.droppable[root.droppableCount++] = static_cast<std::uint8_t>(v);
    }
    return true;
}

namespace {

// The arithmetic of a root's estimate in double (estimateRootDrops): each
// operation within u of exact, and the system's double-double entries and
// b rounded to double once, a relative perturbation u of each, which is
// within the Cholesky factorisation's own backward error |ΔA| ≤ γ·|Rᵀ||R|
// (|a_ij| ≤ (|Rᵀ||R|)_ij) with one more operation, as the δb of b is within
// the forward substitution's. freshRssError and freshDropError hold for
// the factorisation, z and W = R⁻¹ formed as there; β_s = (W·z)_s rather
// than (G·b)_s errs by ‖Δw_s‖·‖z‖ + ‖w_s‖·‖Δz‖ + γ_e·‖w_s‖·‖z‖ ≤
// 3·γ_e·√(e·t)·√G_ss (‖z‖² ≤ 1, t ≥ e), inside the 5·e·γ·t·√G_ss they
// allow β_s. A roundoff of 4u covers those extra operations with room.
constexpr double estimateRoundoff = 4.0 * unitRoundoff;

inline DoubleLanes loadLanes(const double* at) {
    DoubleLanes lanes;
    std::memcpy(&lanes, at, sizeof lanes);
    return lanes;
}

inline void storeLanes(double* at, DoubleLanes lanes) { std::memcpy(at, &lanes, sizeof lanes); }

// Columns kept through j − 1 (kept ≤ j): column j of R, z_j and W's
// diagonal entry for the system of the variables in slots. Row i of the
// column is the cross row of its variable, formed here where it is not
// held (RootFactorsInDouble::cross), with the same operations in the same
// order as the column formed afresh.
// The divisions by R's diagonal are multiplications by its reciprocals
// (W's diagonal), one rounding more each, which γ of e + 3 operations
// allows for; a division's latency would dominate these short sums.
bool estimateColumn(const ScaledSystem& system, const std::size_t* slots, std::size_t j, RootFactorsInDouble& f) {
    double* r = f.r;
    double* w = f.w;
    const std::size_t v = slots[j];
    std::size_t i = std::min<std::size_t>(f.crossRows[v], j);
    // Two rows at a time: the second one's sum takes the first one's term
    // last, in ascending p as alone.
    for (; i + 2 <= j; i += 2) {
        DoubleLanes sum = {toDouble(system.at(slots[i], v)), toDouble(system.at(slots[i + 1], v))};
#pragma GCC unroll 2
        for (std::size_t p = 0; p < i; ++p) {
            const double entry = f.cross[p * stride + v];
            const DoubleLanes factor = {entry, entry};
            sum -= loadLanes(r + p * stride + i) * factor;
        }
        const double first = sum[0] * w[i * stride + i];
        f.cross[i * stride + v] = first;
        f.cross[(i + 1) * stride + v] = (sum[1] - r[i * stride + i + 1] * first) * w[(i + 1) * stride + i + 1];
    }
    if (i < j) {
        double sum = toDouble(system.at(slots[i], v));
        for (std::size_t p = 0; p < i; ++p) sum -= r[p * stride + i] * f.cross[p * stride + v];
        f.cross[i * stride + v] = sum * w[i * stride + i];
    }
    f.crossRows[v] = static_cast<std::uint8_t>(j);
    // The diagonal's sum and z_j's, each in ascending p.
    double sum = toDouble(system.at(v, v));
    double fitted = toDouble(system.xty[v]);
#pragma GCC unroll 2
    for (std::size_t p = 0; p < j; ++p) {
        const double entry = f.cross[p * stride + v];
        r[p * stride + j] = entry;
        sum -= entry * entry;
        fitted -= entry * f.z[p];
    }
    if (!(sum > 0.0)) return false;
    r[j * stride + j] = std::sqrt(sum);
    w[j * stride + j] = 1.0 / r[j * stride + j];
    // Below the diagonal W is 0: the groups of columns in estimateInverse
    // and estimateSums read up to three entries under a column's diagonal.
    for (std::size_t p = j + 1; p < std::min(j + 4, stride); ++p) w[p * stride + j] = 0.0;
    f.z[j] = fitted * w[j * stride + j];
    return true;
}

// Columns from through e − 1 of W = R⁻¹ (their diagonal entries formed):
// w_ij = −(Σ_{p=i+1..j} r_ip·w_pj)·w_ii, i descending, each sum in
// ascending p as for one column alone. Four or two columns go together:
// the extra terms of all but the last, r_ip·w_pj for p > j, add exact 0s
// to sums that cannot be −0, so each entry is the one column's own, bit
// for bit.
void estimateInverse(std::size_t from, std::size_t e, RootFactorsInDouble& f) {
    const double* r = f.r;
    double* w = f.w;
    for (std::size_t i = e - 1; i-- > 0;) {
        const double* row = r + i * stride;
        const DoubleLanes diagonal = {w[i * stride + i], w[i * stride + i]};
        std::size_t j = std::max(from, i + 1);
        // An odd last column goes with the one before it, formed again as
        // it was (before this root, or just above), where that is above
        // the diagonal.
        if (((e - j) & 1u) != 0 && j > i + 1) --j;
        for (; j + 4 <= e; j += 4) {
            DoubleLanes low = {0.0, 0.0};
            DoubleLanes high = {0.0, 0.0};
#pragma GCC unroll 2
            for (std::size_t p = i + 1; p <= j + 3; ++p) {
                const DoubleLanes factor = {row[p], row[p]};
                low += factor * loadLanes(w + p * stride + j);
                high += factor * loadLanes(w + p * stride + j + 2);
            }
            storeLanes(w + i * stride + j, -low * diagonal);
            storeLanes(w + i * stride + j + 2, -high * diagonal);
        }
        for (; j + 2 <= e; j += 2) {
            DoubleLanes dot = {0.0, 0.0};
#pragma GCC unroll 2
            for (std::size_t p = i + 1; p <= j + 1; ++p) {
                const DoubleLanes factor = {row[p], row[p]};
                dot += factor * loadLanes(w + p * stride + j);
            }
            storeLanes(w + i * stride + j, -dot * diagonal);
        }
        if (j < e) {
            double dot = 0.0;
            for (std::size_t p = i + 1; p <= j; ++p) dot += row[p] * w[p * stride + j];
            w[i * stride + j] = -dot * w[i * stride + i];
        }
    }
}

// The trace of G = W·Wᵀ is ‖W‖_F², summed column by column, and the
// fitted part ‖z‖²: their partial sums through each column from on.
// Two columns go together as in estimateInverse (the first one's extra
// term is 0²).
void estimateSums(std::size_t from, std::size_t e, RootFactorsInDouble& f) {
    double column[stride];
    std::size_t j = from;
    for (; j + 2 <= e; j += 2) {
        DoubleLanes sum = {0.0, 0.0};
        for (std::size_t i = 0; i <= j + 1; ++i) {
            const DoubleLanes entries = loadLanes(f.w + i * stride + j);
            sum += entries * entries;
        }
        storeLanes(column + j, sum);
    }
    if (j < e) {
        column[j] = 0.0;
        for (std::size_t i = 0; i <= j; ++i) column[j] += f.w[i * stride + j] * f.w[i * stride + j];
    }
    for (j = from; j < e; ++j) {
        f.traceThrough[j] = (j == 0 ? 0.0 : f.traceThrough[j - 1]) + column[j];
        f.fittedThrough[j] = (j == 0 ? 0.0 : f.fittedThrough[j - 1]) + f.z[j] * f.z[j];
    }
}

}  // namespace

bool estimateRootDrops(const ScaledSystem& system, SubsetMask mask, SubsetMask droppableMask,
                       RootFactorsInDouble& factors, RootDropEstimates& estimates, bool ranked) {
    // The columns of the leading variables this root shares with the last
    // one estimated (those below the lowest variable in only one of them)
    // are what they would be formed as again, and so are their slots.
    std::size_t kept = 0;
    SubsetMask rest = mask;
    if (factors.mask != 0) {
        const SubsetMask differ = mask ^ factors.mask;
        const SubsetMask shared = differ == 0 ? mask : mask & ((differ & (~differ + 1u)) - 1u);
        kept = subsetSize(shared);
        rest &= ~shared;
    }
    std::size_t* slots = factors.slots;
    std::size_t e = kept;
    for (; rest != 0; rest = withoutLowestVariable(rest)) slots[e++] = lowestVariable(rest);
    factors.mask = 0;
    // The cross rows of the slots kept are still those of the variables held.
    const std::uint8_t keptRows = static_cast<std::uint8_t>(kept);
    for (std::uint8_t& rows : factors.crossRows) rows = rows < keptRows ? rows : keptRows;
    for (std::uint8_t& through : factors.rowSumsThrough) through = through < keptRows ? through : keptRows;
    estimates.trace = std::numeric_limits<double>::infinity();
    if (e == 0) return false;
    for (std::size_t j = kept; j < e; ++j) {
        if (!estimateColumn(system, slots, j, factors)) return false;
    }
    estimateInverse(kept, e, factors);
    estimateSums(kept, e, factors);
    factors.mask = mask;
    const double trace = factors.traceThrough[e - 1];
    const double fitted = factors.fittedThrough[e - 1];
    // Each computed G_jj is within 4·e·γ·t of its own size (freshDropError's
    // derivation), and so is their sum ‖W‖_F²: where that is at most
    // 2^-10, the computed trace with a factor 1 + 2^-9 bounds the exact
    // one; beyond it the estimate is left (with the computed trace in
    // estimates.trace, for the caller to tell a large trace from a
    // singular system).
    const double gammaE = gamma(e + 3, estimateRoundoff);
    estimates.trace = trace;
    if (!(4.0 * static_cast<double>(e) * gammaE * trace <= 0x1p-10)) return false;
    estimates.trace = trace * (1.0 + 0x1p-9);
    // Σ_j min(G_jj, doublePathEntry), with each G_jj's allowance: at most
    // the trace and at most e entries of the cap.
    const double allowance = entryAllowance(e, estimates.trace, estimateRoundoff);
    const double order = static_cast<double>(e);
    estimates.doubleTrace =
        std::min(order * doublePathEntry, estimates.trace * traceSlack + order * allowance) * traceSlack;
    // Each drop: β_s²/G_ss with G_ss = ‖row s of W‖² and β_s = (W·z)_s.
    const double rootRss = toDouble(system.yyScaled) - fitted;
    estimates.count = 0;
    double largest = std::fabs(rootRss);
    for (std::size_t j = 0; j < e; ++j) {
        if (!(droppableMask & variableMask(slots[j]))) continue;
        // The sums in ascending p, taken up where they stand for the
        // columns shared with the last root.
        double* squares = factors.rowSquares + j * RootFactorsInDouble::rowSumStride;
        double* products = factors.rowProducts + j * RootFactorsInDouble::rowSumStride;
        std::size_t p = std::max<std::size_t>(factors.rowSumsThrough[j], j);
        double g = p > j ? squares[p] : 0.0;
        double b = p > j ? products[p] : 0.0;
        for (; p < e; ++p) {
            const double entry = factors.w[j * stride + p];
            g += entry * entry;
            b += entry * factors.z[p];
            squares[p + 1] = g;
            products[p + 1] = b;
        }
        factors.rowSumsThrough[j] = static_cast<std::uint8_t>(e);
        const std::size_t at = estimates.count++;
        estimates.variable[at] = static_cast<std::uint8_t>(slots[j]);
        estimates.rss[at] = rootRss + b * b / g;
        largest = std::max(largest, std::fabs(estimates.rss[at]));
    }
    // The root's RSS, each drop, and the rounding of the sums.
    estimates.error = freshRssError(e, estimates.trace, estimateRoundoff) +
                      freshDropError(e, estimates.trace, estimateRoundoff) + 2.0 * unitRoundoff * largest;
    if (!ranked) return true;
    // Largest first, ties by variable index: insertion, the counts are small.
    for (std::size_t i = 1; i < estimates.count; ++i) {
        const double rss = estimates.rss[i];
        const std::uint8_t variable = estimates.variable[i];
        std::size_t at = i;
        for (; at > 0 && (estimates.rss[at - 1] < rss ||
                          (estimates.rss[at - 1] == rss && estimates.variable[at - 1] > variable));
             --at) {
            estimates.rss[at] = estimates.rss[at - 1];
            estimates.variable[at] = estimates.variable[at - 1];
        }
        estimates.rss[at] = rss;
        estimates.variable[at] = variable;
    }
    return true;
}

// Any coefficients x of the set S give its RSS from above: RSS(x) = y·y −
// 2bᵀx + xᵀAx = y·y − bᵀx − xᵀr with r = b − A·x, and the exact RSS is
// RSS(x) − rᵀA⁻¹r, where rᵀA⁻¹r ≤ ‖r‖²·trace(A⁻¹) ≤ ‖r‖²·t (S is within
// the root, whose trace bound t holds for every member). So with x from
// the estimate in double (the root's β = W·z less the drop's downdate,
// within about u·t of the exact coefficients) and r and RSS(x) in
// double-double, the RSS is known to about u_dd·t of the terms plus
// (u·t)²·t: near-exact fits are told apart as the extended tree tells
// them, at the cost of one product of A with x. The bound holds whatever
// x is; only its width depends on x's accuracy.
//   - Each r_i is a sum of e double-double products: it errs by at most
//     γ_{e+1}·(|b_i| + Σ_j |a_ij|·|x_j|) (Higham's bound, u_dd per
//     operation).
//   - RSS(x) = y·y − Σ b_i·x_i − Σ x_i·r_i: 2e + 2 operations, γ_{2e+2} of
//     the sum of the terms' sizes, and Σ|x_i|·δr_i from the residual's own
//     error.
//   - The exact residual is within δr of the computed one: ‖r‖ ≤
//     ‖r̂‖ + ‖δr‖.
// The sizes and norms are sums in double of positive terms, within a
// relative e·u of exact: a factor 1 + 2^-40 covers them, and 2u the
// rounding of the RSS to double.
bool refineRootDrop(const ScaledSystem& system, const RootFactorsInDouble& factors, std::size_t variable,
                    double trace, RefinedDrop& refined) {
    const std::size_t e = subsetSize(factors.mask);
    const std::size_t s = subsetSize(variablesBelow(factors.mask, variable));
    const double* w = factors.w;
    // β = W·z and column s of G = W·Wᵀ (W is upper triangular).
    double beta[stride] = {};
    double g[stride] = {};
    for (std::size_t i = 0; i < e; ++i) {
        double sum = 0.0;
        for (std::size_t p = i; p < e; ++p) sum += w[i * stride + p] * factors.z[p];
        beta[i] = sum;
        double column = 0.0;
        for (std::size_t p = std::max(i, s); p < e; ++p) column += w[i * stride + p] * w[s * stride + p];
        g[i] = column;
    }
    if (!(g[s] > 0.0)) return false;
    // The coefficients of S: the root's, downdated for the drop of slot s.
    const double ratio = beta[s] / g[s];
    double x[stride];
    for (std::size_t i = 0; i < e; ++i) {
        x[i] = i == s ? 0.0 : beta[i] - g[i] * ratio;
        if (!std::isfinite(x[i])) return false;
    }
    const double slack = 1.0 + 0x1p-40;
    const double residualGamma = gamma(e + 1, ddRoundoff);
    DoubleDouble fitted{};
    double sizes = 0.0;           // Σ of the sizes of the fitted part's terms
    double residualErrors = 0.0;  // Σ |x_i|·δr_i
    double residualSquares = 0.0;
    double errorSquares = 0.0;
    for (std::size_t i = 0; i < e; ++i) {
        if (i == s) continue;
        const std::size_t v = factors.slots[i];
        DoubleDouble residual = system.xty[v];
        double size = std::fabs(residual.hi);
        for (std::size_t j = 0; j < e; ++j) {
            if (j == s) continue;
            const DoubleDouble entry = system.at(v, factors.slots[j]);
            residual = residual - entry * DoubleDouble{x[j], 0.0};
            size += std::fabs(entry.hi) * std::fabs(x[j]);
        }
        // |a| ≤ |a.hi|·(1 + 2^-52): the slack covers it with the sums'.
        const double residualError = residualGamma * size * slack * slack;
        const DoubleDouble xi{x[i], 0.0};
        fitted = fitted + system.xty[v] * xi;
        fitted = fitted + xi * residual;
        const double magnitude = std::fabs(residual.hi) + std::fabs(residual.lo);
        sizes += std::fabs(system.xty[v].hi) * std::fabs(x[i]) + std::fabs(x[i]) * magnitude;
        residualErrors += std::fabs(x[i]) * residualError;
        residualSquares += magnitude * magnitude;
        errorSquares += residualError * residualError;
    }
    const DoubleDouble rss = system.yyScaled - fitted;
    refined.rss = toDouble(rss);
    const double residualNorm = (std::sqrt(residualSquares) + std::sqrt(errorSquares)) * slack;
    const double fittedError = gamma(2 * e + 2, ddRoundoff) * (std::fabs(system.yyScaled.hi) + sizes) * slack;
    refined.error = (fittedError + residualErrors * slack + residualNorm * residualNorm * trace * slack +
                     2.0 * unitRoundoff * std::fabs(refined.rss)) *
                    slack;
    return std::isfinite(refined.rss) && std::isfinite(refined.error);
}

void completeDropInverse(const DropNode& node) {
    const SubsetMask all = node.order >= 64 ? ~SubsetMask{0} : (SubsetMask{1} << node.order) - 1u;
    if ((node.formedSlots & all) == all) return;
    const std::size_t e = node.order;
    const DoubleDouble* w = node.factors.w;
    const auto formed = [&](std::size_t slot) { return ((node.formedSlots >> slot) & 1u) != 0; };
    for (std::size_t i = 0; i < e; ++i) {
        for (std::size_t j = i + 1; j < e; ++j) {
            if (formed(i) || formed(j)) continue;
            DoubleDouble sum{};
            for (std::size_t p = j; p < e; ++p) sum = sum + w[i * stride + p] * w[j * stride + p];
            node.inverse[i * stride + j] = sum;
            node.inverse[j * stride + i] = sum;
        }
    }
    std::size_t slot = 0;
    DoubleDouble b[stride];
    for (SubsetMask rest = node.mask; rest != 0; rest = withoutLowestVariable(rest)) {
        b[slot++] = node.system->xty[lowestVariable(rest)];
    }
    for (std::size_t i = 0; i < e; ++i) {
        if (formed(i)) continue;
        DoubleDouble sum{};
        for (std::size_t j = 0; j < e; ++j) sum = sum + node.inverse[i * stride + j] * b[j];
        node.beta[i] = sum;
    }
    node.formedSlots = all;
}

void rankDrops(DropNode& node, bool byIndex) { rankDropsOf(node, byIndex, true); }

namespace {

// Up to this many droppable variables a double node ranks its drops by
// counting (rankDropsByCount); beyond it, by insertion, whose moves grow as
// the square of the count but whose comparisons stay fewer.
constexpr std::size_t rankedDropsLimit = 31;

// Ranks a double node's drops by cost, largest first and equal costs by
// variable, as the insertion in rankDrops does, but without a branch on the
// data: each drop's place is the number of drops that rank before it, those
// that cost more, plus those of equal cost and a lower variable. The order
// is a strict total one, so the places are a permutation. The drops are
// taken in ascending order of their variables, so the equal costs before a
// drop are those of lower variables; they are counted apart, only where a
// cost is met twice (rare in data). False (and nothing written) if a cost
// is not a number: that order is not total, and the insertion handles it.
bool rankDropsByCount(DoubleDropNode& node) {
    const std::size_t r = node.droppableCount;
    // Padded to whole pairs with a NaN, which compares false with every cost.
    alignas(16) double cost[maxExplanatoryVariables + 1];
    std::uint8_t variable[maxExplanatoryVariables];
    SubsetMask droppable = 0;
    for (std::size_t i = 0; i < r; ++i) droppable |= variableMask(node.droppable[i]);
    bool numbers = true;
    std::size_t at = 0;
    for (SubsetMask rest = droppable; rest != 0; rest = withoutLowestVariable(rest), ++at) {
        const std::size_t v = lowestVariable(rest);
        const std::size_t s = node.slotOfVariable[v];
        cost[at] = node.rss + node.beta[s] * node.beta[s] / node.inverse[s * stride + s];
        variable[at] = static_cast<std::uint8_t>(v);
        numbers &= cost[at] == cost[at];
    }
    if (!numbers) return false;
    const std::size_t pairs = (r + 1) / 2;
    cost[r] = std::numeric_limits<double>::quiet_NaN();
    for (std::size_t i = 0; i < r; ++i) {
        const DoubleLanes own = {cost[i], cost[i]};
        LaneMask above = {0, 0};
        LaneMask equal = {0, 0};
        for (std::size_t p = 0; p < pairs; ++p) {
            DoubleLanes other;
            std::memcpy(&other, cost + 2 * p, sizeof other);
            above -= other > own;
            equal -= other == own;
        }
        std::size_t place = static_cast<std::size_t>(above[0] + above[1]);
        if (equal[0] + equal[1] > 1) {
            for (std::size_t j = 0; j < i; ++j) place += cost[j] == cost[i] ? 1u : 0u;
        }
        node.childRss[place] = cost[i];
        node.droppable[place] = variable[i];
    }
    return true;
}

// The children of a double node keep its trace bounds and share one error
// bound.
void fillDoubleChildBounds(DoubleDropNode& node) {
    const double childError = childRssError(node);
    for (std::size_t i = 0; i < node.droppableCount; ++i) {
        node.childTrace[i] = node.trace;
        node.childDoubleTrace[i] = node.doubleTrace;
        node.childError[i] = childError;
    }
}

}  // namespace

// In the double tree the children keep the node's trace bounds and share
// one error bound: only the RSS values and the variables are sorted, and
// the rest is filled in after. The RSS of each child and the order are
// those of rankDropsOf.
void rankDrops(DoubleDropNode& node, bool byIndex) {
    const std::size_t r = node.droppableCount;
    // Each variable's slot, from one pass over the slotted variables in
    // ascending order (cheaper than counting the bits below each); kept
    // for descending into the children.
    std::uint8_t* slotOfVariable = node.slotOfVariable;
    std::uint8_t next = 0;
    for (SubsetMask rest = node.slotMask; rest != 0; rest = withoutLowestVariable(rest)) {
        slotOfVariable[lowestVariable(rest)] = next++;
    }
    if (!byIndex && r <= rankedDropsLimit && rankDropsByCount(node)) {
        fillDoubleChildBounds(node);
        return;
    }
    for (std::size_t i = 0; i < r; ++i) {
        const std::uint8_t v = node.droppable[i];
        const std::size_t s = slotOfVariable[v];
        const double rss = node.rss + node.beta[s] * node.beta[s] / node.inverse[s * stride + s];
        std::size_t at = i;
        if (byIndex) {
            while (at > 0 && node.droppable[at - 1] < v) {
                node.childRss[at] = node.childRss[at - 1];
                node.droppable[at] = node.droppable[at - 1];
                --at;
            }
        } else {
            while (at > 0 && (node.childRss[at - 1] < rss || (node.childRss[at - 1] == rss && node.droppable[at - 1] > v))) {
                node.childRss[at] = node.childRss[at - 1];
                node.droppable[at] = node.droppable[at - 1];
                --at;
            }
        }
        node.childRss[at] = rss;
        node.droppable[at] = v;
    }
    fillDoubleChildBounds(node);
}

void descendDropTree(const DropNode& parent, std::size_t i, DropNode& child) {
    placeChild(parent, i, child);
    child.rss = parent.childRss[i];
    const double source = parent.sourceTrace == 0.0 ? parent.trace : parent.sourceTrace;
    DoubleDouble fitted;
    if (source > refactoriseTrace &&
        factoriseNode(*parent.system, child, fitted, &parent, slotOf(parent, parent.droppable[i]))) {
        // The child's own inverse and coefficients; its RSS stays the
        // parent's value for it, whose error the parent has tracked.
        child.trace = parent.childTrace[i];
        child.doubleTrace = parent.childDoubleTrace[i];
        return;
    }
    child.trace = parent.childTrace[i];
    child.doubleTrace = parent.childDoubleTrace[i];
    child.sourceTrace = source;
    child.factors.valid = false;
    downdate(parent, i, child);
}

namespace {

// The downdate of a double node's inverse without the parent's droppable
// variable i, into the child's slots (the parent's inverse whole). The
// child keeps only its droppable slots: the dropped variable and the slots
// after it in the parent's droppable order (child i keeps droppable[i + 1
// …]). Here the diagonal and β only, and the map of the child's slots to
// the parent's (its slots as the parent's rankDrops numbered them);
// formDoubleEntries forms the rest when it is needed.
void downdateDiagonal(const DoubleDropNode& parent, std::size_t i, DoubleDropNode& child) {
    const std::size_t s = parent.slotOfVariable[parent.droppable[i]];
    const double* g = parent.inverse;
    const double pivot = g[s * stride + s];
    const double* pivotRow = g + s * stride;
    const double betaFactor = parent.beta[s] / pivot;
    std::size_t to = 0;
    for (SubsetMask rest = child.slotMask; rest != 0; rest = withoutLowestVariable(rest), ++to) {
        const std::size_t a = parent.slotOfVariable[lowestVariable(rest)];
        const double* from = g + a * stride;
        const double factor = from[s] / pivot;
        child.inverse[to * stride + to] = from[a] - factor * pivotRow[a];
        child.beta[to] = parent.beta[a] - from[s] * betaFactor;
        child.parentSlots[to] = static_cast<std::uint8_t>(a);
    }
    child.pendingSlot = s;
}

// Forms the rest of node's inverse (all but the diagonal and β) from its
// pending parent: each entry above the diagonal once, as the downdate
// G_ab − (G_as / G_ss)·G_sb, and mirrored (the diagonal's entries are the
// same expression, so the inverse is the same, bit for bit, as a downdate
// of the upper triangle at once).
void formDoubleEntries(DoubleDropNode& node) {
    const DoubleDropNode& parent = *node.pendingParent;
    const std::size_t s = node.pendingSlot;
    const std::uint8_t* kept = node.parentSlots;
    const std::size_t count = node.slots;
    const double* g = parent.inverse;
    const double pivot = g[s * stride + s];
    const double* pivotRow = g + s * stride;
    for (std::size_t to = 0; to < count; ++to) {
        const double* from = g + kept[to] * stride;
        double* row = node.inverse + to * stride;
        const double factor = from[s] / pivot;
        for (std::size_t at = to + 1; at < count; ++at) {
            const double value = from[kept[at]] - factor * pivotRow[kept[at]];
            row[at] = value;
            node.inverse[at * stride + to] = value;
        }
    }
    node.pendingParent = nullptr;
}

}  // namespace

void completeDropNode(DoubleDropNode& node) {
    if (node.pendingParent != nullptr) formDoubleEntries(node);
}

void descendDropTree(DoubleDropNode& parent, std::size_t i, DoubleDropNode& child) {
    completeDropNode(parent);
    placeChild(parent, i, child);
    child.rss = parent.childRss[i];
    child.sourceTrace = parent.sourceTrace;
    child.inheritedError = parent.inheritedError;
    child.scale = parent.scale;
    downdateDiagonal(parent, i, child);
    child.pendingParent = child.slots > 1 ? &parent : nullptr;
}

bool doubleTreeSuffices(std::size_t variables, double trace, double relativeRss, double scale) {
    return trace <= doubleTreeTrace && scale * doubleChainError(variables, trace) <= 0x1p-16 * relativeRss;
}

namespace {

// The charge of each drop below an extended node: what its own children's
// drops are charged, or, where it was factorised afresh, the larger of that
// and what the drops of its downdated descendants are.
double extendedStepError(const DropNode& node) {
    const std::size_t k = node.system->variables;
    if (node.sourceTrace != 0.0) return chainDropError(k, node.sourceTrace, extendedRoundoff);
    return std::max(freshDropError(node.order, node.trace, ddRoundoff), chainDropError(k, node.trace, extendedRoundoff));
}

}  // namespace

double doubleSubtreeScaleWanted(std::size_t variables, double trace, double relativeRss) {
    if (!(trace <= doubleTreeTrace && relativeRss > 0.0)) return 0.0;
    return 0x1p-16 * relativeRss / doubleChainError(variables, trace) * (1.0 + 0x1p-20);
}

double doubleSubtreeScale(const DropNode& node, std::size_t i, double wanted) {
    // The exact coefficients: each computed β_a² is within G_aa times the
    // error of a drop cost from this inverse (extendedStepError) of the
    // exact one, and Σ G_aa is at most the trace; the sum's rounding is
    // far inside 2^-40 of it. The child's RSS with its error bound; a
    // factor 1 + 2^-20 for the rest.
    const double droppable = static_cast<double>(node.droppableCount - 1 - i);
    const double rss = toDouble(node.childRss[i]) + node.childError[i];
    const double floor = rss + droppable * extendedStepError(node) * node.childTrace[i];
    const double most = wanted / (1.0 + 0x1p-20);
    if (!(floor < most)) return 1.0;
    // The child's coefficients of its droppable variables, the downdate of
    // the node's (as startDoubleSubtree forms them), and their squares;
    // given up as soon as the scale cannot be below wanted.
    const std::size_t s = slotOf(node, node.droppable[i]);
    const DoubleDouble* g = node.inverse;
    const DoubleDouble factor = node.beta[s] / g[s * stride + s];
    const double room = (most - floor) / (droppable * (1.0 + 0x1p-40));
    double squares = 0.0;
    for (std::size_t j = i + 1; j < node.droppableCount; ++j) {
        const std::size_t a = slotOf(node, node.droppable[j]);
        const double beta = toDouble(node.beta[a] - factor * g[a * stride + s]);
        squares += beta * beta;
        if (!(squares < room)) return 1.0;
    }
    return std::min(1.0, (floor + droppable * squares * (1.0 + 0x1p-40)) * (1.0 + 0x1p-20));
}

bool startDoubleSubtree(const DropNode& parent, std::size_t i, DoubleDropNode& child, double scale) {
    const double source = parent.sourceTrace == 0.0 ? parent.trace : parent.sourceTrace;
    // Below an inverse of so large a trace the extended tree factorises the
    // child afresh; the double tree starts further down.
    if (source > refactoriseTrace) return false;
    placeChild(parent, i, child);
    const double rss = toDouble(parent.childRss[i]);
    child.rss = rss;
    child.rssError += unitRoundoff * std::fabs(rss);
    child.sourceTrace = child.trace;
    // The extended child's inverse would be downdated from the parent's and
    // charged chainDropError(source) at each drop.
    child.inheritedError = chainDropError(parent.system->variables, source, extendedRoundoff);
    child.scale = scale;
    child.pendingParent = nullptr;
    downdate(parent, i, child);
    return true;
}

bool startDoubleSubtree(const DropNode& root, DoubleDropNode& node) {
    node.system = root.system;
    node.order = root.order;
    node.mask = root.mask;
    node.trace = root.trace;
    node.doubleTrace = root.doubleTrace;
    node.droppableCount = root.droppableCount;
    SubsetMask droppable = 0;
    for (std::size_t j = 0; j < root.droppableCount; ++j) {
        node.droppable[j] = root.droppable[j];
        droppable |= SubsetMask{1} << root.droppable[j];
    }
    node.slotMask = droppable;
    node.slots = root.droppableCount;
    node.rss = toDouble(root.rss);
    node.rssError = root.rssError + unitRoundoff * std::fabs(node.rss);
    node.sourceTrace = root.trace;
    node.inheritedError = extendedStepError(root);
    node.scale = 1.0;
    node.pendingParent = nullptr;
    std::size_t kept[maxExplanatoryVariables];
    const std::size_t count = keptSlots(root.slotMask, node.slotMask, kept);
    for (std::size_t to = 0; to < count; ++to) {
        const std::size_t a = kept[to];
        for (std::size_t at = 0; at < count; ++at) {
            node.inverse[to * stride + at] = toDouble(root.inverse[a * stride + kept[at]]);
        }
        node.beta[to] = toDouble(root.beta[a]);
    }
    return true;
}
