#pragma once
// The three levels that decide what the exact fit makes of a subset. All are
// relative, so they do not depend on the units of the data.
//
// 1 − R²_j below is the residual sum of squares of variable j after the
// subset's other variables and the intercept, over its own centred sum of
// squares: on the centred normal equations C it is 1 / (C⁻¹_jj · C_jj).
// It is invariant under shifting and scaling the columns.

// Rank rule: a subset is not a model when some variable has
// 1 − R²_j ≤ rankTolerance, i.e. when it is a linear combination of the
// others up to a part of relative size √1e-12 = 1e-6 of its spread.
//
// Why 1e-12. An exact dependency among columns stored as doubles (a total
// beside its parts, cm beside inch, a full set of dummy columns, a copy)
// leaves only the rounding of the stored values: relative errors of about
// 2^-53 per value, so 1 − R²_j near 1e-32, and after centring columns whose
// mean is m and spread s, near (2^-53 · m / s)². Up to offsets of 10^10
// spreads that stays below 1e-12 with a wide margin. R's lm aliases a
// column whose QR pivot falls below 1e-7 of its norm, i.e. 1 − R² below
// 1e-14 (on the columns it is given); the value here lies at the upper end
// of the range that tolerance amounts to on centred columns, and a hundred
// times below 1e-10, above which legal (if severely collinear) data must be
// kept. The decision is taken in double-double arithmetic (extended_fit.h),
// which computes 1 − R²_j to about 1e-20 even for the smallest values that
// pass, so rounding never decides it.
constexpr double rankTolerance = 1e-12;

// Refit level: a double fit resolves a subset only while every variable
// keeps a clear independent part. Its computed A⁻¹ carries relative errors
// of about u·κ (u = 2^-53, κ the condition of the scaled system, which is
// within a factor of the order of the largest VIF_j = 1 / (1 − R²_j)).
// Where the double fit's own inverse shows a VIF_j of 1e6 or more
// (1 − R²_j ≤ 1e-6), the errors could reach 1e-10·e relative: still far from
// the rank rule's decision, but enough to spoil the fifth decimal of a table
// cell for strongly collinear models, and below the level the double
// numbers are noise. Such subsets, and those whose double inversion fails,
// are fitted again in double-double. Well-conditioned data never get there.
constexpr double refitVarianceInflation = 1e6;

// The double RSS = y·y − (Xᵀy)·β loses about u·VIF·y·y to cancellation,
// a relative error of c·u·VIF·SST/RSS in the RSS itself (c up to about 7
// measured on 19-row near-perfect fits against exact rational arithmetic).
// Where the RSS is not above refitResidualLevel · max VIF_j · SST (at most
// 1e-5·SST for an orthogonal design, more with collinearity; always for
// RSS ≤ 0) the subset is refitted in double-double, where the exact-fit rule
// below is decided: so every RSS of the double path keeps nine or more
// correct digits (c·u/1e-5 ≈ 1e-10), and one of an R² beyond 0.99999 comes
// from the double-double refit. The same happens when SST is not above
// refitTotalLevel · y·y: y was not centred, or is constant, and SST itself
// is rounding in double.
constexpr double refitResidualLevel = 1e-5;
constexpr double refitTotalLevel = 1e-6;

// Exact fit: an RSS (from the double-double refit) at or below
// exactFitLevel · SST is an exact fit and is taken as 0 for ranking and
// statistics alike. A fit that is exact in the data as typed leaves residuals
// of the size of the rounding of the stored doubles, so RSS/SST near 1e-30,
// and up to about 1e-20 for y with an offset of 10^5 spreads; real data with
// measurement noise in the tenth significant digit (more than any worksheet
// holds) would still sit above it. The double-double RSS is accurate to far
// below this level.
constexpr double exactFitLevel = 1e-20;

// A dependent variable whose centred sum of squares SST is at or below
// 2^-80 of its uncentred y·y (computed in double-double) has no variance:
// every value equals the mean up to rounding. No subset is a model then
// (every R² would be 0/0).
constexpr double constantDependentLevel = 8.271806125530277e-25;  // 2^-80
