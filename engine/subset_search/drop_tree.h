#pragma once
// The tree over subsets that the bounded search walks, with approximate
// residual sums of squares computed along it (Furnival and Wilson's "leaps
// and bounds").
//
// A node is a subset S of the explanatory variables and a set of droppable
// variables D ⊆ S; its subtree holds every S ∖ R with R ⊆ D. The node
// ranks D by the cost of dropping each variable, largest first, into
// v_0, v_1, …, v_{r−1}; child i is S ∖ {v_i} with droppable set
// {v_{i+1}, …, v_{r−1}}. The children's subtrees split the non-empty R by
// their first member in that order, so every subset of the root's subtree is
// reached exactly once, whatever order each node chooses. A root is any
// subset with any droppable part of it (subset_roots.h splits the subsets of
// data with exact dependencies into the subtrees of several roots).
//
// The approximate fit works on the centred and scaled normal equations in
// double-double (scaled_system.h): the intercept is taken out by the
// centring, so slot j of a node is its j-th variable in ascending order.
// RSS values here are relative to the centred y·y. Subtrees whose
// conditioning leaves room for it (doubleTreeSuffices) go on in double from
// the extended inverse rounded, with an error of their own that grows only
// linearly with the trace they started from (drop_tree.cpp).
//
// A node keeps the inverse G of its scaled system and its coefficients β.
// Dropping the variable in slot s costs β_s²/G_ss in RSS, and the inverse of
// the smaller system is G without row and column s, minus g·gᵀ/G_ss (g the
// column s of G): O(e²) per step, nothing proportional to the rows.
//
// Bounds: every subset of a subtree is contained in the node's set, and
// dropping variables never lowers the RSS, so the subtree's least RSS is the
// node's. A member that drops a set R from S has an RSS of at least
// max over v ∈ R of RSS(S ∖ {v}); with the children ranked by their RSS,
// largest first, that maximum over any member below child i is child i's own
// RSS (every member drops v_i and otherwise only variables that cost less),
// so the per-size bounds of the drop costs all come to child i's RSS, and
// the order makes the largest subtrees carry the highest bounds.
//
// The trace of G bounds the conditioning of every member: for T ⊆ S the
// diagonal of the inverse of T's system is at most that of G (removing
// variables never raises another's 1/(1 − R²_j)), so trace(T⁻¹) ≤ trace(G),
// and the scaled coefficients of T obey ‖β̃_T‖² ≤ trace(T⁻¹) (relative to
// y·y). The margin of a subtree is a function of that trace, of the part of
// it the exact fit's double path can reach (doubleTrace) and of the error
// tracked for the node's own RSS (rssError).
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "regression/cross_products.h"
#include "regression/data_column.h"
#include "regression/double_double.h"
#include "regression/fit_levels.h"
#include "subset_search/scaled_system.h"

// Why the bound cannot be used on a data set (the search then screens every
// subset exhaustively). Each is rare and each is tested.
enum class DropTreeTrust {
    Trusted,
    ScaleOutOfRange,   // y is constant, or a sum of squares is not finite or outside [2^-200, 2^200]
    UnstablePivoting,  // the exact fit would pivot on an entry that is only rounding
    TooManyRoots,      // dependencies so many (many more variables than rows) that the subsets split into more
                       // trees than bounding them would save over screening them, or than a plan holds
    Uncentred,         // a column is far from centred (uncentredFactor above maxUncentredFactor): the exact
                       // fit's uncentred system is then much worse conditioned than the centred one the
                       // tree works on (the search driver centres every column, so it never sees this)
};

// The most uncentredFactor for which the bound is used.
constexpr double maxUncentredFactor = 2.0;

// The short text of a verdict, for the command line's note.
const char* dropTreeTrustText(DropTreeTrust trust);

// Checks the double cross-products of the run for what the exact fit needs
// of them. Columns whose sum of squares is exactly 0 (a constant column
// centred to zero) are not a reason to fall back: they are returned in
// zeroColumns, and every subset that holds one is singular for the exact fit.
// Constant columns (scaled_system.h) take no part in the pivoting check:
// what the exact fit makes of them moves an RSS by rounding of order n·u of
// y·y only, far inside the margin's floor.
DropTreeTrust checkDropTree(const CrossProducts& products, SubsetMask constantColumns, SubsetMask& zeroColumns);

// The margins Δ(t): bounds on |approximate RSS of a node − exact RSS of any
// subset below it| relative to the centred y·y, for a node whose inverse
// has trace at most t, with k variables and n rows: one for subsets the
// exact fit takes through its double path, one for those it refits in
// double-double. offsetFactor (≥ 1, from uncentredFactor) accounts for the
// exact fit working on uncentred columns. See drop_tree.cpp for the terms
// and their evidence.
struct DropMargin {
    double doublePath = 0.0;
    double refitPath = 0.0;
};
// relativeRss is the node's approximate RSS: the results of both fits are
// doubles, rounded relative to their own size. doubleTrace bounds the trace
// of every member the exact fit takes through its double path
// (DropNode::doubleTrace); trace bounds every member's; treeError bounds
// the error of relativeRss itself (DropNode::rssError).
DropMargin dropTreeMargin(std::size_t variables, std::size_t rows, double trace, double doubleTrace, double treeError,
                          double relativeRss, double offsetFactor = 1.0);
// The same in two steps, for many nodes that share trace, doubleTrace and
// treeError (the children of a double node): the terms that do not depend
// on relativeRss, then the margin of one RSS. The result is the same, bit
// for bit, as the one call's.
struct MarginTerms {
    double refitPath = 0.0;   // treeError and the refit's term
    double doublePath = 0.0;  // the double path's own term
};
MarginTerms dropTreeMarginTerms(std::size_t variables, std::size_t rows, double trace, double doubleTrace,
                                double treeError, double offsetFactor = 1.0);
// (Inline: the double tree forms one for every child it visits.)
inline DropMargin dropTreeMargin(const MarginTerms& terms, double relativeRss) {
    DropMargin margin;
    margin.refitPath = terms.refitPath + 512.0 * 0x1p-53 * std::fabs(relativeRss);  // 512·u·r
    margin.doublePath = terms.doublePath + margin.refitPath;
    return margin;
}

// 1 + Σ_j c_j²/(1 − c_j²), c_j the cosine between column j and the
// intercept column in the double cross-products: how much worse the exact
// fit's uncentred system can be conditioned than the centred one (1 for
// centred columns, +∞ where a column is numerically a constant). Zero
// columns (mask) are left out.
double uncentredFactor(const CrossProducts& products, SubsetMask zeroColumns);

// The exact fit takes a subset through the double path (LU of the double
// normal equations) only while every variable keeps 1 − R²_j above
// 1/refitVarianceInflation as its double inverse shows it; this level
// allows that estimate a factor of 2. Below it the fit is refined in
// double-double, whose error is far smaller. So the double path's error is
// that of a system whose trace is at most k / doublePathLevel.
constexpr double doublePathLevel = 0.5 / refitVarianceInflation;

// The Cholesky factor R of a node's own system, the reciprocals of its
// diagonal and W = R⁻¹, kept by nodes factorised afresh: a child factorised
// afresh takes over what does not depend on its dropped variable
// (drop_tree.cpp). The storage is left uninitialised; the factorisation
// writes it before it is read (valid).
template <class Scalar>
struct FreshFactors {
    FreshFactors() {}
    union {
        Scalar r[scaledStride * scaledStride];
    };
    union {
        Scalar w[scaledStride * scaledStride];
    };
    union {
        Scalar reciprocal[scaledStride];
    };
    bool valid = false;
};
struct NoFreshFactors {};

// A node of the tree. Scalar is the arithmetic of its inverse, coefficients
// and RSS: DoubleDouble wherever the conditioning needs it, double in
// subtrees conditioned well enough that the double tree's tracked error
// stays a small share of their RSS (doubleTreeSuffices).
template <class Scalar>
struct DropNodeOf {
    DropNodeOf() {}
    const ScaledSystem* system = nullptr;  // the system the tree was started on
    std::size_t order = 0;  // the node's variables
    SubsetMask mask = 0;
    // The variables that have a slot in inverse and beta, slot j the j-th
    // in ascending order: all of the node's in the extended tree; in the
    // double tree only its droppable ones, the only entries that its
    // subtree's drop costs and downdates ever read (each downdated entry
    // (a, b) is formed from entries (a, b), (a, s), (s, b) and (s, s) alone).
    SubsetMask slotMask = 0;
    std::size_t slots = 0;  // their count
    // G on the slots, row stride scaledStride, and β. An extended node forms
    // only the rows of its droppable slots, the diagonal and β of those
    // slots (formedSlots): all that its subtree reads. A root's rest can be
    // formed later, by the same operations (completeDropInverse; mutable: a
    // cache of values already determined); a node factorised afresh below
    // another forms everything.
    // G is left unset by the constructor (64 KB in the extended tree, of
    // which a node uses its slots only): every entry is written before it
    // is read.
    union {
        mutable Scalar inverse[scaledStride * scaledStride];
    };
    mutable Scalar beta[scaledStride];
    mutable SubsetMask formedSlots = ~SubsetMask{0};
    Scalar rss{};        // approximate, relative to y·y
    double rssError = 0.0;  // a bound on |rss − the exact RSS of the node's subset|, relative to y·y
    // 0 when inverse and beta come from the node's own factorisation;
    // otherwise the trace of the factorised inverse they were downdated from.
    // In the double tree: the trace bound where its subtree started.
    double sourceTrace = 0.0;
    // In the double tree: the error the extended tree charges each drop below
    // the node the subtree started from (drop_tree.cpp).
    double inheritedError = 0.0;
    // In the double tree: the unit of its own rounding errors, an upper
    // bound on the relative RSS of the set its subtree started from less
    // that node's droppable variables (doubleSubtreeScale), at most 1.
    double scale = 1.0;
    double trace = 0.0;  // an upper bound on trace(G)
    // An upper bound on Σ_j min(G_jj, 1/doublePathLevel): the trace of any
    // member the exact fit takes through its double path (each of its
    // diagonal entries is at most G_jj, and that path is only taken while
    // every one is below 1/doublePathLevel).
    double doubleTrace = 0.0;
    // In the double tree: the parent this node's inverse is still to be
    // downdated from; null once the inverse is whole. descendDropTree forms
    // the diagonal and β at once (all that ranking the node's drops reads)
    // and the other entries only when a child of the node is descended: a
    // third of the nodes on noise never are. The parent must stay in
    // place, unchanged, until then (as a tree's levels do while a node's
    // children are visited); a node copied elsewhere is completed first
    // (completeDropNode).
    const DropNodeOf* pendingParent = nullptr;
    std::size_t pendingSlot = 0;  // the parent's slot of the variable this node drops
    std::uint8_t parentSlots[maxExplanatoryVariables];  // the parent's slot of each of this node's slots
    // In the double tree, after rankDrops: the slot of each slotted
    // variable, by variable.
    std::uint8_t slotOfVariable[maxExplanatoryVariables];

    std::size_t droppableCount = 0;
    std::uint8_t droppable[maxExplanatoryVariables];  // after rankDrops: by drop cost, largest first
    Scalar childRss[maxExplanatoryVariables];         // after rankDrops: RSS of the node without droppable[i]
    double childTrace[maxExplanatoryVariables];       // after rankDrops: a bound on the child's trace
    double childDoubleTrace[maxExplanatoryVariables]; // after rankDrops: the child's doubleTrace
    double childError[maxExplanatoryVariables];       // after rankDrops: a bound on the error of childRss

    // The extended tree's nodes only.
    std::conditional_t<std::is_same_v<Scalar, DoubleDouble>, FreshFactors<Scalar>, NoFreshFactors> factors;

    std::size_t variables() const { return order; }
};
using DropNode = DropNodeOf<DoubleDouble>;
using DoubleDropNode = DropNodeOf<double>;

// The value of an RSS of either kind of node as the nearest double.
inline double toDouble(double value) { return value; }

// Sets up a root: the subset mask (its scaled system must be positive
// definite) with the droppable variables droppableMask ⊆ mask. False when
// the Cholesky factorisation meets a pivot that is not positive.
// followsRoot: root holds, unchanged, the last root started in it on this
// same system (the search's own node, root after root): the columns of its
// Cholesky factor and of their inverse that belong to the leading variables
// the two roots share (in ascending order) are kept, being what the
// factorisation would form again bit for bit.
bool startDropTree(const ScaledSystem& system, SubsetMask mask, SubsetMask droppableMask, DropNode& root,
                   bool followsRoot = false);

// A root's drops estimated in double, before its extended start. With few
// rows nearly every set of n − 1 variables is a root, and the lists take
// nothing from most of them: each costs a double-double factorisation
// (about 140 thousand instructions at n = 20) to find its children all
// above the lists' thresholds. The same question asked in double, with the
// error of a fresh factorisation in double as the bound, costs a fraction
// of that; the roots it cannot decide are started as before.
struct RootDropEstimates {
    std::size_t count = 0;                           // the droppable variables
    std::uint8_t variable[maxExplanatoryVariables];  // by estimated drop cost, largest first
    double rss[maxExplanatoryVariables];             // relative RSS of the root without variable[i]
    double error = 0.0;        // a bound on |rss[i] − the exact RSS| for every i (relative to y·y)
    double trace = 0.0;        // an upper bound on trace(G), and so on every member's
    double doubleTrace = 0.0;  // as DropNode::doubleTrace, for every member
};
// The Cholesky factor in double of the last root estimated, and its
// inverse W = R⁻¹, z (Rᵀz = b) and their sums: their leading columns depend only on the
// leading variables, which consecutive roots of a plan mostly share. Left
// uninitialised (mask 0: nothing held).
struct RootFactorsInDouble {
    RootFactorsInDouble() {}
    union {
        double r[scaledStride * scaledStride];
    };
    union {
        double w[scaledStride * scaledStride];
    };
    union {
        double z[scaledStride];
    };
    // Through column j: Σ of the squares of W's columns (its trace) and of z.
    union {
        double traceThrough[scaledStride];
    };
    union {
        double fittedThrough[scaledStride];
    };
    // cross[i·stride + v] = r_iv: row i of the column variable v would have
    // in R placed after slot i, which depends only on the variables of
    // slots 0 … i. Rows below crossRows[v] are those of the variables held
    // now, so that a variable that moves within the shared rows (consecutive
    // roots mostly differ in their last few variables) forms only the rows
    // below them again.
    union {
        double cross[scaledStride * scaledStride];
    };
    std::uint8_t crossRows[scaledStride] = {};
    // rowSquares[s·rowSumStride + p] and rowProducts[…]: Σ_{q=s}^{p−1} of
    // w_sq² and of w_sq·z_q (row s of W, a drop's G_ss and β_s in part),
    // which hold while columns 0 … p − 1 do: through rowSumsThrough[s].
    static constexpr std::size_t rowSumStride = scaledStride + 1;
    union {
        double rowSquares[scaledStride * rowSumStride];
    };
    union {
        double rowProducts[scaledStride * rowSumStride];
    };
    std::uint8_t rowSumsThrough[scaledStride] = {};
    std::size_t slots[scaledStride];  // the variables of mask, ascending
    SubsetMask mask = 0;
};
// Estimates the RSS of root mask without each variable of droppableMask
// (⊆ mask) and ranks them, largest first (ties by variable index), or
// leaves them by variable, ascending, where ranked is false. False
// where the estimate cannot be bounded usefully (a pivot not positive, or
// a trace so large that the double factorisation's error is not small
// beside it): the caller starts the root in double-double. estimates.trace
// is then the trace computed in double, or +∞ where a pivot was not
// positive.
bool estimateRootDrops(const ScaledSystem& system, SubsetMask mask, SubsetMask droppableMask,
                       RootFactorsInDouble& factors, RootDropEstimates& estimates, bool ranked = true);

// The RSS of one drop of the root last estimated (factors), refined in
// double-double, for a drop whose estimate is too coarse to decide it
// (near-exact fits, whose RSS lies far below the estimate's error). rss is
// the RSS of the root without variable (relative to y·y) and error bounds
// its distance from the exact RSS of that set's scaled system, as
// DropNode::rssError does; trace bounds the trace of the root's inverse
// (RootDropEstimates::trace). False where the estimate gives no usable
// start (not finite).
struct RefinedDrop {
    double rss = 0.0;
    double error = 0.0;
};
bool refineRootDrop(const ScaledSystem& system, const RootFactorsInDouble& factors, std::size_t variable,
                    double trace, RefinedDrop& refined);

// Computes the RSS of the node without each droppable variable and ranks
// the droppable variables by it, largest first (ties by variable index);
// byIndex ranks them by variable index instead, highest first. That order
// serves where every member may be an exact fit (RSS 0 for all of them, so
// that only the masks rank them): child i then keeps the i highest
// variables, its subtree's masks are all large, and all but the first
// child are cut off by mask as soon as the list is full.
void rankDrops(DropNode& node, bool byIndex = false);
// The same in the double tree. Its children keep the node's trace and
// doubleTrace (the tree is only used where they are small), and all have
// the same childError.
void rankDrops(DoubleDropNode& node, bool byIndex = false);

// Forms the entries of a root's inverse and coefficients that startDropTree
// left for later (DropNode::formedSlots), by the same operations: they are
// then what a factorisation forming them all at once leaves, bit for bit.
// The search never needs it (a node's subtree reads only its formed
// entries); it is for callers that want a root's inverse whole. Not for a
// node that several threads share.
void completeDropInverse(const DropNode& node);

// Sets child to parent without its droppable variable i (after rankDrops),
// with droppable set parent.droppable[i + 1 …]. child.rss is
// parent.childRss[i], bit for bit, child.rssError parent.childError[i],
// child.trace parent.childTrace[i] and child.doubleTrace
// parent.childDoubleTrace[i]. The child's inverse is the parent's downdated,
// or, where the inverse that chain of downdates starts from has a trace
// above 1e8, the child's own system factorised afresh (drop_tree.cpp).
void descendDropTree(const DropNode& parent, std::size_t i, DropNode& child);
// The same in the double tree (always by downdating, the child's
// droppable slots only). The parent's inverse is completed first where it
// is pending; the child's is left pending (its diagonal and β formed), to
// be completed in turn when one of its own children is descended. The
// upper triangle is formed and mirrored, each entry by one expression on
// the parent's entries, so its bits do not depend on when it is formed.
void descendDropTree(DoubleDropNode& parent, std::size_t i, DoubleDropNode& child);
// Forms the rest of a double node's inverse from its pending parent (no
// effect on a node whose inverse is whole).
void completeDropNode(DoubleDropNode& node);

// The most trace a double subtree may start from: the double tree's error
// is linear in it up to there (drop_tree.cpp), and below larger traces the
// extended tree factorises afresh instead of downdating.
constexpr double doubleTreeTrace = 1e8;

// Whether the subtree of a node with trace bound trace and relative RSS
// relativeRss can run in double: the error the double tree charges each
// drop (64·u·e·τ, drop_tree.cpp) is at most 2^-16 of the RSS, so that even
// the deepest path (k drops) holds the margin to about 5e-4 of its RSS,
// where a criterion moves by n·5e-4 at most: up to a trace of about 6.7e7
// times the relative RSS at k = 31 (and never above doubleTreeTrace). The share is a trade of speed, not of
// exactness (the margin carries the whole error wherever the double tree
// runs, up to doubleTreeTrace): a wider margin prunes a little less, an
// extended node costs about seven double ones. Squares and products of
// uncentred measurements (traces of 1e5 to 1e7 at R² ≈ 0.7) run in double
// under 2^-16 and mostly extended under 2^-20: per-size lists on such a
// sheet (n = 203, k = 31) took 109 thousand double nodes against 23
// thousand extended and 84 thousand double ones, in half the time.
// Near-exact fits and subtrees conditioned worse than that stay extended,
// unless their scale says otherwise: scale (doubleSubtreeScale, at most 1)
// is the unit of the double tree's own errors in the subtree, which they
// are charged in.
bool doubleTreeSuffices(std::size_t variables, double trace, double relativeRss, double scale = 1.0);

// The unit of the double tree's own errors below child i of node (after
// rankDrops). Every member of the child's subtree holds the child's set
// less its droppable variables, F, and its RSS is that of the residuals of
// y on F regressed on the residuals of its other variables on F (the
// reduced system: the droppable block of the child's inverse is the
// inverse of that system's matrix, and their coefficients are the same).
// The double tree's error analysis (drop_tree.cpp) bounds every rounding's
// effect on a member's fitted part by multiples of y·y, which in the
// reduced system is RSS(F): so every one of its terms is that share of
// y·y. RSS(F) = RSS(child) + β_Dᵀ·G_DD⁻¹·β_D ≤ RSS(child) + d·‖β_D‖²
// (the reduced matrix is at most the droppable block of the scaled system,
// of trace d). Where y is fitted nearly exactly by F (near-exact fits) the
// double tree can then run where its errors in units of y·y could not.
// wanted: the scale is only of use below it; where it cannot be, the
// answer is 1, found as soon as that is clear.
double doubleSubtreeScale(const DropNode& node, std::size_t i, double wanted = 1.0);
// The largest scale at which doubleTreeSuffices may hold for a subtree of
// this trace and RSS (a little above it; 0 where none can).
double doubleSubtreeScaleWanted(std::size_t variables, double trace, double relativeRss);

// Starts a double subtree at child i of parent (after rankDrops): the
// extended downdate of the parent's inverse and coefficients, rounded to
// double; its RSS the parent's value for it rounded (the rounding added to
// its error). False where the extended tree would factorise the child
// afresh (below inverses of traces above 1e8): the caller keeps the
// extended tree there. scale: doubleSubtreeScale(parent, i), or 1.
bool startDoubleSubtree(const DropNode& parent, std::size_t i, DoubleDropNode& child, double scale = 1.0);
// The same for a whole tree from its root: the root's inverse rounded.
bool startDoubleSubtree(const DropNode& root, DoubleDropNode& node);
