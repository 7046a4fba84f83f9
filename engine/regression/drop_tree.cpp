#include "regression/drop_tree.h"

#include <cmath>
#include <utility>

namespace {

constexpr std::size_t stride = maxCrossProductOrder;

// Sums of squares outside this range are left to the exhaustive screening:
// products of a handful of such scales (an entry of the unscaled system, of
// its LU factors and of its inverse) then stay far from overflow and from
// the subnormal range in the exact fit.
bool scaleInRange(double sumOfSquares) { return sumOfSquares >= 0x1p-200 && sumOfSquares <= 0x1p200; }

// The largest column sum of absolute values of a symmetric matrix.
double normOne(const double* a, std::size_t e) {
    double largest = 0.0;
    for (std::size_t j = 0; j < e; ++j) {
        double sum = 0.0;
        for (std::size_t i = 0; i < e; ++i) sum += std::fabs(a[i * stride + j]);
        if (sum > largest) largest = sum;
    }
    return largest;
}

// Inverts the symmetric matrix a (order e, stride `stride`) into inverse
// through its Cholesky factor a = RᵀR. False when a pivot is not positive
// (or not a number): the matrix is not numerically positive definite.
bool invertPositiveDefinite(const double* a, std::size_t e, double* inverse) {
    double r[stride * stride] = {};
    for (std::size_t j = 0; j < e; ++j) {
        for (std::size_t i = 0; i <= j; ++i) {
            double sum = a[i * stride + j];
            for (std::size_t p = 0; p < i; ++p) sum -= r[p * stride + i] * r[p * stride + j];
            if (i < j) {
                r[i * stride + j] = sum / r[i * stride + i];
            } else {
                if (!(sum > 0.0)) return false;
                r[j * stride + j] = std::sqrt(sum);
            }
        }
    }
    // W = R⁻¹ (upper triangular), column by column.
    double w[stride * stride] = {};
    for (std::size_t j = 0; j < e; ++j) {
        w[j * stride + j] = 1.0 / r[j * stride + j];
        for (std::size_t i = j; i-- > 0;) {
            double sum = 0.0;
            for (std::size_t p = i + 1; p <= j; ++p) sum += r[i * stride + p] * w[p * stride + j];
            w[i * stride + j] = -sum / r[i * stride + i];
        }
    }
    // a⁻¹ = W·Wᵀ.
    for (std::size_t i = 0; i < e; ++i) {
        for (std::size_t j = i; j < e; ++j) {
            double sum = 0.0;
            for (std::size_t p = j; p < e; ++p) sum += w[i * stride + p] * w[j * stride + p];
            inverse[i * stride + j] = sum;
            inverse[j * stride + i] = sum;
        }
    }
    return true;
}

// Whether the exact fit's elimination may pivot on an entry that is only
// rounding. Partial pivoting compares unscaled entries: where |A_ab| ≥ A_bb,
// row a can displace b's own diagonal as the pivot of column b. That is
// harmless when the two variables are genuinely correlated, but when the
// scaled entry is at the level of rounding (a column centred on its mean has
// such a sum with the intercept; a centred column of values near 1e14 or
// more then outweighs n) the elimination divides by rounding noise and the
// exact fit loses digits that no bound on the condition number accounts for.
bool pivotingUnstable(const CrossProducts& products, const double* scaled, std::size_t e) {
    for (std::size_t a = 0; a < e; ++a) {
        for (std::size_t b = 0; b < e; ++b) {
            if (a != b && std::fabs(products.at(a, b)) >= products.at(b, b) &&
                std::fabs(scaled[a * stride + b]) < 0x1p-26) {
                return true;
            }
        }
    }
    return false;
}

}  // namespace

// The margin. Two computations of a subset's RSS meet in the bound: the
// approximate one here (a Cholesky inverse of the scaled full system, then
// up to k downdates of it) and the exact fit (LU with partial pivoting of the
// unscaled subset system, explicit inverse, β = A⁻¹·Xᵀy, RSS = y·y − (Xᵀy)·β).
// For the scaled system of any subset ‖Ã_S⁻¹‖ ≤ κ, and with y·y = 1 the
// fitted part bᵀÃ_S⁻¹b lies in [0, 1] with ‖b‖² ≤ e; a perturbation of the
// inverse of relative size u moves it by about u·κ·e, each of the up to e
// downdates along a path adds such a perturbation, and the exact fit's LU
// errors add one more. Hence Δ = C·e²·u·κ. Partial pivoting compares
// unscaled entries, though, so with columns of very different scales the
// exact fit pivots off the diagonal and its error no longer shrinks with κ:
// it keeps a floor, which the term κ₀ covers: Δ = C·e²·u·(κ + κ₀).
//
// Observed over every subset of every data set tried (random, correlated,
// chains of near neighbours with κ from 5 to 1e11, integers, offsets,
// columns scaled by factors up to 1e±20, y along the best- and the
// worst-determined directions and both, exact fits; k up to 16):
// |approximate − exact| stays below 0.05·e²·u·κ·y·y for columns of like
// scales and below 400·e²·u·y·y (at κ ≈ 20) for columns of scales far apart,
// once the pivoting check below has excluded pivots on rounding noise. With
// C = 1024 and κ₀ = 64 that leaves factors above 2e4 and 200. The
// worst-case analysis of an explicit inverse allows growth like κ^1.5
// rather than κ; below the condition limit of 1e8 the extra √κ ≤ 1e4 still
// fits inside the first factor, which is why the limit is not set higher.
// The margin costs little pruning: for k = 31 it is 1e-8 of y·y at κ ≈ 20
// and about 1e-2 at the limit. Where y is fitted almost exactly (1 − R²
// about 1e-6 or less) it exceeds the differences between the best subsets
// and the search fits most subsets that contain the true model.
DropTreeTrust startDropTree(const CrossProducts& products, DropTreeSystem& system, DropNode& root) {
    const std::size_t k = products.variables;
    const std::size_t e = k + 1;
    const std::size_t yIndex = products.yIndex();
    system.variables = k;
    system.rows = products.rows;
    system.yy = products.at(yIndex, yIndex);
    if (!scaleInRange(system.yy)) return DropTreeTrust::ScaleOutOfRange;
    double scale[maxCrossProductOrder];
    for (std::size_t i = 0; i < e; ++i) {
        const double squares = products.at(i, i);
        if (!scaleInRange(squares)) return DropTreeTrust::ScaleOutOfRange;
        scale[i] = 1.0 / std::sqrt(squares);
    }
    const double yScale = 1.0 / std::sqrt(system.yy);

    double scaled[stride * stride];
    double xty[maxCrossProductOrder];
    for (std::size_t i = 0; i < e; ++i) {
        for (std::size_t j = 0; j < e; ++j) scaled[i * stride + j] = products.at(i, j) * scale[i] * scale[j];
        xty[i] = products.at(i, yIndex) * scale[i] * yScale;
    }
    if (pivotingUnstable(products, scaled, e)) return DropTreeTrust::UnstablePivoting;
    if (!invertPositiveDefinite(scaled, e, root.inverse)) return DropTreeTrust::NotPositiveDefinite;
    system.condition = normOne(scaled, e) * normOne(root.inverse, e);
    if (!(system.condition <= maxTrustedCondition)) return DropTreeTrust::IllConditioned;
    system.margin = marginFactor * static_cast<double>(e * e) * 0x1p-53 * (system.condition + marginConditionFloor);

    root.order = e;
    root.mask = static_cast<SubsetMask>((std::uint64_t{1} << k) - 1u);
    double fitted = 0.0;
    for (std::size_t i = 0; i < e; ++i) {
        double sum = 0.0;
        for (std::size_t j = 0; j < e; ++j) sum += root.inverse[i * stride + j] * xty[j];
        root.beta[i] = sum;
        fitted += xty[i] * sum;
    }
    root.rss = system.yy * yScale * yScale - fitted;
    for (std::size_t v = 0; v < k; ++v) root.droppable[v] = static_cast<std::uint8_t>(v);
    root.droppableCount = k;
    return DropTreeTrust::Trusted;
}

namespace {

// The slot of variable v in node (its variables stand in ascending order).
std::size_t slotOf(const DropNode& node, std::size_t v) {
    const SubsetMask below = node.mask & ((SubsetMask{1} << v) - 1u);
    return 1 + static_cast<std::size_t>(__builtin_popcount(below));
}

}  // namespace

void rankDrops(DropNode& node) {
    // Insertion sort of at most 31 entries: cheaper here than a general sort.
    const std::size_t r = node.droppableCount;
    for (std::size_t i = 0; i < r; ++i) {
        const std::uint8_t v = node.droppable[i];
        const std::size_t s = slotOf(node, v);
        const double cost = node.beta[s] * node.beta[s] / node.inverse[s * stride + s];
        const double rss = node.rss + cost;
        std::size_t at = i;
        while (at > 0 && (node.childRss[at - 1] < rss || (node.childRss[at - 1] == rss && node.droppable[at - 1] > v))) {
            node.childRss[at] = node.childRss[at - 1];
            node.droppable[at] = node.droppable[at - 1];
            --at;
        }
        node.childRss[at] = rss;
        node.droppable[at] = v;
    }
}

void descendDropTree(const DropNode& parent, std::size_t i, DropNode& child) {
    const std::size_t v = parent.droppable[i];
    const std::size_t s = slotOf(parent, v);
    const std::size_t e = parent.order;
    const double* g = parent.inverse;
    const double pivot = g[s * stride + s];
    const double* pivotRow = g + s * stride;

    child.order = e - 1;
    child.mask = parent.mask & ~(SubsetMask{1} << v);
    child.rss = parent.childRss[i];
    const double betaFactor = parent.beta[s] / pivot;
    for (std::size_t a = 0, to = 0; a < e; ++a) {
        if (a == s) continue;
        const double* from = g + a * stride;
        double* row = child.inverse + to * stride;
        const double factor = from[s] / pivot;
        for (std::size_t b = 0; b < s; ++b) row[b] = from[b] - factor * pivotRow[b];
        for (std::size_t b = s + 1; b < e; ++b) row[b - 1] = from[b] - factor * pivotRow[b];
        child.beta[to] = parent.beta[a] - from[s] * betaFactor;
        ++to;
    }
    child.droppableCount = parent.droppableCount - 1 - i;
    for (std::size_t j = 0; j < child.droppableCount; ++j) child.droppable[j] = parent.droppable[i + 1 + j];
}
