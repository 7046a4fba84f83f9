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
// reached exactly once, whatever order each node chooses. The root is the
// set of all variables with all of them droppable: its subtree is every
// subset (the empty one included, which the search never ranks).
//
// The approximate fit works on the scaled normal equations: with M the
// cross-products of [intercept, x_1 … x_k] and D = diag(1/√M_ii), the
// matrix D·M·D has a unit diagonal, and y is scaled to y·y = 1. The
// intercept is a variable like the others except that it is never dropped,
// so the approximate fit solves the same least-squares problem as the exact
// one, on whatever columns it is given. RSS values here are relative to y·y.
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
#include <cstddef>
#include <cstdint>

#include "regression/cross_products.h"
#include "regression/data_column.h"

// The scaled full system and what the bound may assume about it.
struct DropTreeSystem {
    std::size_t variables = 0;   // k
    std::size_t rows = 0;        // n
    double yy = 0.0;             // y·y, unscaled: the unit of the relative RSS values
    double condition = 0.0;      // ‖Ã‖₁·‖Ã⁻¹‖₁ of the scaled full matrix Ã (intercept included)
    double margin = 0.0;         // Δ: bound on |approximate − exact| RSS, relative to y·y
};

// Why the approximate fit cannot be trusted on a data set (the search then
// screens every subset exhaustively).
enum class DropTreeTrust {
    Trusted,
    ScaleOutOfRange,   // a column's or y's sum of squares is 0, not finite or outside [2^-200, 2^200]
    NotPositiveDefinite,  // the scaled full system has a pivot ≤ 0 (singular: collinear columns, n ≤ k)
    IllConditioned,    // its condition number is above maxTrustedCondition
    UnstablePivoting,  // an off-diagonal entry that is only rounding can displace a diagonal pivot
};

// The largest condition number of the scaled full matrix for which the
// bounds are used (κ·u about 1e-8). Every principal submatrix of a positive
// definite matrix is at most as badly conditioned (its eigenvalues
// interlace), so this bounds every subset's system. Above it the data are
// nearly collinear, and the exhaustive screening ranks them.
constexpr double maxTrustedCondition = 1e8;

// Δ = marginFactor · e² · u · (κ + marginConditionFloor) (e = k + 1,
// u = 2^-53, κ the condition number), relative to y·y. See drop_tree.cpp
// for why.
constexpr double marginFactor = 1024.0;
constexpr double marginConditionFloor = 64.0;

struct DropNode {
    std::size_t order = 0;                    // e: the intercept and the node's variables
    SubsetMask mask = 0;                      // the node's subset; slot 0 of the system is the intercept,
                                              // slots 1 … e − 1 its variables in ascending order
    double inverse[maxCrossProductOrder * maxCrossProductOrder];  // G, row stride maxCrossProductOrder
    double beta[maxCrossProductOrder];
    double rss = 0.0;                         // approximate, relative to y·y

    std::size_t droppableCount = 0;
    std::uint8_t droppable[maxExplanatoryVariables];  // after rankDrops: by drop cost, largest first
    double childRss[maxExplanatoryVariables];         // after rankDrops: RSS of the node without droppable[i]

    std::size_t variables() const { return order - 1; }
};

// Scales the full system of products, checks whether the approximate fit
// can be trusted and, if it can, sets up the root: all variables, all
// droppable.
DropTreeTrust startDropTree(const CrossProducts& products, DropTreeSystem& system, DropNode& root);

// Computes the RSS of the node without each droppable variable and ranks
// the droppable variables by it, largest first (ties by variable index).
void rankDrops(DropNode& node);

// Sets child to parent without its droppable variable i (after rankDrops),
// with droppable set parent.droppable[i + 1 …]. child.rss is
// parent.childRss[i], bit for bit.
void descendDropTree(const DropNode& parent, std::size_t i, DropNode& child);
