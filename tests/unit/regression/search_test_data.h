#pragma once
// Data sets for the bounded search's tests and benchmarks: every kind of
// data the search must rank exactly as the exhaustive screening does, each
// with the verdict its bound should get.
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "subset_search/drop_tree.h"
#include "subset_search/subset_request.h"
#include "subset_search/subset_roots.h"
#include "test_data.h"

// The sizes a differential sweep runs. Under the sanitizers the programs run
// several times slower, so there the sweep stops before its largest size:
// that size adds run time (each step of k doubles the exhaustive screening)
// and no code path the smaller ones miss. The native and Windows builds run
// every size.
#ifdef __SANITIZE_ADDRESS__
inline constexpr bool sanitizedBuild = true;
#else
inline constexpr bool sanitizedBuild = false;
#endif
inline std::vector<std::size_t> sweepSizes(std::initializer_list<std::size_t> sizes) {
    std::vector<std::size_t> chosen(sizes);
    if (sanitizedBuild && chosen.size() > 1) chosen.pop_back();
    return chosen;
}

// Centres and scales y and every column as the search driver does
// (prepareColumn).
void centreDataset(Dataset& data);

// n rows of k centred uniform columns; y noise (no relation to them).
Dataset noiseDataset(std::size_t n, std::size_t k, std::uint64_t seed);

// The same columns; y a strong combination of every third column plus
// noise.
Dataset signalDataset(std::size_t n, std::size_t k, std::uint64_t seed);

// Few rows: n rows of k uniform columns (n ≤ k + 1 in the uses), y the
// first column plus noise of relative size noise (0: y is that column),
// centred. A laboratory sheet with more candidates than runs.
Dataset fewRowsDataset(std::size_t n, std::size_t k, double noise, std::uint64_t seed);

// A request of the differential tests: criterion by its code, Mallows' Cp
// against a residual mean square of 0.5.
SubsetRequest searchRequest(std::int32_t criterion, std::uint32_t keepCount, std::uint32_t perSize,
                            SubsetMask forced = 0, std::uint32_t threads = 1);

// Whether the bounded search may use its bound on a data set.
enum class ExpectedTrust { Trusted, Fallback, Either };

struct SearchCase {
    Dataset data;
    ExpectedTrust trust;
};

// One data set of each kind with k columns (k ≥ 4), drawn from seed: noise,
// strong and decaying signal, correlated columns (common factors; a chain of
// near neighbours), n close to k, integers as typed in worksheets, an exact
// fit, large offsets (centred, as the search sees them, and raw), columns of
// very different scales; and the ones the bound must leave to the
// exhaustive screening: a duplicated column, a column that is the sum of
// two others, a chain too close to collinear, large offsets left uncentred,
// a constant y, sums of squares beyond the trusted range (a column near
// 1e-110 left unscaled).
std::vector<SearchCase> searchCases(std::size_t k, std::uint64_t seed);

// The verdict of the bounded search's trust test on data.
DropTreeTrust trustOf(const Dataset& data);

// The kinds of worksheet data that make the bound's work hard: exact
// dependencies, severe collinearity, far apart scales, near-exact fits.
enum class HardKind {
    TotalColumn,     // a total beside its parts
    ScaledCopies,    // copies scaled by 3, 2.54 and 0.001
    DummySet,        // a full set of 0/1 dummy columns
    YearPowers,      // year, year², year³, year⁴ of an uncentred year
    Longley,         // Longley's six columns, the rest noise
    FarScales,       // column scales from 1e-6 to 1e9
    NearExact8,      // y fitted up to noise of relative size 1e-8
    NearExact12,     // … and 1e-12
    ConstantColumn,  // a constant column left in, centred to rounding
    FewRows,         // n = k + 2
    TimestampsNs,    // a timestamp in nanoseconds (about 1.6e18, steps of 3e9)
};
constexpr HardKind hardKinds[] = {HardKind::TotalColumn, HardKind::ScaledCopies, HardKind::DummySet,
                                  HardKind::YearPowers,  HardKind::Longley,      HardKind::FarScales,
                                  HardKind::NearExact8,  HardKind::NearExact12,  HardKind::ConstantColumn,
                                  HardKind::FewRows,     HardKind::TimestampsNs};
const char* hardKindName(HardKind kind);

// One centred data set of that kind with k ≥ hardKindLeastColumns(kind)
// columns (Longley: 16 rows unless more are asked for, repeated with noise;
// with fewer than six columns, the first k of Longley's), n rows (FewRows:
// k + 2).
Dataset hardDataset(HardKind kind, std::size_t n, std::size_t k, std::uint64_t seed);
// The fewest columns hardDataset makes of a kind: 8, and 1 for Longley.
std::size_t hardKindLeastColumns(HardKind kind);

// Counts every member of a root's tree (mask ∖ R for R ⊆ droppable, the
// empty subset left out) in seen, indexed by mask, and in reached.
inline void countRootMembers(const SubsetRoot& root, std::vector<int>& seen, std::uint64_t& reached) {
    for (SubsetMask dropped = root.droppable;; dropped = (dropped - 1u) & root.droppable) {
        const SubsetMask mask = root.mask & ~dropped;
        if (mask != 0) {
            ++seen[mask];
            ++reached;
        }
        if (dropped == 0) break;
    }
}
