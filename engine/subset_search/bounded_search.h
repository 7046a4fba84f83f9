#pragma once
// The best-subset search with bounds: the same kept list as the exhaustive
// screening, without fitting the subsets that provably cannot enter it.
#include <cstdint>
#include <vector>

#include "regression/data_column.h"
#include "subset_search/drop_tree.h"
#include "subset_search/ranked_subset.h"
#include "subset_search/run_progress.h"
#include "subset_search/subset_request.h"

// Leaves in kept the keepCount best subsets of columns against y, exactly as
// screenSubsets does (the same masks in the same order with the same
// criterion values, bit for bit), and with the same arguments, progress and
// stop behaviour: the count of decided subsets it publishes
// (progress.publishDecided: fitted, or excluded with a whole subtree) never
// decreases and stays at most 2^k − 2; the stop request is checked between steps, and a stopped
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
// Exact linear dependencies among the columns split the subsets into
// several subtrees with positive definite roots (subset_roots.h); the
// subsets that hold a whole dependent set, or a zero column, are
// singular for the exact fit and decided without one. Ill-conditioned
// systems get margins that grow with the conditioning of each subtree
// (drop_tree.h), computed in double-double; subtrees conditioned well
// enough run in double, with the double tree's own tracked error.
//
// Where the bound cannot be used at all (DropTreeTrust: rare, see there) it
// runs screenSubsets instead. With n rows no subset of more than n − 2
// variables is ranked (ranking_criterion.h): the parts of the plan that
// hold only such subsets are decided whole, without a tree; where the
// candidates outnumber the rows so far that the roots would cost more than
// the screening of the subsets the rows allow, it screens them.
//
// Threads (request.threads > 1): every thread starts each root and walks
// the top of its tree alike, and the subtrees below the top are dealt out
// among them as they come free; with many roots each root is one part. The
// kept lists are one, shared under a lock, and each thread prunes by its
// own copy of their thresholds, which is never below theirs. A subset is
// skipped only where the list it belongs to would refuse it, so the lists
// are the same, bit for bit, for any number of threads. The calling thread
// publishes the progress and waits.
//
// Memory: the list (keepCount entries), the plan's roots (16 bytes each, at
// most 2^24 of them: 256 MiB, with few rows; 2^22 in a 32-bit process) and fixed work storage
// of order k³ per thread; nothing is allocated per subset.
bool searchBestSubsets(const DataColumn& y, const std::vector<DataColumn>& columns, std::vector<RankedSubset>& kept,
                       std::uint32_t keepCount, RankCriterion criterion, RunProgress& progress);

// The same for any request (subset_request.h), exactly as screenSubsets
// answers it: per-size lists are bounded size by size, and forced variables
// are simply never dropped in the tree.
//
// tally, where given, counts the tree's nodes by the arithmetic they were
// expanded in.
struct SearchTally {
    std::uint64_t extendedNodes = 0;  // double-double
    std::uint64_t doubleNodes = 0;
    std::uint64_t exactFits = 0;       // subsets fitted by the exact fit
    std::uint64_t exactFitsTaken = 0;  // subsets ranked as exact fits without a fit (certain from the tree)
    std::uint64_t searchesRepeated = 0;  // searches run again because a fit put off fell outside its bounds
    std::uint64_t rootsEstimated = 0;        // roots whose drops were estimated in double first
    std::uint64_t rootsDecidedInDouble = 0;  // of those, the roots decided by the estimate alone
    std::uint64_t partsPlannedExactly = 0;   // roots of a plan split by count whose parts were planned again
    std::uint64_t coveringRoots = 0;         // roots of a cover of the sets of n − 2 (covering_roots.h) searched
};
bool searchBestSubsets(const DataColumn& y, const std::vector<DataColumn>& columns, std::vector<RankedSubset>& kept,
                       const SubsetRequest& request, RunProgress& progress, SearchTally* tally = nullptr);

// Whether searchBestSubsets can use its bound on these data, and if not,
// why (it then screens every subset): for the command line's note. The
// criterion matters only with few rows (it sets the largest size ranked).
DropTreeTrust boundedSearchVerdict(const DataColumn& y, const std::vector<DataColumn>& columns,
                                   RankCriterion criterion = RankCriterion::InformationCriterion);
