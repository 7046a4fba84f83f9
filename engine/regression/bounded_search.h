#pragma once
// The best-subset search with bounds: the same kept list as the exhaustive
// screening, without fitting the subsets that provably cannot enter it.
#include <cstdint>
#include <vector>

#include "regression/data_column.h"
#include "regression/ranked_subset.h"
#include "regression/run_progress.h"

// Leaves in kept the keepCount best subsets of columns against y, exactly as
// screenSubsets does (the same masks in the same order with the same
// criterion values, bit for bit), and with the same arguments, progress and
// stop behaviour: progress.subsetsDone counts the subsets decided so far
// (fitted, or excluded with a whole subtree), never decreases and stays at
// most 2^k − 2; the stop request is checked between steps, and a stopped
// search returns false with kept incomplete.
//
// How: a leaps-and-bounds tree over the subsets (drop_tree.h) gives every
// subset an approximate RSS and every subtree a lower bound on the RSS of
// its members. Each bound, less a margin Δ that covers the rounding errors
// of both the approximate and the exact fit, becomes a lower bound on the
// criterion over the sizes the subtree holds. A subtree whose bound is above
// the criterion of the keepCount-th best subset fitted so far is skipped
// (strictly above: equal criteria rank by mask); every other subset whose
// own bound allows it is fitted by the exact fit of the screening and
// offered to the list. So every subset of the exhaustive list is fitted
// exactly and kept, and nothing else can displace it.
//
// Where the bound cannot be trusted (a sum of squares out of range, a
// singular or ill-conditioned full system: see DropTreeTrust) it runs
// screenSubsets instead. Memory: the list (keepCount entries) and fixed work
// storage of order k³; nothing is allocated per subset.
bool searchBestSubsets(const DataColumn& y, const std::vector<DataColumn>& columns, std::vector<RankedSubset>& kept,
                       std::uint32_t keepCount, RankCriterion criterion, RunProgress& progress);
